#include "ui/zv_copy_dlg.hpp"

#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/zv_qt_ports.hpp"

namespace zv {

CopyDialog::CopyDialog(DataSetModel& model, const Language& lang, const char* programTitle,
                       QWidget* parent)
    : QDialog(parent) {
  using namespace edit_texts;
  setObjectName("COPY");
  setWindowTitle(QString::fromLatin1(programTitle) + " - " + pick(lang, CopyTitle));
  auto* layout = new QVBoxLayout(this);

  auto* source = new QGroupBox(pick(lang, Source), this);
  auto* form = new QFormLayout(source);
  const Sample* sample = model.currentSample();
  const StorageCondition* storage = model.currentStorage();
  auto* sampleName = new QLabel(sample ? fromLatin1(sample->name) : QString(), source);
  sampleName->setObjectName("SOURCE_SAMPLE");
  auto* storageName = new QLabel(storage ? fromLatin1(storage->name) : QString(), source);
  storageName->setObjectName("SOURCE_STORAGE");
  form->addRow(pick(lang, SampleCaption), sampleName);
  form->addRow(pick(lang, StorageCaption), storageName);
  layout->addWidget(source);

  auto* destination = new QGroupBox(pick(lang, Destination), this);
  auto* column = new QVBoxLayout(destination);
  auto* note = new QLabel(pick(lang, CopyNote), destination);
  note->setObjectName("NOTE");
  column->addWidget(note);
  auto button = [&](const TextPair& text, const char* name, CopyTarget target) {
    auto* b = new QPushButton(pick(lang, text), destination);
    b->setObjectName(name);
    connect(b, &QPushButton::clicked, this, [this, target] {
      target_ = target;
      accept();
    });
    column->addWidget(b);
  };
  button(CopyFollowingStorages, "FOLLOWING_STORAGES", CopyTarget::FollowingStorages);
  button(CopyFollowingSamples, "FOLLOWING_SAMPLES", CopyTarget::FollowingSamples);
  button(CopyAll, "ALL", CopyTarget::All);
  layout->addWidget(destination);

  auto* close = new QPushButton(pick(lang, Close), this);
  close->setObjectName("CLOSE");
  connect(close, &QPushButton::clicked, this, &QDialog::reject);
  layout->addWidget(close);
}

} // namespace zv
