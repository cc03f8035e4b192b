#include "storage/zv_restore.hpp"

#include <new>

#include "core/zv_calculate.hpp"
#include "platform/zv_latin1.hpp"
#include "storage/zv_restore_records.hpp"
#include "support/zv_graphfile_store.hpp"
#include "support/zv_system_error.hpp"

namespace zv {

namespace {

const TextPair BackupTitle = {"ZARVIK - Backup", "ZARVIK - Sicherung"};
const TextPair BaselineText = {
    "The data file\n%s\nwas changed after this backup began (a save was interrupted).\nThe "
    "backup is applied to the data set as it was when the backup began; the data file itself "
    "is not changed until you save.",
    "Die Datendatei\n%s\nwurde nach Beginn dieser Sicherung geändert (ein Speichern wurde "
    "unterbrochen).\nDie Sicherung wird auf den Datensatz angewandt, wie er bei Beginn der "
    "Sicherung war; die Datendatei selbst bleibt bis zum Speichern unverändert."_l1};
const TextPair DamagedText = {
    "The end of the backup of\n%s\nwas damaged and has been left out.",
    "Das Ende der Sicherung von\n%s\nwar beschädigt und wurde weggelassen."_l1};
const TextPair ContainedText = {"Backup of %s removed: the data file already holds it",
                                "Sicherung von %s entfernt: die Datendatei enthält sie bereits"_l1};

const TextPair JournalLostText = {
    "The backup is no longer written (%s).\nMeasuring goes on, but the changes made from now "
    "on are not protected against a crash until the data set is saved.",
    "Die Sicherung wird nicht mehr geschrieben (%s).\nDie Messung läuft weiter, aber die "
    "Änderungen ab jetzt sind bis zum Speichern des Datensatzes nicht gegen einen Absturz "
    "geschützt."_l1};
const TextPair JournalBackText = {"The backup is written again.",
                                  "Die Sicherung wird wieder geschrieben."};

std::string withPath(const char* format, const std::string& path) {
  std::string out = format;
  if (auto at = out.find("%s"); at != std::string::npos)
    out.replace(at, 2, path);
  return out;
}

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
    text = withPath(text.c_str(), fileErrorText(why, language_));
  reporter_.reportMessage(flags, flags == report::LogOnly ? report::KindNoPopup : 0,
                          language_.pick(BackupTitle), text, 0);
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
  if (int r = journal_.CreateBackup(dataFilePath); r < 0) {
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
  return graph_.graphSave(dataFilePath);
}

int BackupStore::graphLoad(const std::string& dataFilePath) {
  return graph_.graphLoad(dataFilePath);
}

int BackupStore::graphFileCloseAll() {
  return graph_.graphFileCloseAll();
}

// ---- replay

int BackupStore::applyObject(const BackupObjectHeader& h, const std::vector<unsigned char>& data) {
  const int s = h.sampleIndex, t = h.storageIndex, k = h.measurementIndex;
  const unsigned char* p = data.data();
  DataSet* d = model_.dataSet();
  const int fails[] = {0,
                       backup_code::ApplyHeader,
                       backup_code::ApplySample,
                       backup_code::ApplyStorage,
                       backup_code::ApplyMeasurement,
                       0,
                       backup_code::ApplyDeleteSample,
                       backup_code::ApplyDeleteStorage,
                       backup_code::ApplyDeleteMeasurement,
                       backup_code::ApplyCurve};
  if (h.type < 1 || h.type > 9 || h.type == 5)
    return 0; // batch markers and types we do not know are skipped
  const int failed = fails[h.type];
  if (!d || h.version != BackupObjectVersion)
    return failed;

  // Objects naming a row, column or slot beyond the grid create it first.
  auto ensureSample = [&]() -> Sample* {
    if (model_.sampleCount() <= s)
      model_.addSamples(s + 1);
    return model_.sampleAt(s);
  };
  auto ensureStorage = [&]() -> StorageCondition* {
    if (!ensureSample())
      return nullptr;
    if (model_.storageCount() <= t)
      model_.addStorages(t + 1);
    return model_.storageAt(s, t);
  };
  auto ensureMeasurement = [&]() -> Measurement* {
    if (!ensureStorage())
      return nullptr;
    if (model_.measurementCount(s, t) <= k)
      model_.addMeasurements(s, t, k + 1);
    return model_.measurementAt(s, t, k);
  };

  switch (h.type) {
  case backup_type::Header:
    if (!records::unpackHeader(p, data.size(), *d))
      return failed;
    model_.markChanged(*d);
    return 0;
  case backup_type::Sample: {
    Sample* sample = ensureSample();
    if (!sample || !records::unpackSample(p, data.size(), *sample))
      return failed;
    model_.markChanged(*sample);
    return 0;
  }
  case backup_type::Storage: {
    StorageCondition* storage = ensureStorage();
    if (!storage || !records::unpackStorage(p, data.size(), *storage))
      return failed;
    model_.markChanged(*storage);
    return 0;
  }
  case backup_type::Measurement:
  case backup_type::MeasurementWithCurve: {
    Measurement* m = ensureMeasurement();
    if (!m)
      return failed;
    Measurement decoded = *m;
    try {
      if (!records::unpackMeasurement(p, data.size(), decoded,
                                      h.type == backup_type::MeasurementWithCurve))
        return failed;
    } catch (const std::bad_alloc&) {
      return backup_code::ReadMemory;
    }
    *m = std::move(decoded);
    measCalcBondTension(m, model_.bondTensionFactors());
    model_.markChanged(*m);
    return 0;
  }
  case backup_type::DeleteSample:
    return model_.deleteSample({s, 0, 0}) == 0 ? 0 : failed;
  case backup_type::DeleteStorage:
    return model_.deleteStorage({s, t, 0}) == 0 ? 0 : failed;
  case backup_type::DeleteMeasurement:
    return model_.deleteMeasurement({s, t, k}) == 0 ? 0 : failed;
  default:
    return 0;
  }
}

int BackupStore::readBackup(const std::filesystem::path& backupFile) {
  active_ = false;
  journal_.closeWriter();
  applied_ = 0;
  lastDamaged_ = false;
  if (int r = journal_.OpenBackupFile(backupFile); r < 0)
    return reporter_.reportError(backup_code::ReadOpen, r);
  int result = 0;
  BackupObjectHeader header;
  std::vector<unsigned char> data;
  for (;;) {
    const int r = journal_.ReadBackupHeader(header);
    if (r == 0)
      break;
    if (r < 0) {
      result = reporter_.reportError(backup_code::ReadHeader, r);
      break;
    }
    if (journal_.ReadBackupObject(header, data) < 0) {
      result = reporter_.reportError(backup_code::ReadObject, 0);
      break;
    }
    const int a = applyObject(header, data);
    if (a < 0) {
      // Objects after one that does not fit would land on the wrong records.
      result = reporter_.reportError(a, header.type);
      break;
    }
    if (header.type >= 1 && header.type <= 9)
      ++applied_;
  }
  lastDamaged_ = journal_.damaged();
  if (lastDamaged_)
    reporter_.reportError(backup_code::DamagedTail, static_cast<int>(applied_), "",
                          "backup ends in a damaged object; the objects before it were applied");
  journal_.CloseBackupFile();
  model_.renumber();
  return result;
}

// ---- start-up

JournalState BackupStore::inspectJournal(const std::filesystem::path& backupFile,
                                         BackupInfo* infoOut) {
  if (backupFile.empty() || !fs_.exists(backupFile))
    return JournalState::None;
  BackupJournal reader(fs_);
  if (reader.OpenBackupFile(backupFile) != 0)
    return JournalState::Unreadable;
  std::uint64_t objects = 0;
  BackupObjectHeader header;
  while (reader.ReadBackupHeader(header) > 0)
    if (header.type >= 1 && header.type <= 9)
      ++objects;
  const BackupInfo& info = reader.backupInfo();
  if (infoOut)
    *infoOut = info;
  std::error_code ec;
  const FileStamp onDisk = stampFile(fs_, info.dataFilePath, ec);
  if (onDisk.valid && onDisk == info.baseline)
    return objects == 0 ? JournalState::Empty : JournalState::OnDataFile;
  // Did a save get past data file and graph file? Then the graph file names both states.
  GraphFileStore graphs(fs_);
  graphs.GraphFileSetDatafileName(info.dataFilePath);
  std::int32_t version = 0;
  if (onDisk.valid && graphs.GraphFileOpen() == 0 && graphs.GraphFileReadVersion(version) == 0 &&
      version == GraphFileVersion && graphs.GraphFileGetStamps().data == onDisk &&
      graphs.GraphFileGetStamps().previous == info.baseline && info.baseline.valid)
    return JournalState::Contained;
  return info.baseline.valid ? JournalState::OnBaseline : JournalState::Unreadable;
}

int BackupStore::reloadBackupAtStart() {
  const auto path = journal_.GetBackupPath();
  BackupInfo info;
  switch (inspectJournal(path, &info)) {
  case JournalState::None:
    return 0;
  case JournalState::Empty:
  case JournalState::Contained:
    reporter_.reportMessage(report::LogOnly, report::KindNoPopup, "Backup",
                            withPath(language_.pick(ContainedText), pathText(info.dataFilePath)),
                            0);
    if (int r = journal_.DeleteBackup(); r < 0)
      reporter_.reportError(backup_code::DeleteFailed, r);
    return 0;
  default:
    break;
  }
  std::string dataPath, targetPath;
  std::filesystem::path backupFile;
  const int answer =
      journal_.ReloadBackup(reporter_.ui(), language_, dataPath, backupFile, targetPath);
  if (answer == reload_answer::Nothing)
    return 0;
  if (answer < 0)
    return 1;
  const int r = restoreFromBackup(answer, dataPath, backupFile, targetPath);
  if (r < 0)
    reporter_.reportError(backup_code::AtStart, r);
  return r == 0 ? 0 : 1;
}

void BackupStore::tell(const TextPair& text, const std::string& detail) {
  reporter_.reportMessage(report::PopupAndLog, 0, language_.pick(BackupTitle),
                          withPath(language_.pick(text), pathText(detail)), 0);
}

int BackupStore::restoreFromBackup(int answer, const std::string& dataPath,
                                   const std::filesystem::path& backupFile,
                                   const std::string& targetPath) {
  if (answer == reload_answer::Reload)
    return restoreReload(dataPath, backupFile, targetPath);
  if (answer == reload_answer::Discard) {
    if (int r = journal_.DeleteBackup(); r < 0)
      return reporter_.reportError(backup_code::DiscardFailed, r);
    return 0;
  }
  return 1;
}

int BackupStore::restoreReload(const std::string& dataPath, const std::filesystem::path& backupFile,
                               const std::string& targetPath) {
  if (dataPath.empty())
    return reporter_.reportError(backup_code::NoDataPath, 0);
  if (backupFile.empty() || !fs_.exists(backupFile))
    return reporter_.reportError(backup_code::NoBackupFile, 0);
  if (!files_)
    return reporter_.reportError(backup_code::OpenFailed, 0, "", "no data file handling");
  BackupInfo info;
  const JournalState state = inspectJournal(backupFile, &info);
  if (state == JournalState::Unreadable || state == JournalState::None)
    return reporter_.reportError(backup_code::NoBackupFile, 0);

  // Where the starting state is loaded from: the data file, or the journal's copy of it.
  std::filesystem::path loadPath = dataPath;
  std::filesystem::path copy;
  auto dropCopy = [&] {
    if (!copy.empty())
      fs_.remove(copy);
  };
  if (state == JournalState::OnBaseline) {
    copy = journal_.backupDir() / "restore" / std::filesystem::path(dataPath).filename();
    fs_.createDirectories(copy.parent_path());
    ReplaceOptions options;
    options.reuseLeftover = true;
    const ReplaceResult written = replaceFile(fs_, copy, options, [&](FileWriter& w) {
      w.write(info.baselineBytes);
      return std::error_code();
    });
    if (!written.ok())
      return reporter_.reportError(backup_code::BaselineFailed, written.error.value());
    loadPath = copy;
    graph_.setGraphSourceOverride(std::filesystem::path(dataPath));
    tell(BaselineText, dataPath);
  }

  restoreBaseline_ = info.baseline;
  restoring_ = true;
  // The journal replays onto the state it started from; only curves saved with exactly that
  // state fit the records it names.
  graph_.setExactStateOnly(true);
  auto finish = [&](int result) {
    graph_.setGraphSourceOverride(std::nullopt);
    graph_.setExactStateOnly(false);
    restoreBaseline_ = {};
    restoring_ = false;
    dropCopy();
    return result;
  };
  files_->setCurrentDataFile(loadPath);
  const int loaded = files_->loadCurrentWithoutBackup();
  graph_.setGraphSourceOverride(std::nullopt);
  graph_.setExactStateOnly(false);
  if (loaded != 0) {
    const int closed = files_->closeWithoutAsking();
    return finish(reporter_.reportError(
        closed < 0 ? backup_code::OpenFailedClose : backup_code::OpenFailed, loaded));
  }
  if (int r = readBackup(backupFile); r < 0) {
    files_->closeWithoutAsking();
    return finish(reporter_.reportError(backup_code::ReadFailed, r));
  }
  if (lastDamaged_)
    tell(DamagedText, dataPath);

  files_->setCurrentDataFile(targetPath.empty() ? dataPath : targetPath);
  if (files_->selectSaveFile() != 1) {
    files_->closeWithoutAsking();
    return finish(1); // the journal stays for the next start
  }
  if (files_->saveCurrent() != 0) {
    files_->closeWithoutAsking();
    return finish(1);
  }
  files_->closeWithoutAsking();
  finish(0);
  if (int r = journal_.DeleteBackup(); r < 0)
    return reporter_.reportError(backup_code::DeleteFailed, r);
  return 0;
}

} // namespace zv
