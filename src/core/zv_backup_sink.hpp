#pragma once
// What the backup journal hears from the data set. Creations and deletions are written at
// once; changes are counted in the records' backupChanges and picked up by the periodic
// backup, which is told of each change as it happens so it can decide when to run.
#include <cstdint>

namespace zv {

struct DataSet;
struct Sample;
struct StorageCondition;
struct Measurement;

// A (sample, storage, measurement) triple naming a record of the data set.
struct Selection {
  std::int32_t sample = 0;
  std::int32_t storage = 0;
  std::int32_t measurement = 0;
  friend bool operator==(const Selection&, const Selection&) = default;
};

enum class RecordKind { Header, Sample, Storage, Measurement };

class BackupSink {
public:
  virtual ~BackupSink() = default;

  // A record was created (the header by createDataSet). The journal writes it at once and
  // clears its backupChanges.
  virtual void headerCreated(DataSet& dataSet) = 0;
  virtual void sampleCreated(Sample& sample) = 0;
  virtual void storageCreated(StorageCondition& storage) = 0;
  virtual void measurementCreated(Measurement& measurement) = 0;

  // A record is about to be deleted: a sample, a storage column in every sample, or one
  // measurement, named by the selection the deletion was given.
  virtual void sampleDeleted(const Selection& selection) = 0;
  virtual void storageDeleted(const Selection& selection) = 0;
  virtual void measurementDeleted(const Selection& selection) = 0;

  // A record was marked changed; where names it (unused indices 0).
  virtual void recordChanged(RecordKind kind, const Selection& where) = 0;
};

} // namespace zv
