#include "core/zv_dataset.hpp"

#include <algorithm>
#include <climits>
#include <cmath>
#include <new>
#include <utility>

#include "platform/zv_latin1.hpp"

namespace zv {

namespace {

constexpr TextPair StatusTexts[] = {
    {"Invalid", "Ungültig"_l1},
    {"Typed Over", "Überschrieben"_l1},
    {"New Measuring", "Neue Messung"},
    {"Trigger", "Trigger"},
    {"Pull-Off", "Abriss"},
    {"Measuring Valid", "Messung gültig"_l1},
};

constexpr TextPair MaxSamplesText{"Maximum Sample number already available",
                                  "Maximale Probenzahl bereits vorhanden"};
constexpr TextPair MaxStoragesText{"Maximum Storage number already available",
                                   "Maximale Lagerungsanzahl bereits vorhanden"};
constexpr TextPair MaxMeasurementsText{"Maximum Measurings number already available",
                                       "Maximale Anzahl Messungen bereits vorhanden"};
constexpr TextPair SampleFailText{"Sample cannot be created", "Probe kann nicht angelegt werden"};
constexpr TextPair StorageFailText{"Storage cannot be created",
                                   "Lagerung kann nicht angelegt werden"};
constexpr TextPair MeasurementFailText{"Measuring cannot be created",
                                       "Messung kann nicht angelegt werden"};
constexpr TextPair OneSampleText{"Data set consists of at least one Sample",
                                 "Datensatz besteht aus mindestens einer Probe"};
constexpr TextPair OneStorageText{"Data set consists of at least one Storage",
                                  "Datensatz besteht aus mindestens einer Lagerung"};
constexpr TextPair OneMeasurementText{"Data set consists of at least one Measuring",
                                      "Datensatz besteht aus mindestens einer Messung"};

constexpr const char* NewDataSetTitle = "[N/mm2]";

int sizeOf(const auto& v) {
  return static_cast<int>(v.size());
}

// A generated name: prefix and the 1-based number, cut to the field.
std::string numberedName(const std::string& prefix, int index, std::size_t fieldSize) {
  return cutToField(prefix + std::to_string(index + 1), fieldSize);
}

void clampIndex(std::int32_t& current, int count) {
  if (current >= count)
    current = count - 1;
}

} // namespace

const TextPair& measurementStatusTexts(std::int32_t status) {
  if (status < 1 || status > MeasurementStatusLast)
    status = 0;
  return StatusTexts[status];
}

DataSetModel::DataSetModel(Reporter& reporter, const Language& language)
    : reporter_(reporter), language_(language) {}

BondTensionFactors DataSetModel::bondTensionFactors() const {
  return bondSource_ ? bondSource_->bondTensionFactors() : BondTensionFactors{};
}

void DataSetModel::initDefaults() {
  if (auto v = lists_->activePistons().valueAt(0))
    defaults_.defaultRange = *v;
  if (auto v = lists_->activeSpeeds().valueAt(0))
    defaults_.defaultSpeed = *v;
  if (auto v = lists_->activeAreas().valueAt(0))
    defaults_.defaultArea = *v;
  totals_ = {};
}

void DataSetModel::logMessage(const TextPair& text, int code) {
  reporter_.reportMessage(report::LogOnly, report::KindNoPopup, "", language_.pick(text), code);
}

void DataSetModel::bump(std::uint32_t& backupChanges, std::uint32_t& saveChanges) {
  ++backupChanges;
  ++saveChanges;
  ++totals_.totalBackupChanges;
  ++totals_.totalSaveChanges;
}

// ---- creation -------------------------------------------------------------------------------

int DataSetModel::createDataSet() {
  DataSet d;
  try {
    d.title = NewDataSetTitle;
    d.identNumber = cutToField(defaults_.identNumber, DataSet::IdentSize);
    d.identName = cutToField(defaults_.identName, DataSet::IdentSize);
  } catch (const std::bad_alloc&) {
    return ModelCannotCreateDataSet;
  }
  d.defaultRange = defaults_.defaultRange;
  d.defaultSpeed = defaults_.defaultSpeed;
  d.defaultArea = defaults_.defaultArea;
  dataSet_ = std::move(d);
  bump(dataSet_->backupChanges, dataSet_->saveChanges);
  if (backup_)
    backup_->headerCreated(*dataSet_);
  return 0;
}

int DataSetModel::deleteDataSet() {
  if (!dataSet_)
    return 0;
  bump(dataSet_->backupChanges, dataSet_->saveChanges);
  dataSet_.reset();
  return 0;
}

Sample DataSetModel::makeSample(int index) {
  Sample s;
  s.index = index;
  s.name = numberedName(defaults_.samplePrefix, index, Sample::NameSize);
  bump(s.backupChanges, s.saveChanges);
  return s;
}

StorageCondition DataSetModel::makeStorage(int sampleIndex, int storageIndex) {
  StorageCondition t;
  t.sampleIndex = sampleIndex;
  t.storageIndex = storageIndex;
  t.range = dataSet_->defaultRange;
  t.speed = dataSet_->defaultSpeed;
  t.area = dataSet_->defaultArea;
  t.name = numberedName(defaults_.storagePrefix, storageIndex, StorageCondition::NameSize);
  // The field keeps its terminating NUL: at most 19 bytes, however long the default is.
  t.evaluation = cutToField(defaults_.evaluation, StorageCondition::EvaluationSize);
  bump(t.backupChanges, t.saveChanges);
  return t;
}

// The new measurements are made in place: a large data set's load makes a million of them.
void DataSetModel::growSeries(StorageCondition& owner, int size) {
  auto& series = owner.measurements;
  const int old = sizeOf(series);
  series.resize(static_cast<std::size_t>(size));
  const double tension = bondTensionOf(0.0, owner.area, bondTensionFactors());
  for (int k = old; k < size; ++k) {
    Measurement& m = series[static_cast<std::size_t>(k)];
    m.sampleIndex = owner.sampleIndex;
    m.storageIndex = owner.storageIndex;
    m.measurementIndex = k;
    m.range = owner.range;
    m.area = owner.area;
    m.speed = owner.speed;
    m.bondTension = tension;
    bump(m.backupChanges, m.saveChanges);
  }
}

void DataSetModel::growSample(Sample& sample, int sampleIndex, int width,
                              bool& failedOnMeasurement) {
  sample.storages.reserve(static_cast<std::size_t>(std::max(width, 0)));
  for (int j = sizeOf(sample.storages); j < width; ++j) {
    failedOnMeasurement = false;
    StorageCondition t = makeStorage(sampleIndex, j);
    failedOnMeasurement = true;
    growSeries(t, 1);
    sample.storages.push_back(std::move(t));
  }
}

void DataSetModel::notifyNewStorages(Sample& sample, std::size_t from) {
  if (!backup_)
    return;
  for (std::size_t j = from; j < sample.storages.size(); ++j) {
    StorageCondition& t = sample.storages[j];
    backup_->storageCreated(t);
    for (auto& m : t.measurements)
      backup_->measurementCreated(m);
  }
}

// Growth is built completely before anything is published: when memory runs out part-way the
// records of this call are dropped again, so the grid is never left ragged and the journal
// never hears of a record that does not exist.
int DataSetModel::addSamples(int n) {
  if (!dataSet_)
    return ModelNoDataSet;
  auto& samples = dataSet_->samples;
  const int old = sizeOf(samples);
  const bool limited = n > old && n > limits_.maxSamples;
  const int target = limited ? std::max(old, limits_.maxSamples) : n;
  if (target > old) {
    // New samples take the width of the grid (sample 0's); the very first sample has none.
    const int width = old > 0 ? sizeOf(samples.front().storages) : 0;
    bool samplesDone = false;
    bool failedOnMeasurement = false;
    try {
      samples.reserve(static_cast<std::size_t>(target));
      for (int i = old; i < target; ++i)
        samples.push_back(makeSample(i));
      samplesDone = true;
      for (int i = old; i < target; ++i)
        growSample(samples[static_cast<std::size_t>(i)], i, width, failedOnMeasurement);
    } catch (const std::bad_alloc&) {
      samples.erase(samples.begin() + old, samples.end());
      logMessage(!samplesDone          ? SampleFailText
                 : failedOnMeasurement ? MeasurementFailText
                                       : StorageFailText,
                 ModelCannotCreate);
      return ModelCannotCreate;
    }
    if (backup_) {
      for (int i = old; i < target; ++i)
        backup_->sampleCreated(samples[static_cast<std::size_t>(i)]);
      for (int i = old; i < target; ++i)
        notifyNewStorages(samples[static_cast<std::size_t>(i)], 0);
    }
  }
  if (limited) {
    logMessage(MaxSamplesText, ModelLimitReached);
    return ModelLimitReached;
  }
  return 0;
}

int DataSetModel::addStorages(int n) {
  if (!dataSet_)
    return ModelNoDataSet;
  auto& samples = dataSet_->samples;
  if (samples.empty())
    return 0;
  const int old = sizeOf(samples.front().storages);
  const bool limited = n > old && n > limits_.maxStorages;
  const int target = limited ? std::max(old, limits_.maxStorages) : n;
  // Every sample grows from its own count to the same width, the limit included.
  std::vector<std::size_t> before;
  bool failedOnMeasurement = false;
  try {
    before.reserve(samples.size());
    for (const auto& s : samples)
      before.push_back(s.storages.size());
    for (std::size_t i = 0; i < samples.size(); ++i)
      growSample(samples[i], static_cast<int>(i), target, failedOnMeasurement);
  } catch (const std::bad_alloc&) {
    for (std::size_t i = 0; i < before.size(); ++i)
      samples[i].storages.erase(samples[i].storages.begin() + static_cast<long>(before[i]),
                                samples[i].storages.end());
    logMessage(failedOnMeasurement ? MeasurementFailText : StorageFailText, ModelCannotCreate);
    return ModelCannotCreate;
  }
  for (std::size_t i = 0; i < samples.size(); ++i)
    notifyNewStorages(samples[i], before[i]);
  if (limited) {
    logMessage(MaxStoragesText, ModelLimitReached);
    return ModelLimitReached;
  }
  return 0;
}

int DataSetModel::addMeasurements(int sampleIndex, int storageIndex, int n) {
  StorageCondition* t = storageAt(sampleIndex, storageIndex);
  if (!t)
    return ModelNoStorage;
  auto& series = t->measurements;
  const int old = sizeOf(series);
  const bool limited = n > old && n > limits_.maxMeasurements;
  const int target = limited ? std::max(old, limits_.maxMeasurements) : n;
  if (target > old) {
    try {
      growSeries(*t, target);
    } catch (const std::bad_alloc&) {
      series.erase(series.begin() + old, series.end());
      logMessage(MeasurementFailText, ModelCannotCreate);
      return ModelCannotCreate;
    }
    if (backup_)
      for (int k = old; k < target; ++k)
        backup_->measurementCreated(series[static_cast<std::size_t>(k)]);
  }
  if (limited) {
    logMessage(MaxMeasurementsText, ModelMeasurementLimit);
    return ModelMeasurementLimit;
  }
  return 0;
}

// ---- deletion -------------------------------------------------------------------------------
// The journal hears of a deletion only when it really happens: a refused deletion written to
// it would be replayed after a crash.

int DataSetModel::deleteSample(const Selection& selection) {
  if (!dataSet_)
    return ModelNoDataSet;
  auto& samples = dataSet_->samples;
  if (samples.size() <= 1) {
    logMessage(OneSampleText, ModelRefused);
    return ModelRefused;
  }
  if (selection.sample < 0 || selection.sample >= sizeOf(samples))
    return ModelNoSuchRecord;
  auto it = samples.begin() + selection.sample;
  bump(it->backupChanges, it->saveChanges);
  if (backup_)
    backup_->sampleDeleted(selection);
  samples.erase(it);
  clampCurrentSample();
  return 0;
}

int DataSetModel::deleteStorage(const Selection& selection) {
  if (!dataSet_)
    return ModelNoDataSet;
  const int count = storageCount();
  if (count <= 1) {
    logMessage(OneStorageText, ModelRefused);
    return ModelRefused;
  }
  if (selection.storage < 0 || selection.storage >= count)
    return ModelNoSuchRecord;
  StorageCondition& first =
      dataSet_->samples.front().storages[static_cast<std::size_t>(selection.storage)];
  bump(first.backupChanges, first.saveChanges);
  if (backup_)
    backup_->storageDeleted(selection);
  for (auto& s : dataSet_->samples)
    if (selection.storage < sizeOf(s.storages))
      s.storages.erase(s.storages.begin() + selection.storage);
  clampCurrentStorage();
  return 0;
}

int DataSetModel::deleteMeasurement(const Selection& selection) {
  StorageCondition* t = storageAt(selection.sample, selection.storage);
  if (!t)
    return ModelNoStorage;
  auto& series = t->measurements;
  if (series.size() <= 1) {
    logMessage(OneMeasurementText, ModelMeasurementLimit);
    return ModelMeasurementLimit;
  }
  if (selection.measurement < 0 || selection.measurement >= sizeOf(series))
    return ModelNoSuchRecord;
  auto it = series.begin() + selection.measurement;
  bump(it->backupChanges, it->saveChanges);
  if (backup_)
    backup_->measurementDeleted(selection);
  series.erase(it); // frees its points
  clampCurrentMeasurement(selection.sample, selection.storage);
  return 0;
}

// ---- renumbering ----------------------------------------------------------------------------

int DataSetModel::renumber(Changes changes, Series series) {
  if (!dataSet_)
    return ModelNoDataSet;
  DataSet& d = *dataSet_;
  const bool clear = changes == Changes::Clear;
  if (clear) {
    totals_ = {};
    d.backupChanges = d.saveChanges = 0;
  }
  clampCurrentSample();
  clampCurrentStorage();
  d.sampleCount = sampleCount();
  d.storageCount = storageCount();
  d.measurementTotal = 0;
  d.nonFiniteTotal = 0;
  const PistonList& pistons = lists_->activePistons();
  const SpeedList& speeds = lists_->activeSpeeds();
  const AreaList& areas = lists_->activeAreas();
  for (int s = 0; s < sizeOf(d.samples); ++s) {
    Sample& sample = d.samples[static_cast<std::size_t>(s)];
    sample.index = s;
    if (clear)
      sample.backupChanges = sample.saveChanges = 0;
    for (int t = 0; t < sizeOf(sample.storages); ++t) {
      StorageCondition& storage = sample.storages[static_cast<std::size_t>(t)];
      if (clear)
        storage.backupChanges = storage.saveChanges = 0;
      pistons.validate(storage.range);
      speeds.validate(storage.speed);
      areas.validate(storage.area);
      // After the walk the selection lies below the smallest series of the grid.
      clampIndex(d.currentMeasurement, sizeOf(storage.measurements));
      if (series == Series::Renumber)
        renumberMeasurements(storage, s, t, clear);
      d.measurementTotal += sizeOf(storage.measurements);
      d.nonFiniteTotal += storage.nonFiniteCount;
    }
  }
  return 0;
}

int DataSetModel::renumberSeries(int sampleIndex, int storageIndex, Changes changes) {
  StorageCondition* storage = storageAt(sampleIndex, storageIndex);
  if (!storage)
    return ModelNoStorage;
  renumberMeasurements(*storage, sampleIndex, storageIndex, changes == Changes::Clear);
  return 0;
}

void DataSetModel::renumberMeasurements(StorageCondition& storage, int s, int t, bool clear) {
  storage.sampleIndex = s;
  storage.storageIndex = t;
  storage.nonFiniteCount = 0;
  for (int m = 0; m < sizeOf(storage.measurements); ++m) {
    Measurement& meas = storage.measurements[static_cast<std::size_t>(m)];
    meas.sampleIndex = s;
    meas.storageIndex = t;
    meas.measurementIndex = m;
    // The rate belongs to the recorded curve; only a value no curve can have is mended.
    if (meas.curveRate < 1)
      meas.curveRate = 1;
    meas.status = std::clamp(meas.status, std::int32_t{0}, MeasurementStatusLast);
    meas.inStatistics = std::clamp(meas.inStatistics, std::int32_t{0}, std::int32_t{1});
    if (!std::isfinite(meas.force) || !std::isfinite(meas.area))
      ++storage.nonFiniteCount;
    if (clear)
      meas.backupChanges = meas.saveChanges = 0;
  }
}

// ---- counting and lookups -------------------------------------------------------------------

int DataSetModel::sampleCount() const {
  return dataSet_ ? sizeOf(dataSet_->samples) : 0;
}

int DataSetModel::storageCount() const {
  const Sample* first = sampleAt(0);
  return first ? sizeOf(first->storages) : 0;
}

int DataSetModel::measurementCount(int sampleIndex, int storageIndex) const {
  const StorageCondition* t = storageAt(sampleIndex, storageIndex);
  return t ? sizeOf(t->measurements) : 0;
}

int DataSetModel::currentMeasurementCount() const {
  if (!dataSet_)
    return 0;
  return measurementCount(dataSet_->currentSample, dataSet_->currentStorage);
}

const Sample* DataSetModel::sampleAt(int sampleIndex) const {
  if (!dataSet_ || sampleIndex < 0 || sampleIndex >= sizeOf(dataSet_->samples))
    return nullptr;
  return &dataSet_->samples[static_cast<std::size_t>(sampleIndex)];
}

Sample* DataSetModel::sampleAt(int sampleIndex) {
  return const_cast<Sample*>(std::as_const(*this).sampleAt(sampleIndex));
}

const StorageCondition* DataSetModel::storageAt(int sampleIndex, int storageIndex) const {
  const Sample* s = sampleAt(sampleIndex);
  if (!s || storageIndex < 0 || storageIndex >= sizeOf(s->storages))
    return nullptr;
  return &s->storages[static_cast<std::size_t>(storageIndex)];
}

StorageCondition* DataSetModel::storageAt(int sampleIndex, int storageIndex) {
  return const_cast<StorageCondition*>(std::as_const(*this).storageAt(sampleIndex, storageIndex));
}

const Measurement* DataSetModel::measurementAt(int sampleIndex, int storageIndex,
                                               int measurementIndex) const {
  const StorageCondition* t = storageAt(sampleIndex, storageIndex);
  if (!t || measurementIndex < 0 || measurementIndex >= sizeOf(t->measurements))
    return nullptr;
  return &t->measurements[static_cast<std::size_t>(measurementIndex)];
}

Measurement* DataSetModel::measurementAt(int sampleIndex, int storageIndex, int measurementIndex) {
  return const_cast<Measurement*>(
      std::as_const(*this).measurementAt(sampleIndex, storageIndex, measurementIndex));
}

Sample* DataSetModel::currentSample() {
  return dataSet_ ? sampleAt(dataSet_->currentSample) : nullptr;
}

StorageCondition* DataSetModel::currentStorage() {
  return dataSet_ ? storageAt(dataSet_->currentSample, dataSet_->currentStorage) : nullptr;
}

Measurement* DataSetModel::currentMeasurement() {
  return dataSet_ ? measurementAt(dataSet_->currentSample, dataSet_->currentStorage,
                                  dataSet_->currentMeasurement)
                  : nullptr;
}

void DataSetModel::clampCurrentSample() {
  if (dataSet_)
    clampIndex(dataSet_->currentSample, sampleCount());
}

void DataSetModel::clampCurrentStorage() {
  if (dataSet_)
    clampIndex(dataSet_->currentStorage, storageCount());
}

void DataSetModel::clampCurrentMeasurement(int sampleIndex, int storageIndex) {
  if (dataSet_)
    clampIndex(dataSet_->currentMeasurement, measurementCount(sampleIndex, storageIndex));
}

// ---- change counters ------------------------------------------------------------------------

void DataSetModel::markChanged(DataSet& record) {
  bump(record.backupChanges, record.saveChanges);
  if (backup_)
    backup_->recordChanged(RecordKind::Header, {});
}

void DataSetModel::markChanged(Sample& record) {
  bump(record.backupChanges, record.saveChanges);
  if (backup_)
    backup_->recordChanged(RecordKind::Sample, {record.index, 0, 0});
}

void DataSetModel::markChanged(StorageCondition& record) {
  bump(record.backupChanges, record.saveChanges);
  if (backup_)
    backup_->recordChanged(RecordKind::Storage, {record.sampleIndex, record.storageIndex, 0});
}

void DataSetModel::markChanged(Measurement& record) {
  bump(record.backupChanges, record.saveChanges);
  if (backup_)
    backup_->recordChanged(RecordKind::Measurement,
                           {record.sampleIndex, record.storageIndex, record.measurementIndex});
}

void DataSetModel::markTotalsChanged() {
  ++totals_.totalBackupChanges;
  ++totals_.totalSaveChanges;
}

void DataSetModel::resetChanges() {
  totals_ = {};
  if (!dataSet_)
    return;
  dataSet_->backupChanges = dataSet_->saveChanges = 0;
  for (auto& s : dataSet_->samples) {
    s.backupChanges = s.saveChanges = 0;
    for (auto& t : s.storages) {
      t.backupChanges = t.saveChanges = 0;
      for (auto& m : t.measurements)
        m.backupChanges = m.saveChanges = 0;
    }
  }
}

// ---- graph positions, names, points ---------------------------------------------------------

void DataSetModel::resetGraphPositions() {
  if (!dataSet_)
    return;
  for (auto& s : dataSet_->samples)
    for (auto& t : s.storages)
      for (auto& m : t.measurements)
        m.graphFilePos = -1;
}

namespace {
template <class Records>
int findName(const Records& records, std::string_view name, int ownIndex, std::size_t fieldSize) {
  const std::string key = cutToField(name, fieldSize);
  for (int i = 0; i < sizeOf(records); ++i)
    if (records[static_cast<std::size_t>(i)].name == key)
      return i == ownIndex ? -1 : i + 1;
  return 0;
}
} // namespace

int DataSetModel::findSampleName(std::string_view name, int ownIndex) const {
  if (!dataSet_)
    return 0;
  return findName(dataSet_->samples, name, ownIndex, Sample::NameSize);
}

int DataSetModel::findStorageName(std::string_view name, int sampleIndex, int ownIndex) const {
  const Sample* s = sampleAt(sampleIndex);
  return s ? findName(s->storages, name, ownIndex, StorageCondition::NameSize) : 0;
}

int allocPoints(Measurement& measurement, int n) {
  std::vector<double>().swap(measurement.points);
  if (n < 1)
    return 0;
  if (n > INT_MAX / static_cast<int>(sizeof(double)))
    return ModelOutOfMemory; // the byte size would not fit the result
  try {
    measurement.points.assign(static_cast<std::size_t>(n), 0.0);
  } catch (const std::bad_alloc&) {
    return ModelOutOfMemory;
  }
  measurement.pointCount = n;
  return n * static_cast<int>(sizeof(double));
}

void freePoints(Measurement& measurement) {
  std::vector<double>().swap(measurement.points);
  measurement.pointCount = 0;
}

} // namespace zv
