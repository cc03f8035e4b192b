#include "program/zv_tables.hpp"

#include <cmath>
#include <cstdio>

#include "platform/zv_latin1.hpp"

namespace zv {

namespace {
const TextPair emptyNameText{"The name must at least have one character",
                             "Der Name muß mindestens ein Zeichen haben"_l1};
const TextPair duplicateNameText{"The name mustn't be available twice, please enter newly",
                                 "Der Name existiert bereits, bitte neu eingeben"};
const TextPair badNumberText{"Please enter a finite number greater than 0",
                             "Bitte eine endliche Zahl größer als 0 eingeben"_l1};
const TextPair badForceText{"Please enter a finite number not below 0",
                            "Bitte eine endliche Zahl nicht unter 0 eingeben"};

void inputError(Program& p, const std::string& text) {
  p.ui.popup(p.texts[MessageText::InputErrorTitle], text);
}

// The names in the rings changed: every window refills them.
void ringsChanged(Program& p) {
  for (WindowId w : {WindowId::Order, WindowId::Storage, WindowId::Measurement})
    p.requestRefresh(w, refresh::Rings);
}

bool refuseDuplicate(Program& p, const char* format, int number) {
  char prefix[64];
  std::snprintf(prefix, sizeof prefix, format, number);
  inputError(p, std::string(prefix) + p.lang.pick(duplicateNameText));
  return false;
}

Measurement* currentRow(Program& p, int k) {
  const DataSet* ds = p.data.model.dataSet();
  if (!ds)
    return nullptr;
  return p.data.model.measurementAt(ds->currentSample, ds->currentStorage, k);
}
} // namespace

void resultsChanged(Program& p) {
  p.requestRefresh(WindowId::Order, refresh::Values);
  p.requestRefresh(WindowId::Storage, refresh::Values);
  p.requestRefresh(WindowId::Measurement, refresh::Values);
}

void currentMeasurementChanged(Program& p) {
  ringsChanged(p);
  p.requestRefresh(WindowId::Storage, refresh::Values | refresh::Parameters | refresh::RowLayout);
  p.requestRefresh(WindowId::Measurement, refresh::Values);
}

namespace {
template <typename D> auto& fieldOf(D& ds, OrderField field) {
  return field == OrderField::IdentNumber ? ds.identNumber
         : field == OrderField::IdentName ? ds.identName
                                          : ds.title;
}
} // namespace

std::string orderField(const Program& p, OrderField field) {
  const DataSet* ds = p.data.model.dataSet();
  return ds ? fieldOf(*ds, field) : std::string();
}

void setOrderField(Program& p, OrderField field, std::string_view text) {
  DataSet* ds = p.data.model.dataSet();
  if (!ds)
    return;
  fieldOf(*ds, field) = cutToField(text, DataSet::IdentSize);
  p.data.model.markChanged(*ds);
}

bool renameSample(Program& p, int sampleIndex, std::string_view name) {
  Sample* sample = p.data.model.sampleAt(sampleIndex);
  if (!sample)
    return false;
  if (name.empty()) {
    inputError(p, p.lang.pick(emptyNameText));
    return false;
  }
  const int found = p.data.model.findSampleName(name, sampleIndex);
  if (found == -1)
    return true;
  if (found > 0)
    return refuseDuplicate(p, "Probe=%d - ", sampleIndex + 1);
  sample->name = cutToField(name, Sample::NameSize);
  p.data.model.markChanged(*sample);
  ringsChanged(p);
  return true;
}

bool renameStorage(Program& p, int storageIndex, std::string_view name) {
  StorageCondition* storage = p.data.model.storageAt(0, storageIndex);
  if (!storage)
    return false;
  if (name.empty()) {
    inputError(p, p.lang.pick(emptyNameText));
    return false;
  }
  const int found = p.data.model.findStorageName(name, 0, storageIndex);
  if (found == -1)
    return true;
  if (found > 0)
    return refuseDuplicate(p, "Lagerung=%d - ", storageIndex + 1);
  storage->name = cutToField(name, StorageCondition::NameSize);
  p.data.model.markChanged(*storage);
  ringsChanged(p);
  return true;
}

void selectCell(Program& p, int sampleIndex, int storageIndex) {
  DataSet* ds = p.data.model.dataSet();
  if (!ds || !p.data.model.storageAt(sampleIndex, storageIndex))
    return;
  ds->currentSample = sampleIndex;
  ds->currentStorage = storageIndex;
  p.data.model.clampCurrentMeasurement(sampleIndex, storageIndex);
  currentMeasurementChanged(p);
}

std::string orderCellText(Program& p, int sampleIndex, int storageIndex) {
  StorageCondition* storage = p.data.model.storageAt(sampleIndex, storageIndex);
  if (!storage)
    return {};
  return storageSummaryDisplay(storage, p.data.model.bondTensionFactors(), p.statisticsFormat());
}

namespace {
template <typename Pick> bool setStorageValue(Program& p, Pick pick) {
  StorageCondition* storage = p.data.model.currentStorage();
  if (!storage || !pick(*storage))
    return false;
  p.data.model.markChanged(*storage);
  p.requestRefresh(WindowId::Order, refresh::Values);
  return true;
}
} // namespace

bool setStorageRange(Program& p, int pistonIndex) {
  return setStorageValue(p, [&](StorageCondition& s) {
    const PistonRange* piston = p.data.model.deviceLists().activePistons().piston(pistonIndex);
    if (piston)
      s.range = piston->range;
    return piston != nullptr;
  });
}

bool setStorageArea(Program& p, int areaIndex) {
  return setStorageValue(p, [&](StorageCondition& s) {
    auto value = p.data.model.deviceLists().activeAreas().valueAt(areaIndex);
    if (value)
      s.area = *value;
    return value.has_value();
  });
}

bool setStorageSpeed(Program& p, int speedIndex) {
  return setStorageValue(p, [&](StorageCondition& s) {
    auto value = p.data.model.deviceLists().activeSpeeds().valueAt(speedIndex);
    if (value)
      s.speed = *value;
    return value.has_value();
  });
}

bool setStorageEvaluation(Program& p, std::string_view text) {
  return setStorageValue(p, [&](StorageCondition& s) {
    s.evaluation = cutToField(text, StorageCondition::EvaluationSize);
    return true;
  });
}

bool setMeasurementOn(Program& p, int k, bool on) {
  Measurement* m = currentRow(p, k);
  if (!m)
    return false;
  m->inStatistics = on ? 1 : 0;
  p.data.model.markChanged(*m);
  resultsChanged(p);
  return true;
}

bool setMeasurementForce(Program& p, int k, double force) {
  Measurement* m = currentRow(p, k);
  if (!m)
    return false;
  if (!std::isfinite(force) || force < 0) {
    inputError(p, p.lang.pick(badForceText));
    return false;
  }
  if (force == m->force) // an editor closed without a change types nothing over
    return true;
  m->force = force;
  m->status = static_cast<std::int32_t>(MeasurementStatus::TypedOver);
  measCalcBondTension(m, p.data.model.bondTensionFactors());
  p.data.model.markChanged(*m);
  resultsChanged(p);
  return true;
}

bool setMeasurementArea(Program& p, int k, double area) {
  Measurement* m = currentRow(p, k);
  if (!m)
    return false;
  if (!std::isfinite(area) || area <= 0) {
    inputError(p, p.lang.pick(badNumberText));
    return false;
  }
  m->area = area;
  measCalcBondTension(m, p.data.model.bondTensionFactors());
  p.data.model.markChanged(*m);
  resultsChanged(p);
  return true;
}

StorageStatistics currentStatistics(Program& p) {
  StorageStatistics out;
  StorageCondition* storage = p.data.model.currentStorage();
  if (!storage)
    return out;
  calcStorageStatistics(storage, p.data.model.bondTensionFactors());
  out.statCount = storage->statCount;
  out.mean = storage->mean;
  out.sa = storage->sa;
  out.vb = storage->vb;
  out.minimum = storage->minimum;
  out.maximum = storage->maximum;
  return out;
}

std::string tableWindowTitle(const Program& p, const TextPair& ownName) {
  return std::string(p.texts[GeneralText::ProgramTitle]) + " - " + p.lang.pick(ownName) + "  ";
}

} // namespace zv
