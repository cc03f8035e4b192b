// Replaying a backup journal onto the data set, and the start-up that offers it.
#include "storage/zv_restore.hpp"

#include <new>

#include "core/zv_calculate.hpp"
#include "platform/zv_file_replacement.hpp"
#include "platform/zv_latin1.hpp"
#include "platform/zv_path_bytes.hpp"
#include "storage/zv_restore_records.hpp"
#include "support/zv_graphfile_store.hpp"
#include "support/zv_text_pattern.hpp"

namespace zv {

namespace {

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

} // namespace

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
  const FileStamp onDisk = stampFile(fs_, pathFromBytes(info.dataFilePath), ec);
  if (onDisk.valid && onDisk == info.baseline)
    return objects == 0 ? JournalState::Empty : JournalState::OnDataFile;
  // Did a save get past data file and graph file? Then the graph file names both states.
  GraphFileStore graphs(fs_);
  graphs.GraphFileSetDatafileName(pathFromBytes(info.dataFilePath));
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
                            fillIn(language_.pick(ContainedText), pathText(info.dataFilePath)), 0);
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
  std::filesystem::path loadPath = pathFromBytes(dataPath);
  std::filesystem::path copy;
  auto dropCopy = [&] {
    if (!copy.empty())
      fs_.remove(copy);
  };
  if (state == JournalState::OnBaseline) {
    copy = journal_.backupDir() / "restore" / pathFromBytes(dataPath).filename();
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
    graph_.setGraphSourceOverride(pathFromBytes(dataPath));
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

  files_->setCurrentDataFile(pathFromBytes(targetPath.empty() ? dataPath : targetPath));
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
