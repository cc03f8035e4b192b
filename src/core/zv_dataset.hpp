#pragma once
// The order data set in memory: a grid of samples (rows) by storages (columns), each cell a
// StorageCondition with its series of measurements, plus the defaults for new data sets, the
// limits, the change counters and every operation that builds, grows, shrinks and renumbers the
// grid.
//
// The program owns one DataSetModel. It holds at most one DataSet; records are kept by value in
// ordered vectors, a record's position is its index, and the stored index fields are rewritten
// by renumber after structural changes. Every sample has the same number of storages.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/zv_backup_sink.hpp"
#include "core/zv_bond_factors.hpp"
#include "core/zv_device_lists.hpp"
#include "core/zv_inline_text.hpp"
#include "support/zv_message.hpp"
#include "support/zv_texts.hpp"

namespace zv {

enum class MeasurementStatus : std::int32_t {
  Invalid = 0,
  TypedOver = 1,
  NewMeasuring = 2,
  Trigger = 3,
  PullOff = 4,
  MeasuringValid = 5,
};
constexpr std::int32_t MeasurementStatusLast = 5;

// The text of a status value as tables and reports show it; values outside 1..5 read as
// "Invalid".
const TextPair& measurementStatusTexts(std::int32_t status);
inline const char* measurementStatusText(std::int32_t status, const Language& lang) {
  return lang.pick(measurementStatusTexts(status));
}

// What a data set keeps of one pull. Its fields are ordered so that little is padding: a large
// data set holds a million of them.
struct Measurement {
  static constexpr std::size_t DeviceNameSize = 30;

  std::int32_t sampleIndex = 0;
  std::int32_t storageIndex = 0;
  std::int32_t measurementIndex = 0;
  std::int32_t inStatistics = 0;  // 1 = counted in the statistics
  std::int32_t status = 0;        // a MeasurementStatus value
  std::int32_t channel = 0;       // the tester device that measured it
  double force = 0.0;             // kN, the pull-off force
  double bondTension = 0.0;       // derived from force and area
  double range = 0.0;             // kN
  double area = 0.0;              // mm²
  double speed = 0.0;             // N/s
  std::vector<double> points;     // the curve in memory; empty = none
  std::int32_t pointCount = 0;    // points of the recorded curve (also when not in memory)
  std::int32_t curveRate = 1;     // points per second of the curve
  std::int32_t graphFilePos = -1; // position of the curve in the graph file; -1 = none
  std::uint32_t backupChanges = 0;
  std::uint32_t saveChanges = 0;
  InlineText<DeviceNameSize> deviceName; // the tester that measured it

  bool hasPoints() const { return !points.empty(); }
};
static_assert(sizeof(Measurement) <= 144, "a field added where it pads the record");

struct StorageCondition {
  static constexpr std::size_t NameSize = 30;
  static constexpr std::size_t EvaluationSize = 20;
  static constexpr std::size_t SummarySize = 80;

  std::int32_t sampleIndex = 0;
  std::int32_t storageIndex = 0;
  // Statistics of the counted measurements; a new storage shows placeholders until the
  // statistics are first computed.
  std::int32_t statCount = 0;
  std::string name;
  std::string evaluation; // at most 19 bytes
  double mean = 31.45;
  double sa = 1.0;
  double vb = 2.0;
  double minimum = 0.0;
  double maximum = 99.0;
  double range = 0.0; // kN
  double speed = 0.0; // N/s
  double area = 0.0;  // mm²
  std::string summaryText;
  std::vector<Measurement> measurements;
  std::int32_t nonFiniteCount = 0; // cached by renumber: measurements with a force or area
                                   // that is not a finite number
  std::uint32_t backupChanges = 0;
  std::uint32_t saveChanges = 0;
};

struct Sample {
  static constexpr std::size_t NameSize = 30;

  std::int32_t index = 0;
  std::string name;
  std::vector<StorageCondition> storages;
  std::uint32_t backupChanges = 0;
  std::uint32_t saveChanges = 0;
};

struct DataSet {
  static constexpr std::size_t TitleSize = 80;
  static constexpr std::size_t IdentSize = 80;

  std::string title;
  std::string identNumber;
  std::string identName;
  std::vector<Sample> samples;
  double defaultRange = 0.0; // given to storages created in this data set
  double defaultSpeed = 0.0;
  double defaultArea = 0.0;
  std::int32_t currentSample = 0;
  std::int32_t currentStorage = 0;
  std::int32_t currentMeasurement = 0;
  std::int32_t dataCode = 0;         // format code of the file it was read from; 0 when new
  std::int32_t sampleCount = 0;      // cached by renumber
  std::int32_t storageCount = 0;     // cached by renumber
  std::int32_t measurementTotal = 0; // cached by renumber
  std::int32_t nonFiniteTotal = 0;   // cached by renumber: the storages' nonFiniteCount summed
  std::int32_t plotCount = 0;        // curves found in the graph file
  std::uint32_t backupChanges = 0;
  std::uint32_t saveChanges = 0;
};

// What a new data set gets.
struct DataSetDefaults {
  static constexpr std::size_t PrefixSize = 30;
  static constexpr std::size_t IdentSize = 80;
  static constexpr std::size_t EvaluationSize = 32;

