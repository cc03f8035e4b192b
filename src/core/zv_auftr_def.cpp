#include "core/zv_auftr_def.hpp"

#include <algorithm>
#include <climits>
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

AuftrModel::AuftrModel(Reporter& reporter, const Language& language)
    : reporter_(reporter), language_(language) {}

BondTensionFactors AuftrModel::bondTensionFactors() const {
  return bondSource_ ? bondSource_->bondTensionFactors() : BondTensionFactors{};
}

void AuftrModel::auftrInitDefaults() {
  if (auto v = lists_->activePistons().valueAt(0))
    defaults_.defaultRange = *v;
  if (auto v = lists_->activeSpeeds().valueAt(0))
    defaults_.defaultSpeed = *v;
  if (auto v = lists_->activeAreas().valueAt(0))
    defaults_.defaultArea = *v;
  totals_ = {};
}

void AuftrModel::logMessage(const TextPair& text, int code) {
  reporter_.reportMessage(report::LogOnly, report::KindNoPopup, "", language_.pick(text), code);
}

void AuftrModel::bump(std::uint32_t& backupChanges, std::uint32_t& saveChanges) {
  ++backupChanges;
  ++saveChanges;
  ++totals_.totalBackupChanges;
  ++totals_.totalSaveChanges;
}

// ---- creation -------------------------------------------------------------------------------

int AuftrModel::auftrCreate() {
  DataSet d;
  try {
    d.title = NewDataSetTitle;
    d.identNumber = cutToField(defaults_.identNumber, DataSet::IdentSize);
    d.identName = cutToField(defaults_.identName, DataSet::IdentSize);
  } catch (const std::bad_alloc&) {
    return AuftrCannotCreateDataSet;
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

int AuftrModel::auftrDelete() {
  if (!dataSet_)
    return 0;
  bump(dataSet_->backupChanges, dataSet_->saveChanges);
  dataSet_.reset();
  return 0;
}

Sample AuftrModel::makeSample(int index) {
  Sample s;
  s.index = index;
  s.name = numberedName(defaults_.samplePrefix, index, Sample::NameSize);
  bump(s.backupChanges, s.saveChanges);
  return s;
}

Storage AuftrModel::makeStorage(int sampleIndex, int storageIndex) {
  Storage t;
  t.sampleIndex = sampleIndex;
  t.storageIndex = storageIndex;
  t.range = dataSet_->defaultRange;
  t.speed = dataSet_->defaultSpeed;
  t.area = dataSet_->defaultArea;
  t.name = numberedName(defaults_.storagePrefix, storageIndex, Storage::NameSize);
  // The field keeps its terminating NUL: at most 19 bytes, however long the default is.
  t.evaluation = cutToField(defaults_.evaluation, Storage::EvaluationSize);
  bump(t.backupChanges, t.saveChanges);
  return t;
}

Measurement AuftrModel::makeMeasurement(const Storage& owner, int measurementIndex) {
  Measurement m;
  m.sampleIndex = owner.sampleIndex;
  m.storageIndex = owner.storageIndex;
  m.measurementIndex = measurementIndex;
  m.range = owner.range;
  m.area = owner.area;
  m.speed = owner.speed;
  m.bondTension = bondTensionOf(m.force, m.area, bondTensionFactors());
  bump(m.backupChanges, m.saveChanges);
  return m;
}

void AuftrModel::growSample(Sample& sample, int sampleIndex, int width, bool& failedOnMeasurement) {
  sample.storages.reserve(static_cast<std::size_t>(std::max(width, 0)));
  for (int j = sizeOf(sample.storages); j < width; ++j) {
    failedOnMeasurement = false;
    Storage t = makeStorage(sampleIndex, j);
    failedOnMeasurement = true;
    t.measurements.push_back(makeMeasurement(t, 0));
    sample.storages.push_back(std::move(t));
  }
}

void AuftrModel::notifyNewStorages(Sample& sample, std::size_t from) {
  if (!backup_)
    return;
  for (std::size_t j = from; j < sample.storages.size(); ++j) {
    Storage& t = sample.storages[j];
    backup_->storageCreated(t);
    for (auto& m : t.measurements)
      backup_->measurementCreated(m);
  }
}

// Growth is built completely before anything is published: when memory runs out part-way the
// records of this call are dropped again, so the grid is never left ragged and the journal
// never hears of a record that does not exist.
int AuftrModel::auftrAddSamples(int n) {
  if (!dataSet_)
    return AuftrNoDataSet;
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
                 AuftrCannotCreate);
      return AuftrCannotCreate;
    }
    if (backup_) {
      for (int i = old; i < target; ++i)
        backup_->sampleCreated(samples[static_cast<std::size_t>(i)]);
      for (int i = old; i < target; ++i)
        notifyNewStorages(samples[static_cast<std::size_t>(i)], 0);
    }
  }
  if (limited) {
    logMessage(MaxSamplesText, AuftrLimitReached);
    return AuftrLimitReached;
  }
  return 0;
}

