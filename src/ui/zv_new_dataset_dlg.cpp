#include "ui/zv_new_dataset_dlg.hpp"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "ui/zv_qt_ports.hpp"

namespace zv {

namespace {
template <class List> void fillRing(QComboBox* box, const List& list, double selected) {
  box->clear();
  int index = 0;
  for (int i = 0; i < list.count(); ++i) {
    const double v = *list.valueAt(i);
    box->addItem(fromLatin1(*list.labelAt(i)), v);
    if (v == selected)
      index = i;
  }
  box->setCurrentIndex(list.count() > 0 ? index : -1);
}

QLineEdit* textField(const std::string& value, int maxLength, const char* name, QWidget* parent) {
  auto* e = new QLineEdit(fromLatin1(value), parent);
  e->setMaxLength(maxLength);
  e->setObjectName(name);
  return e;
}
} // namespace

std::optional<std::string> latin1Text(const QString& text) {
  if (!fitsLatin1(text))
    return std::nullopt;
  return toLatin1(text);
}

NewDataSetDialog::NewDataSetDialog(const NewDataSetInput& initial, const DataSetLimits& limits,
                                   const ChannelLists& lists, const Language& lang,
                                   const char* programTitle, QWidget* parent)
    : QDialog(parent), lists_(lists), lang_(lang) {
  using namespace edit_texts;
  setObjectName("NEW_AUFTRAG");
  setWindowTitle(QString::fromLatin1(programTitle) + " - " + pick(lang, NewTitle));
  auto* layout = new QVBoxLayout(this);

  auto* order = new QGroupBox(pick(lang, Order), this);
  order->setObjectName("ORDER");
  auto* orderForm = new QFormLayout(order);
  identNumber_ = textField(initial.identNumber, 79, "IDENT_NO", order);
  identName_ = textField(initial.identName, 79, "IDENT_NAME", order);
  orderForm->addRow(pick(lang, IdentNumber), identNumber_);
  orderForm->addRow(pick(lang, IdentName), identName_);
  layout->addWidget(order);

  auto* sample = new QGroupBox(pick(lang, SampleCaption), this);
  sample->setObjectName("SAMPLE");
  auto* sampleForm = new QFormLayout(sample);
  sampleCount_ = new QSpinBox(sample);
  sampleCount_->setObjectName("SAMPLE_COUNT");
  sampleCount_->setRange(1, limits.maxSamples);
  sampleCount_->setValue(initial.sampleCount);
  samplePrefix_ = textField(initial.samplePrefix, 29, "SAMPLE_PREFIX", sample);
  sampleForm->addRow(pick(lang, Number), sampleCount_);
  sampleForm->addRow(pick(lang, Default), samplePrefix_);
  layout->addWidget(sample);

  auto* storage = new QGroupBox(pick(lang, StorageCaption), this);
  storage->setObjectName("STORAGE");
  auto* storageForm = new QFormLayout(storage);
  storageCount_ = new QSpinBox(storage);
  storageCount_->setObjectName("STORAGE_COUNT");
  storageCount_->setRange(1, limits.maxStorages);
  storageCount_->setValue(initial.storageCount);
  storagePrefix_ = textField(initial.storagePrefix, 29, "STORAGE_PREFIX", storage);
  storageForm->addRow(pick(lang, Number), storageCount_);
  storageForm->addRow(pick(lang, Default), storagePrefix_);
  layout->addWidget(storage);

  auto* measuring = new QGroupBox(pick(lang, MeasuringCaption), this);
  measuring->setObjectName("MEASURING");
  auto* measForm = new QFormLayout(measuring);
  channel_ = new QComboBox(measuring);
  channel_->setObjectName("CHANNEL");
  channel_->addItem("0", 0);
  channel_->addItem("1", 1);
  channel_->setCurrentIndex(initial.channel == 1 ? 1 : 0);
  auto ring = [&](const char* name, const TextPair& label, const char* unit) {
    auto* box = new QComboBox(measuring);
    box->setObjectName(name);
    auto* row = new QHBoxLayout;
    row->addWidget(box);
    row->addWidget(new QLabel(unit, measuring));
    measForm->addRow(pick(lang, label), row);
    return box;
  };
  measForm->addRow(pick(lang, Channel), channel_);
  range_ = ring("RANGE", Range, RangeUnit);
  area_ = ring("AREA", Area, AreaUnit);
  speed_ = ring("SPEED", Speed, SpeedUnit);
  layout->addWidget(measuring);
  fillRings(channel_->currentIndex(), initial.range, initial.area, initial.speed);
  connect(channel_, &QComboBox::currentIndexChanged, this, [this, initial](int index) {
    fillRings(index, initial.range, initial.area, initial.speed);
  });

  auto* buttons = new QDialogButtonBox(this);
  auto* ok = buttons->addButton(pick(lang, Ok), QDialogButtonBox::AcceptRole);
  auto* abort = buttons->addButton(pick(lang, Abort), QDialogButtonBox::RejectRole);
  ok->setObjectName("OK");
  abort->setObjectName("ABORT");
  connect(ok, &QPushButton::clicked, this, &NewDataSetDialog::onOk);
  connect(abort, &QPushButton::clicked, this, &QDialog::reject);
  layout->addWidget(buttons);
}

void NewDataSetDialog::fillRings(int channel, double range, double area, double speed) {
  const DeviceListSource& lists = lists_.channelLists(channel);
  fillRing(range_, lists.activePistons(), range);
  fillRing(area_, lists.activeAreas(), area);
  fillRing(speed_, lists.activeSpeeds(), speed);
}

void NewDataSetDialog::onOk() {
  for (QLineEdit* e : {identNumber_, identName_, samplePrefix_, storagePrefix_}) {
    if (!latin1Text(e->text())) {
      QMessageBox::warning(this, windowTitle(), pick(lang_, NotLatin1Text));
      e->setFocus();
      return;
    }
  }
  accept();
}

NewDataSetInput NewDataSetDialog::input() const {
  NewDataSetInput in;
  in.identNumber = latin1Text(identNumber_->text()).value_or("");
  in.identName = latin1Text(identName_->text()).value_or("");
  in.sampleCount = sampleCount_->value();
  in.samplePrefix = latin1Text(samplePrefix_->text()).value_or("");
  in.storageCount = storageCount_->value();
  in.storagePrefix = latin1Text(storagePrefix_->text()).value_or("");
  in.channel = channel_->currentIndex();
  in.range = range_->currentData().toDouble();
  in.area = area_->currentData().toDouble();
  in.speed = speed_->currentData().toDouble();
  return in;
}

} // namespace zv
