#include "ui/zv_rings.hpp"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>

#include "program/zv_selection.hpp"
#include "ui/zv_menubar.hpp"
#include "ui/zv_qt_ports.hpp"

namespace zv {

namespace {
void fill(QComboBox* ring, const std::vector<std::string>& items, int current) {
  ring->clear();
  for (const auto& item : items)
    ring->addItem(fromLatin1(item));
  ring->setCurrentIndex(current);
}
} // namespace

SelectionRings::SelectionRings(Program& program, QWidget* parent)
    : QWidget(parent), program_(program) {
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  auto addRing = [&](QLabel*& label, QComboBox*& ring, const char* name) {
    label = new QLabel(this);
    ring = new QComboBox(this);
    ring->setObjectName(name);
    ring->setMinimumContentsLength(8);
    layout->addWidget(label);
    layout->addWidget(ring);
    connect(ring, &QComboBox::activated, this, [this, ring](int index) { chosen(ring, index); });
  };
  addRing(sampleLabel_, sample_, "PROBE_SEL");
  addRing(storageLabel_, storage_, "LAGER_SEL");
  addRing(measurementLabel_, measurement_, "MEAS_SEL");
  layout->addStretch();
  retranslate();
}

void SelectionRings::retranslate() {
  QLabel* labels[] = {sampleLabel_, storageLabel_, measurementLabel_};
  QComboBox* rings[] = {sample_, storage_, measurement_};
  for (int i = 0; i < 3; ++i) {
    labels[i]->setText(menuLabel(program_.texts[captions_[i]]));
    labels[i]->setBuddy(rings[i]);
  }
}

void SelectionRings::setCaptionTexts(GeneralText sample, GeneralText storage,
                                     GeneralText measurement) {
  captions_[0] = sample;
  captions_[1] = storage;
  captions_[2] = measurement;
  retranslate();
}

void SelectionRings::refill() {
  filling_ = true;
  const auto samples = sampleRingItems(program_);
  const auto storages = storageRingItems(program_);
  const auto measurements = measurementRingItems(program_);
  const DataSet* ds = program_.data.model.dataSet();
  fill(sample_, samples, ds ? ds->currentSample : -1);
  fill(storage_, storages, ds ? ds->currentStorage : -1);
  fill(measurement_, measurements, ds ? ds->currentMeasurement : -1);
  filling_ = false;
}

void SelectionRings::chosen(QComboBox* ring, int index) {
  if (filling_)
    return;
  if (ring == sample_)
    selectSample(program_, index);
  else if (ring == storage_)
    selectStorage(program_, index);
  else
    selectMeasurement(program_, index);
}

} // namespace zv
