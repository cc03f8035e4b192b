#include "program/zv_selection.hpp"

#include "program/zv_tables.hpp"

namespace zv {

namespace {
void clampAll(Program& p) {
  p.data.model.clampCurrentSample();
  p.data.model.clampCurrentStorage();
  if (const DataSet* ds = p.data.model.dataSet())
    p.data.model.clampCurrentMeasurement(ds->currentSample, ds->currentStorage);
}

void afterChoice(Program& p, bool sampleOrStorage) {
  for (WindowId w : {WindowId::Order, WindowId::Storage, WindowId::Measurement})
    p.requestRefresh(w, refresh::Rings);
  p.requestRefresh(WindowId::Measurement, refresh::Everything);
  if (sampleOrStorage)
    p.requestRefresh(WindowId::Storage,
                     refresh::Rings | refresh::Values | refresh::Parameters | refresh::RowLayout);
  if (!p.isMeasuring())
    p.backupDataSet();
}
} // namespace

std::vector<std::string> sampleRingItems(Program& p) {
  clampAll(p);
  std::vector<std::string> items;
  if (const DataSet* ds = p.data.model.dataSet())
    for (const Sample& s : ds->samples)
      items.push_back(s.name);
  return items;
}

std::vector<std::string> storageRingItems(Program& p) {
  clampAll(p);
  std::vector<std::string> items;
  if (const Sample* first = p.data.model.sampleAt(0))
    for (const StorageCondition& t : first->storages)
      items.push_back(t.name);
  return items;
}

std::vector<std::string> measurementRingItems(Program& p) {
  clampAll(p);
  std::vector<std::string> items;
  const int n = p.data.model.currentMeasurementCount();
  for (int k = 0; k < n; ++k)
    items.push_back(std::to_string(k + 1));
  return items;
}

bool selectSample(Program& p, int sampleIndex) {
  DataSet* ds = p.data.model.dataSet();
  if (!ds || sampleIndex == ds->currentSample || !p.data.model.sampleAt(sampleIndex))
    return false;
  ds->currentSample = sampleIndex;
  clampAll(p);
  afterChoice(p, true);
  return true;
}

bool selectStorage(Program& p, int storageIndex) {
  DataSet* ds = p.data.model.dataSet();
  if (!ds || storageIndex == ds->currentStorage || !p.data.model.storageAt(0, storageIndex))
    return false;
  ds->currentStorage = storageIndex;
  clampAll(p);
  afterChoice(p, true);
  return true;
}

bool selectMeasurement(Program& p, int measurementIndex) {
  DataSet* ds = p.data.model.dataSet();
  if (!ds || measurementIndex == ds->currentMeasurement ||
      !p.data.model.measurementAt(ds->currentSample, ds->currentStorage, measurementIndex))
    return false;
  ds->currentMeasurement = measurementIndex;
  afterChoice(p, false);
  return true;
}

} // namespace zv