  std::string samplePrefix = "P";
  std::string storagePrefix = "L";
  std::string identNumber = "--";
  std::string identName = "New";
  std::string evaluation;
  std::int32_t newSampleCount = 3;
  std::int32_t newStorageCount = 3;
  std::int32_t channel = 0;    // the device whose lists the new-data-set dialog offers
  double defaultRange = 10.0;  // kN
  double defaultSpeed = 100.0; // N/s
  double defaultArea = 1.0;    // mm²
};

// Upper bounds of the grid, each configurable within 10..100.
struct DataSetLimits {
  static constexpr std::int32_t Lowest = 10;
  static constexpr std::int32_t Highest = 100;

  std::int32_t maxSamples = 20;
  std::int32_t maxStorages = 20;
  std::int32_t maxMeasurements = 10;

  // A configured value below 10 becomes 10, above 100 becomes 100.
  static std::int32_t clampLimit(long long configured) {
    return configured < Lowest    ? Lowest
           : configured > Highest ? Highest
                                  : static_cast<std::int32_t>(configured);
  }
  void setMaxSamples(long long v) { maxSamples = clampLimit(v); }
  void setMaxStorages(long long v) { maxStorages = clampLimit(v); }
  void setMaxMeasurements(long long v) { maxMeasurements = clampLimit(v); }
};

// The program-wide change counters. The data set counts as changed while totalSaveChanges is
// not 0; the periodic backup runs while totalBackupChanges is not 0.
struct ChangeTotals {
  std::uint32_t totalBackupChanges = 0;
  std::uint32_t totalSaveChanges = 0;
};

// Results of the operations besides 0.
enum DataSetCode : int {
  ModelNoDataSet = -1,
  ModelLimitReached = -2,        // samples and storages; also a refused deletion
  ModelRefused = -2,             // deleting the only sample or storage
  ModelNoSuchRecord = -3,        // a deletion naming a record that does not exist
  ModelCannotCreate = -3,        // memory exhausted while growing
  ModelNoStorage = -2,           // measurement operations on a missing storage
  ModelMeasurementLimit = -6,    // MaxMeasurements reached; also the refused deletion
  ModelOutOfMemory = -2,         // points buffer
  ModelCannotCreateDataSet = -2, // memory exhausted in createDataSet
};

class DataSetModel {
public:
  DataSetModel(Reporter& reporter, const Language& language);
  DataSetModel(const DataSetModel&) = delete;
  DataSetModel& operator=(const DataSetModel&) = delete;

  // The active device's lists; nullptr goes back to the built-in lists.
  void setDeviceLists(const DeviceListSource* lists) { lists_ = lists ? lists : &builtInLists_; }
  const DeviceListSource& deviceLists() const { return *lists_; }
  // The journal that hears creations, deletions and changes; nullptr for none.
  void setBackupSink(BackupSink* sink) { backup_ = sink; }
  // Where the bond tension factors come from; nullptr means offset 0 and gain 1.
  void setBondTensionSource(const BondTensionSource* source) { bondSource_ = source; }
  BondTensionFactors bondTensionFactors() const;

  const Language& language() const { return language_; }
  DataSetDefaults& defaults() { return defaults_; }
  const DataSetDefaults& defaults() const { return defaults_; }
  DataSetLimits& limits() { return limits_; }
  const DataSetLimits& limits() const { return limits_; }
  ChangeTotals& totals() { return totals_; }
  const ChangeTotals& totals() const { return totals_; }

  // Program start: the three default values become the first entries of the active device's
  // lists, and the change totals are cleared.
  void initDefaults();

  bool hasDataSet() const { return dataSet_.has_value(); }
  DataSet* dataSet() { return dataSet_ ? &*dataSet_ : nullptr; }
  const DataSet* dataSet() const { return dataSet_ ? &*dataSet_ : nullptr; }

  // A fresh, empty data set from the defaults (replacing any present one); written to the
  // backup journal. ModelCannotCreateDataSet leaves any present data set as it was.
  int createDataSet();
  // Drops the data set with all its records. 0 also when there is none.
  int deleteDataSet();

