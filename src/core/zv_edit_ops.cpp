#include "core/zv_edit_ops.hpp"

#include <algorithm>

#include "platform/zv_latin1.hpp"

namespace zv {

NewDataSetInput newDataSetInputFrom(const DataSetDefaults& d) {
  NewDataSetInput in;
  in.identNumber = d.identNumber;
  in.identName = d.identName;
  in.sampleCount = d.newSampleCount;
  in.samplePrefix = d.samplePrefix;
  in.storageCount = d.newStorageCount;
  in.storagePrefix = d.storagePrefix;
  in.channel = d.channel;
  in.range = d.defaultRange;
  in.area = d.defaultArea;
  in.speed = d.defaultSpeed;
  return in;
}

void applyNewDataSetInput(DataSetDefaults& d, const DataSetLimits& limits,
                          const NewDataSetInput& in) {
  d.identNumber = cutToField(in.identNumber, DataSetDefaults::IdentSize);
  d.identName = cutToField(in.identName, DataSetDefaults::IdentSize);
  d.newSampleCount = std::clamp(in.sampleCount, 1, limits.maxSamples);
  d.samplePrefix = cutToField(in.samplePrefix, DataSetDefaults::PrefixSize);
  d.newStorageCount = std::clamp(in.storageCount, 1, limits.maxStorages);
  d.storagePrefix = cutToField(in.storagePrefix, DataSetDefaults::PrefixSize);
  d.channel = std::clamp(in.channel, 0, 1);
  d.defaultSpeed = in.speed;
  d.defaultArea = in.area;
  d.defaultRange = in.range;
}

int buildNewDataSet(DataSetModel& model, Reporter& reporter, const Language& lang) {
  auto failed = [&](const TextPair& text, int code) {
    return reporter.reportMessage(report::LogOnly, report::KindNoPopup, "", lang.pick(text), code);
  };
  if (model.createDataSet() != 0)
    return failed(edit_texts::CannotCreate, -1);
  if (model.addSamples(model.defaults().newSampleCount) != 0)
    return failed(edit_texts::SampleFailed, -2);
  if (model.addStorages(model.defaults().newStorageCount) != 0)
    return failed(edit_texts::StorageFailed, -3);
  model.renumber();
  return 0;
}

int addRecord(DataSetModel& model, AddKind kind) {
  int r = 0;
  switch (kind) {
  case AddKind::Sample:
    r = model.addSamples(model.sampleCount() + 1);
    break;
  case AddKind::Storage:
    r = model.addStorages(model.storageCount() + 1);
    break;
  case AddKind::Measurement: {
    const DataSet* d = model.dataSet();
    if (!d)
      return 1;
    r = model.addMeasurements(d->currentSample, d->currentStorage,
                              model.currentMeasurementCount() + 1);
    break;
  }
  }
  if (r == 0)
    model.renumber();
  return r;
}

bool canDelete(const DataSetModel& model, DeleteMode mode) {
  switch (mode) {
  case DeleteMode::Sample:
    return model.sampleCount() >= 2;
  case DeleteMode::Storage:
    return model.storageCount() >= 2;
  case DeleteMode::Measurement:
    return model.currentMeasurementCount() >= 2;
  }
  return false;
}

int deleteCurrent(DataSetModel& model, DeleteMode mode) {
  if (!model.dataSet())
    return ModelNoDataSet;
  int r = ModelNoSuchRecord;
  switch (mode) {
  case DeleteMode::Measurement:
    if (const Measurement* m = model.currentMeasurement())
      r = model.deleteMeasurement({m->sampleIndex, m->storageIndex, m->measurementIndex});
    break;
  case DeleteMode::Storage:
    if (const StorageCondition* t = model.currentStorage())
      r = model.deleteStorage({t->sampleIndex, t->storageIndex, 0});
    break;
  case DeleteMode::Sample:
    if (const Sample* s = model.currentSample())
      r = model.deleteSample({s->index, 0, 0});
    break;
  }
  // The records behind the deleted one move up; their index fields must follow before
  // anything names records by them (files, backup, tables).
  model.renumber();
  model.markTotalsChanged();
  return r;
}

int copyStorageParameters(DataSetModel& model, CopyTarget target) {
  DataSet* d = model.dataSet();
  const StorageCondition* source = model.currentStorage();
  if (!d || !source)
    return -1;
  DataSetDefaults& defaults = model.defaults();
  defaults.defaultRange = source->range;
  defaults.defaultArea = source->area;
  defaults.defaultSpeed = source->speed;

  auto copyTo = [&](int s, int t) {
    StorageCondition* dest = model.storageAt(s, t);
    if (!dest)
      return false;
    dest->range = defaults.defaultRange;
    dest->area = defaults.defaultArea;
    dest->speed = defaults.defaultSpeed;
    model.markChanged(*dest);
    return true;
  };
  const int samples = model.sampleCount();
  const int storages = model.storageCount();
  switch (target) {
  case CopyTarget::FollowingStorages:
    for (int t = d->currentStorage; t < storages; ++t)
      if (!copyTo(d->currentSample, t))
        return 0;
    break;
  case CopyTarget::FollowingSamples:
    for (int s = d->currentSample; s < samples; ++s)
      if (!copyTo(s, d->currentStorage))
        return 0;
    break;
  case CopyTarget::All:
    for (int s = 0; s < samples; ++s)
      for (int t = 0; t < storages; ++t)
        if (!copyTo(s, t))
          return 0;
    break;
  }
  return 0;
}

} // namespace zv