int AuftrModel::auftrAddStorages(int n) {
  if (!dataSet_)
    return AuftrNoDataSet;
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
    logMessage(failedOnMeasurement ? MeasurementFailText : StorageFailText, AuftrCannotCreate);
    return AuftrCannotCreate;
  }
  for (std::size_t i = 0; i < samples.size(); ++i)
    notifyNewStorages(samples[i], before[i]);
  if (limited) {
    logMessage(MaxStoragesText, AuftrLimitReached);
    return AuftrLimitReached;
  }
  return 0;
}

int AuftrModel::auftrAddMeasurements(int sampleIndex, int storageIndex, int n) {
  Storage* t = auftrStorage(sampleIndex, storageIndex);
  if (!t)
    return AuftrNoStorage;
  auto& series = t->measurements;
  const int old = sizeOf(series);
  const bool limited = n > old && n > limits_.maxMeasurements;
  const int target = limited ? std::max(old, limits_.maxMeasurements) : n;
  if (target > old) {
    try {
      series.reserve(static_cast<std::size_t>(target));
      for (int k = old; k < target; ++k)
        series.push_back(makeMeasurement(*t, k));
    } catch (const std::bad_alloc&) {
      series.erase(series.begin() + old, series.end());
      logMessage(MeasurementFailText, AuftrCannotCreate);
      return AuftrCannotCreate;
    }
    if (backup_)
      for (int k = old; k < target; ++k)
        backup_->measurementCreated(series[static_cast<std::size_t>(k)]);
  }
  if (limited) {
    logMessage(MaxMeasurementsText, AuftrMeasurementLimit);
    return AuftrMeasurementLimit;
  }
  return 0;
}

// ---- deletion -------------------------------------------------------------------------------
// The journal hears of a deletion only when it really happens: a refused deletion written to
// it would be replayed after a crash.

int AuftrModel::auftrDeleteSample(const Selection& selection) {
  if (!dataSet_)
    return AuftrNoDataSet;
  auto& samples = dataSet_->samples;
  if (samples.size() <= 1) {
    logMessage(OneSampleText, AuftrRefused);
    return AuftrRefused;
  }
  if (selection.sample < 0 || selection.sample >= sizeOf(samples))
    return AuftrNoSuchRecord;
  auto it = samples.begin() + selection.sample;
  bump(it->backupChanges, it->saveChanges);
  if (backup_)
    backup_->sampleDeleted(selection);
  samples.erase(it);
  clampCurrentSample();
  return 0;
}

int AuftrModel::auftrDeleteStorage(const Selection& selection) {
  if (!dataSet_)
    return AuftrNoDataSet;
  const int count = auftrStorageCount();
  if (count <= 1) {
    logMessage(OneStorageText, AuftrRefused);
    return AuftrRefused;
  }
  if (selection.storage < 0 || selection.storage >= count)
    return AuftrNoSuchRecord;
  Storage& first = dataSet_->samples.front().storages[static_cast<std::size_t>(selection.storage)];
  bump(first.backupChanges, first.saveChanges);
  if (backup_)
    backup_->storageDeleted(selection);
  for (auto& s : dataSet_->samples)
    if (selection.storage < sizeOf(s.storages))
      s.storages.erase(s.storages.begin() + selection.storage);
  clampCurrentStorage();
  return 0;
}

