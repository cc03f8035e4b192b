#include "ui/zv_delete_dlg.hpp"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/zv_qt_ports.hpp"

namespace zv {

DeleteDialog::DeleteDialog(DataSetModel& model, DeleteMode mode, const Language& lang,
                           const char* programTitle, QWidget* parent)
    : QDialog(parent) {
  using namespace edit_texts;
  setObjectName("DELETE");
  setWindowTitle(QString::fromLatin1(programTitle) + " - " + pick(lang, DeleteTitle));
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  auto field = [&](const TextPair& label, const QString& value, const char* name) {
    auto* v = new QLabel(value, this);
    v->setObjectName(name);
    form->addRow(pick(lang, label), v);
  };
  const Sample* sample = model.currentSample();
  const StorageCondition* storage = model.currentStorage();
  const QString sampleName = sample ? fromLatin1(sample->name) : QString();
  const QString storageName = storage ? fromLatin1(storage->name) : QString();
  const TextPair* warning = &WarnSample;
  switch (mode) {
  case DeleteMode::Sample:
    field(CurrentSample, sampleName, "CURRENT_SAMPLE");
    break;
  case DeleteMode::Storage:
    field(CurrentStorage, storageName, "CURRENT_STORAGE");
    warning = &WarnStorage;
    break;
  case DeleteMode::Measurement: {
    field(CurrentSample, sampleName, "CURRENT_SAMPLE");
    field(CurrentStorage, storageName, "CURRENT_STORAGE");
    const DataSet* d = model.dataSet();
    field(CurrentMeasuring, d ? QString::number(d->currentMeasurement + 1) : QString(),
          "CURRENT_MEASURING");
    warning = &WarnMeasuring;
    break;
  }
  }
  layout->addLayout(form);
  auto* text = new QLabel(pick(lang, *warning), this);
  text->setObjectName("WARNING");
  layout->addWidget(text);

  auto* buttons = new QDialogButtonBox(this);
  auto* ok = buttons->addButton(pick(lang, Ok), QDialogButtonBox::AcceptRole);
  auto* abort = buttons->addButton(pick(lang, Abort), QDialogButtonBox::RejectRole);
  ok->setObjectName("OK");
  abort->setObjectName("ABORT");
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(abort, &QPushButton::clicked, this, &QDialog::reject);
  layout->addWidget(buttons);
}

} // namespace zv
