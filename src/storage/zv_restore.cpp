#include "storage/zv_restore.hpp"

#include <new>

#include "platform/zv_latin1.hpp"
#include "platform/zv_path_bytes.hpp"
#include "storage/zv_restore_records.hpp"
#include "support/zv_graphfile_store.hpp"
#include "support/zv_system_error.hpp"
#include "support/zv_text_pattern.hpp"

namespace zv {

namespace {

const TextPair BackupTitle = {"ZARVIK - Backup", "ZARVIK - Sicherung"};

const TextPair JournalLostText = {
    "The backup is no longer written (%s).\nMeasuring goes on, but the changes made from now "
    "on are not protected against a crash until the data set is saved.",
    "Die Sicherung wird nicht mehr geschrieben (%s).\nDie Messung läuft weiter, aber die "
    "Änderungen ab jetzt sind bis zum Speichern des Datensatzes nicht gegen einen Absturz "
    "geschützt."_l1};
const TextPair JournalBackText = {"The backup is written again.",
                                  "Die Sicherung wird wieder geschrieben."};

std::uint16_t index16(int i) {
  return static_cast<std::uint16_t>(i < 0 ? 0 : i > 0xFFFF ? 0xFFFF : i);
}

// A writer's three codes: the record is missing, no memory for its data, the save failed.
constexpr int Missing = 0;
enum RestoreCode : int {
  NoMemory = -1,
  SaveFailed = -2,
};

} // namespace

BackupStore::BackupStore(DataSetModel& model, GraphFile& graph, BackupJournal& journal,
                         Reporter& reporter, const Language& language, FileSystem& fs)
    : model_(model), graph_(graph), journal_(journal), reporter_(reporter), language_(language),
      fs_(fs) {
  graph_.setBaselineSource(
      [this] { return journal_.isWriting() ? journal_.writingBaseline() : restoreBaseline_; });
}

// ---- locating records by address (their index fields may be stale until renumbering)

bool BackupStore::locate(const Sample* sample, int& s) const {
  const DataSet* d = model_.dataSet();
  if (!d)
    return false;
  for (std::size_t i = 0; i < d->samples.size(); ++i)
    if (&d->samples[i] == sample) {
      s = static_cast<int>(i);
      return true;
    }
  return false;
}

bool BackupStore::locate(const StorageCondition* storage, int& s, int& t) const {
  const DataSet* d = model_.dataSet();
  if (!d)
    return false;
  for (std::size_t i = 0; i < d->samples.size(); ++i) {
    const auto& row = d->samples[i].storages;
    if (!row.empty() && storage >= &row.front() && storage <= &row.back()) {
      s = static_cast<int>(i);
      t = static_cast<int>(storage - &row.front());
      return true;
    }
  }
  return false;
}

bool BackupStore::locate(const Measurement* measurement, int& s, int& t, int& k) const {
  const DataSet* d = model_.dataSet();
  if (!d)
    return false;
  for (std::size_t i = 0; i < d->samples.size(); ++i)
    for (std::size_t j = 0; j < d->samples[i].storages.size(); ++j) {
      const auto& series = d->samples[i].storages[j].measurements;
      if (!series.empty() && measurement >= &series.front() && measurement <= &series.back()) {
        s = static_cast<int>(i);
        t = static_cast<int>(j);
        k = static_cast<int>(measurement - &series.front());
        return true;
      }
    }
  return false;
}

// ---- single objects

int BackupStore::save(const BackupObjectHeader& header, const std::vector<unsigned char>& data,
                      int mode) {
  return journal_.SaveBackupObject(header, data.empty() ? nullptr : data.data(), mode);
}

namespace {
template <class Record, class Pack>
int writeRecord(BackupJournal& journal, Reporter& reporter, Record* record, int base,
                std::uint16_t type, int s, int t, int k, int mode, Pack pack) {
  if (!record)
    return reporter.reportError(base + Missing, 0);
  std::vector<unsigned char> data;
  try {
    pack(data);
  } catch (const std::bad_alloc&) {
    record->backupChanges = 0;
    return reporter.reportError(base + NoMemory, 0);
  }
  BackupObjectHeader header;
  BackupJournal::FillBackupHeader(header, static_cast<std::uint32_t>(data.size()), type,
                                  BackupObjectVersion, index16(s), index16(t), index16(k));
  const int r = journal.SaveBackupObject(header, data.empty() ? nullptr : data.data(), mode);
  record->backupChanges = 0;
  if (r < 0)
    return reporter.reportError(base + SaveFailed, r);
  return 0;
}
} // namespace

int BackupStore::backupHeader(DataSet* d, int mode) {
  if (!active_)
    return 0;
  return noted(writeRecord(journal_, reporter_, d, backup_code::Header, backup_type::Header, 0, 0,
                           0, mode, [&](auto& out) { records::packHeader(out, *d); }));
}

int BackupStore::backupSample(Sample* sample, int s, int mode) {
  if (!active_)
    return 0;
  return noted(writeRecord(journal_, reporter_, sample, backup_code::Sample, backup_type::Sample, s,
                           0, 0, mode, [&](auto& out) { records::packSample(out, *sample, s); }));
}

int BackupStore::backupStorage(StorageCondition* storage, int s, int t, int mode) {
  if (!active_)
    return 0;
  return noted(writeRecord(journal_, reporter_, storage, backup_code::Storage, backup_type::Storage,
                           s, t, 0, mode,
                           [&](auto& out) { records::packStorage(out, *storage, s, t); }));
}

int BackupStore::backupMeasurement(Measurement* m, int s, int t, int k, int mode) {
  if (!active_)
    return 0;
  return noted(writeRecord(journal_, reporter_, m, backup_code::Measurement,
                           backup_type::Measurement, s, t, k, mode,
                           [&](auto& out) { records::packMeasurement(out, *m, s, t, k, false); }));
}

int BackupStore::backupMeasurementWithCurve(Measurement* m, int s, int t, int k, int mode) {
  if (!active_)
    return 0;
  return noted(writeRecord(journal_, reporter_, m, backup_code::Curve,
                           backup_type::MeasurementWithCurve, s, t, k, mode,
                           [&](auto& out) { records::packMeasurement(out, *m, s, t, k, true); }));
}

int BackupStore::backupDeletion(std::uint16_t type, const Selection& selection) {
  if (!active_)
    return 0;
  const int base = backup_code::Deletion + 3 * (type - backup_type::DeleteSample);
  BackupObjectHeader header;
  BackupJournal::FillBackupHeader(header, 0, type, BackupObjectVersion, index16(selection.sample),
                                  index16(selection.storage), index16(selection.measurement));
  if (int r = journal_.SaveBackupObject(header, nullptr, backup_mode::Single); r < 0)
    return noted(reporter_.reportError(base + SaveFailed, r));
  return 0;
}

int BackupStore::noted(int result) {
  if (result < 0 && active_ && journal_.isBroken() && !journalLost_) {
    journalLost_ = true;
    tellJournal(true, journal_.lastError());
  }
  return result;
}

void BackupStore::tellJournal(bool lost, std::error_code why, int flags) {
  std::string text = language_.pick(lost ? JournalLostText : JournalBackText);
  if (lost)
    text = fillIn(text, fileErrorText(why, language_));
  reporter_.reportMessage(flags, flags == report::LogOnly ? report::KindNoPopup : 0,
                          language_.pick(BackupTitle), text, 0);
}

void BackupStore::tell(const TextPair& text, const std::string& detail) {
  reporter_.reportMessage(report::PopupAndLog, 0, language_.pick(BackupTitle),
                          fillIn(language_.pick(text), pathText(detail)), 0);
}

// ---- what the model reports

void BackupStore::headerCreated(DataSet& dataSet) {
  backupHeader(&dataSet, backup_mode::Single);
}

void BackupStore::sampleCreated(Sample& sample) {
  if (!active_)
    return;
  int s = sample.index;
  locate(&sample, s);
  backupSample(&sample, s, backup_mode::Single);
}

void BackupStore::storageCreated(StorageCondition& storage) {
  if (!active_)
    return;
  int s = storage.sampleIndex, t = storage.storageIndex;
  locate(&storage, s, t);
  backupStorage(&storage, s, t, backup_mode::Single);
}

void BackupStore::measurementCreated(Measurement& m) {
  if (!active_)
    return;
  int s = m.sampleIndex, t = m.storageIndex, k = m.measurementIndex;
  locate(&m, s, t, k);
  backupMeasurement(&m, s, t, k, backup_mode::Single);
}

void BackupStore::sampleDeleted(const Selection& selection) {
  graph_.gridChanged();
  backupDeletion(backup_type::DeleteSample, {selection.sample, 0, 0});
}

void BackupStore::storageDeleted(const Selection& selection) {
  graph_.gridChanged();
  backupDeletion(backup_type::DeleteStorage, {selection.sample, selection.storage, 0});
}

void BackupStore::measurementDeleted(const Selection& selection) {
  graph_.gridChanged();
  backupDeletion(backup_type::DeleteMeasurement, selection);
}

void BackupStore::recordChanged(RecordKind, const Selection&) {
  // Picked up by the next backupDataSet through the record's backupChanges.
}

int BackupStore::backupMeasurementFinished(Measurement& m) {
  m.graphFilePos = -1; // the new curve replaces any older one of this slot
  if (!active_)
    return 0;
  int s = m.sampleIndex, t = m.storageIndex, k = m.measurementIndex;
  locate(&m, s, t, k);
  return backupMeasurementWithCurve(&m, s, t, k, backup_mode::Single);
}

// ---- the periodic backup

int BackupStore::backupDataSet() {
  if (measuring_ && measuring_())
    return 0;
  ChangeTotals& totals = model_.totals();
  if (totals.totalBackupChanges == 0)
    return 0;
  if (!active_) {
    totals.totalBackupChanges = 0; // no journal: nothing to write them to
    return 0;
  }
  DataSet* d = model_.dataSet();
  if (!d)
    return reporter_.reportError(backup_code::NoDataSet, 0, "Backup", "Fehler bei Sicherung");
  BackupObjectHeader marker;
  BackupJournal::FillBackupHeader(marker, 0, 0, BackupObjectVersion, 0, 0, 0);
  if (int r = journal_.SaveBackupObject(marker, nullptr, backup_mode::BatchOpen); r < 0)
    return noted(
        reporter_.reportError(backup_code::BatchOpen, r, "Backup", "Fehler bei Sicherung"));

  int first = 0;
  auto note = [&](int r) {
    if (r < 0 && first == 0)
      first = r;
  };
  if (d->backupChanges != 0)
    note(backupHeader(d, backup_mode::InBatch));
  for (int s = 0; s < static_cast<int>(d->samples.size()); ++s) {
    Sample& sample = d->samples[static_cast<std::size_t>(s)];
    if (sample.backupChanges != 0)
      note(backupSample(&sample, s, backup_mode::InBatch));
    for (int t = 0; t < static_cast<int>(sample.storages.size()); ++t) {
      StorageCondition& storage = sample.storages[static_cast<std::size_t>(t)];
      if (storage.backupChanges != 0)
        note(backupStorage(&storage, s, t, backup_mode::InBatch));
      for (int k = 0; k < static_cast<int>(storage.measurements.size()); ++k) {
        Measurement& m = storage.measurements[static_cast<std::size_t>(k)];
        if (m.backupChanges != 0)
          note(backupMeasurement(&m, s, t, k, backup_mode::InBatch));
      }
    }
  }
  totals.totalBackupChanges = 0;
  if (int r = journal_.SaveBackupObject(marker, nullptr, backup_mode::BatchClose); r < 0) {
    reporter_.reportError(backup_code::BatchClose, r);
    note(backup_code::BatchClose);
  }
  if (first != 0)
    reporter_.reportError(first, 0, "Backup", "Fehler bei Sicherung");
  return noted(first);
}

// ---- the journal's life

int BackupStore::RefreshBackup(const std::string& dataFilePath) {
  active_ = false;
  journal_.closeWriter();
  if (int r = journal_.CreateBackup(pathFromBytes(dataFilePath)); r < 0) {
    const std::error_code why = journal_.lastError();
    // The old journal predates this save; left behind it would only raise a question later.
    journal_.DeleteBackup();
    if (!journalLost_) {
      // The file handling shows its own popup for this; the log window says what it means.
      journalLost_ = true;
      tellJournal(true, why, report::LogOnly);
    }
    return reporter_.reportError(backup_code::RefreshCreate, r);
  }
  active_ = true;
  if (journalLost_) {
    journalLost_ = false;
    tellJournal(false, {});
  }
  return 0;
}

int BackupStore::CloseBackup() {
  active_ = false;
  if (restoring_) {
    // Closing the data set during a reload must not take the journal with it: until the
    // rebuilt data set is saved, the journal is the only copy of the changes.
    journal_.closeWriter();
    return 0;
  }
  if (int r = journal_.DeleteBackup(); r < 0)
    return reporter_.reportError(backup_code::CloseFailed, r);
  return 0;
}

int BackupStore::graphSave(const std::string& dataFilePath) {
  return graph_.graphSave(pathFromBytes(dataFilePath));
}

int BackupStore::graphLoad(const std::string& dataFilePath) {
  return graph_.graphLoad(pathFromBytes(dataFilePath));
}

int BackupStore::graphFileCloseAll() {
  return graph_.graphFileCloseAll();
}

} // namespace zv