int AuftrModel::auftrDeleteMeasurement(const Selection& selection) {
  Storage* t = auftrStorage(selection.sample, selection.storage);
  if (!t)
    return AuftrNoStorage;
  auto& series = t->measurements;
  if (series.size() <= 1) {
    logMessage(OneMeasurementText, AuftrMeasurementLimit);
    return AuftrMeasurementLimit;
  }
  if (selection.measurement < 0 || selection.measurement >= sizeOf(series))
    return AuftrNoSuchRecord;
  auto it = series.begin() + selection.measurement;
  bump(it->backupChanges, it->saveChanges);
  if (backup_)
    backup_->measurementDeleted(selection);
  series.erase(it); // frees its points
  clampCurrentMeasurement(selection.sample, selection.storage);
  return 0;
}

// ---- renumbering ----------------------------------------------------------------------------

int AuftrModel::auftrRenumber() {
  if (!dataSet_)
    return AuftrNoDataSet;
  DataSet& d = *dataSet_;
  clampCurrentSample();
  clampCurrentStorage();
  d.sampleCount = auftrSampleCount();
  d.storageCount = auftrStorageCount();
  d.measurementTotal = 0;
  const PistonList& pistons = lists_->activePistons();
  const SpeedList& speeds = lists_->activeSpeeds();
  const AreaList& areas = lists_->activeAreas();
  for (int s = 0; s < sizeOf(d.samples); ++s) {
    Sample& sample = d.samples[static_cast<std::size_t>(s)];
    sample.index = s;
    for (int t = 0; t < sizeOf(sample.storages); ++t) {
      Storage& storage = sample.storages[static_cast<std::size_t>(t)];
      storage.sampleIndex = s;
      storage.storageIndex = t;
      pistons.validate(storage.range);
      speeds.validate(storage.speed);
      areas.validate(storage.area);
      // After the walk the selection lies below the smallest series of the grid.
      clampIndex(d.currentMeasurement, sizeOf(storage.measurements));
      d.measurementTotal += sizeOf(storage.measurements);
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
      }
    }
  }
  return 0;
}

// ---- counting and lookups -------------------------------------------------------------------

int AuftrModel::auftrSampleCount() const {
  return dataSet_ ? sizeOf(dataSet_->samples) : 0;
}

int AuftrModel::auftrStorageCount() const {
  const Sample* first = auftrSample(0);
  return first ? sizeOf(first->storages) : 0;
}

int AuftrModel::auftrMeasurementCount(int sampleIndex, int storageIndex) const {
  const Storage* t = auftrStorage(sampleIndex, storageIndex);
  return t ? sizeOf(t->measurements) : 0;
}

int AuftrModel::auftrCurrentMeasurementCount() const {
  if (!dataSet_)
    return 0;
  return auftrMeasurementCount(dataSet_->currentSample, dataSet_->currentStorage);
}

const Sample* AuftrModel::auftrSample(int sampleIndex) const {
  if (!dataSet_ || sampleIndex < 0 || sampleIndex >= sizeOf(dataSet_->samples))
    return nullptr;
  return &dataSet_->samples[static_cast<std::size_t>(sampleIndex)];
}

Sample* AuftrModel::auftrSample(int sampleIndex) {
  return const_cast<Sample*>(std::as_const(*this).auftrSample(sampleIndex));
}

const Storage* AuftrModel::auftrStorage(int sampleIndex, int storageIndex) const {
  const Sample* s = auftrSample(sampleIndex);
  if (!s || storageIndex < 0 || storageIndex >= sizeOf(s->storages))
    return nullptr;
  return &s->storages[static_cast<std::size_t>(storageIndex)];
}

Storage* AuftrModel::auftrStorage(int sampleIndex, int storageIndex) {
  return const_cast<Storage*>(std::as_const(*this).auftrStorage(sampleIndex, storageIndex));
}