  // Grow the grid. A growth past a limit creates what fits, logs the limit message and
  // returns ModelLimitReached (ModelMeasurementLimit for measurements); every sample keeps
  // the same number of storages, each new storage gets one measurement.
  int addSamples(int n);
  int addStorages(int n);
  int addMeasurements(int sampleIndex, int storageIndex, int n);

  // Delete the record the selection names. The only sample, storage column or measurement of
  // a storage is refused with a log message; the data set is then unchanged.
  int deleteSample(const Selection& selection);
  int deleteStorage(const Selection& selection);
  int deleteMeasurement(const Selection& selection);

  // Rewrites index fields and cached counts, puts ranges, speeds and areas that are not in the
  // active device's lists back to the lists' first entries, clamps the selection, statuses
  // and On/Off flags. Call it after loading and after every structural change. A data set
  // just read from its file is unchanged: Changes::Clear also clears the change counters, as
  // resetChanges does, in the same walk over a million measurements.
  //
  // A reader can take the measurements' part series by series while each is still in the
  // cache: renumberSeries for every storage of the grid, then renumber with
  // Series::Renumbered, which then walks the samples and storages only.
  enum class Changes { Keep, Clear };
  enum class Series { Renumber, Renumbered };
  int renumber(Changes changes = Changes::Keep, Series series = Series::Renumber);
  int renumberSeries(int sampleIndex, int storageIndex, Changes changes);

  // Counting: 0 where there is nothing. The storage count is sample 0's.
  int sampleCount() const;
  int storageCount() const;
  int measurementCount(int sampleIndex, int storageIndex) const;
  int currentMeasurementCount() const;

  // Lookups: nullptr for a negative or too large index or when there is no data set.
  Sample* sampleAt(int sampleIndex);
  const Sample* sampleAt(int sampleIndex) const;
  StorageCondition* storageAt(int sampleIndex, int storageIndex);
  const StorageCondition* storageAt(int sampleIndex, int storageIndex) const;
  Measurement* measurementAt(int sampleIndex, int storageIndex, int measurementIndex);
  const Measurement* measurementAt(int sampleIndex, int storageIndex, int measurementIndex) const;
  // The records the selection names.
  Sample* currentSample();
  StorageCondition* currentStorage();
  Measurement* currentMeasurement();

  // Keep the selection inside the grid: a current index at or past the count becomes
  // count - 1.
  void clampCurrentSample();
  void clampCurrentStorage();
  void clampCurrentMeasurement(int sampleIndex, int storageIndex);

  // Marking a record changed counts it in its own pair and in both totals.
  void markChanged(DataSet& record);
  void markChanged(Sample& record);
  void markChanged(StorageCondition& record);
  void markChanged(Measurement& record);
  // Counts one change in the totals only.
  void markTotalsChanged();
  std::uint32_t isChanged() const { return totals_.totalSaveChanges; }
  // Clears every counter of every record and both totals (after loading, saving, creating
  // and closing).
  void resetChanges();

  // Every curve counts as not in the graph file.
  void resetGraphPositions();

  // Name checks for renaming: the index + 1 of another sample (storage) with this name, -1
  // when only the record itself has it, 0 when no record has it. The name is compared as it
  // would be stored (at most 29 bytes), case-sensitively.
  int findSampleName(std::string_view name, int ownIndex) const;
  int findStorageName(std::string_view name, int sampleIndex, int ownIndex) const;

private:
  void bump(std::uint32_t& backupChanges, std::uint32_t& saveChanges);
  void logMessage(const TextPair& text, int code);
  Sample makeSample(int index);
  StorageCondition makeStorage(int sampleIndex, int storageIndex);
  // Appends new measurements to the owner's series until it holds size of them.
  void growSeries(StorageCondition& owner, int size);
  // Appends storages (with one measurement each) to sample until it has width of them.
  void growSample(Sample& sample, int sampleIndex, int width, bool& failedOnMeasurement);
  static void renumberMeasurements(StorageCondition& storage, int s, int t, bool clear);
  void notifyNewStorages(Sample& sample, std::size_t from);

  Reporter& reporter_;
  const Language& language_;
  BuiltInDeviceLists builtInLists_;
  const DeviceListSource* lists_ = &builtInLists_;
  BackupSink* backup_ = nullptr;
  const BondTensionSource* bondSource_ = nullptr;

  DataSetDefaults defaults_;
  DataSetLimits limits_;
  ChangeTotals totals_;
  std::optional<DataSet> dataSet_;
};

// Points buffer of a measurement: room for n points (any previous buffer is dropped first),
// pointCount = n. Returns the byte size n * 8, 0 for n < 1 (nothing allocated), or
// ModelOutOfMemory.
int allocPoints(Measurement& measurement, int n);
// Drops the buffer; pointCount becomes 0.
void freePoints(Measurement& measurement);

} // namespace zv