const Measurement* AuftrModel::auftrMeasurement(int sampleIndex, int storageIndex,
                                                int measurementIndex) const {
  const Storage* t = auftrStorage(sampleIndex, storageIndex);
  if (!t || measurementIndex < 0 || measurementIndex >= sizeOf(t->measurements))
    return nullptr;
  return &t->measurements[static_cast<std::size_t>(measurementIndex)];
}

Measurement* AuftrModel::auftrMeasurement(int sampleIndex, int storageIndex, int measurementIndex) {
  return const_cast<Measurement*>(
      std::as_const(*this).auftrMeasurement(sampleIndex, storageIndex, measurementIndex));
}

Sample* AuftrModel::currentSample() {
  return dataSet_ ? auftrSample(dataSet_->currentSample) : nullptr;
}

Storage* AuftrModel::currentStorage() {
  return dataSet_ ? auftrStorage(dataSet_->currentSample, dataSet_->currentStorage) : nullptr;
}

Measurement* AuftrModel::currentMeasurement() {
  return dataSet_ ? auftrMeasurement(dataSet_->currentSample, dataSet_->currentStorage,
                                     dataSet_->currentMeasurement)
                  : nullptr;
}

void AuftrModel::clampCurrentSample() {
  if (dataSet_)
    clampIndex(dataSet_->currentSample, auftrSampleCount());
}

void AuftrModel::clampCurrentStorage() {
  if (dataSet_)
    clampIndex(dataSet_->currentStorage, auftrStorageCount());
}

void AuftrModel::clampCurrentMeasurement(int sampleIndex, int storageIndex) {
  if (dataSet_)
    clampIndex(dataSet_->currentMeasurement, auftrMeasurementCount(sampleIndex, storageIndex));
}

// ---- change counters ------------------------------------------------------------------------

void AuftrModel::auftrMarkChanged(DataSet& record) {
  bump(record.backupChanges, record.saveChanges);
  if (backup_)
    backup_->recordChanged(RecordKind::Header, {});
}

void AuftrModel::auftrMarkChanged(Sample& record) {
  bump(record.backupChanges, record.saveChanges);
  if (backup_)
    backup_->recordChanged(RecordKind::Sample, {record.index, 0, 0});
}

void AuftrModel::auftrMarkChanged(Storage& record) {
  bump(record.backupChanges, record.saveChanges);
  if (backup_)
    backup_->recordChanged(RecordKind::Storage, {record.sampleIndex, record.storageIndex, 0});
}

void AuftrModel::auftrMarkChanged(Measurement& record) {
  bump(record.backupChanges, record.saveChanges);
  if (backup_)
    backup_->recordChanged(RecordKind::Measurement,
                           {record.sampleIndex, record.storageIndex, record.measurementIndex});
}

void AuftrModel::auftrMarkTotalsChanged() {
  ++totals_.totalBackupChanges;
  ++totals_.totalSaveChanges;
}

void AuftrModel::auftrResetChanges() {
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

void AuftrModel::auftrResetGraphPositions() {
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

int AuftrModel::auftrFindSampleName(std::string_view name, int ownIndex) const {
  if (!dataSet_)
    return 0;
  return findName(dataSet_->samples, name, ownIndex, Sample::NameSize);
}

int AuftrModel::auftrFindStorageName(std::string_view name, int sampleIndex, int ownIndex) const {
  const Sample* s = auftrSample(sampleIndex);
  return s ? findName(s->storages, name, ownIndex, Storage::NameSize) : 0;
}

int auftrAllocPoints(Measurement& measurement, int n) {
  std::vector<double>().swap(measurement.points);
  if (n < 1)
    return 0;
  if (n > INT_MAX / static_cast<int>(sizeof(double)))
    return AuftrOutOfMemory; // the byte size would not fit the result
  try {
    measurement.points.assign(static_cast<std::size_t>(n), 0.0);
  } catch (const std::bad_alloc&) {
    return AuftrOutOfMemory;
  }
  measurement.pointCount = n;
  return n * static_cast<int>(sizeof(double));
}

void auftrFreePoints(Measurement& measurement) {
  std::vector<double>().swap(measurement.points);
  measurement.pointCount = 0;
}

} // namespace zv
