#pragma once
// The backup of the open data set and its reload after a crash.
//
// BackupStore hears every creation and deletion of the data set model and writes it to the
// backup journal at once; changed records are written in one batch by backupDataSet (before
// menu commands, on the main timer, at the start of a series, ...); a finished measurement is
// written with its curve by backupMeasurementFinished. It is also what the data set file
// handling calls after loads and saves (GraphBackupHooks): graph file load and save, and
// RefreshBackup / CloseBackup.
//
// A journal holds a copy of the data file it started from. At start-up a journal left behind
// is compared with the data file and its graph file:
//   - the data file is still the journal's starting state: reload = load it, replay;
//   - the data file and the graph file were both saved after the journal started (a save was
//     interrupted only before the journal refresh): the journal is already contained; it is
//     removed without a question;
//   - otherwise the data file changed under the journal (a save was cut short after the data
//     file was replaced): reload = load the journal's copy of the starting state, replay, so
//     nothing is ever applied twice and the curves of the old graph file still fit.
// Either way the user then saves the rebuilt data set under a name of their choice.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/zv_backup_sink.hpp"
#include "core/zv_dataset.hpp"
#include "platform/zv_fileio.hpp"
#include "platform/zv_path_bytes.hpp"
#include "storage/zv_datafile_hooks.hpp"
#include "storage/zv_graphfile.hpp"
#include "support/zv_backup_journal.hpp"
#include "support/zv_message.hpp"
#include "support/zv_texts.hpp"

namespace zv {

// Object types of the journal.
namespace backup_type {
constexpr std::uint16_t Header = 1;
constexpr std::uint16_t Sample = 2;
constexpr std::uint16_t Storage = 3;
constexpr std::uint16_t Measurement = 4;
constexpr std::uint16_t DeleteSample = 6;
constexpr std::uint16_t DeleteStorage = 7;
constexpr std::uint16_t DeleteMeasurement = 8;
constexpr std::uint16_t MeasurementWithCurve = 9;
} // namespace backup_type

namespace backup_code {
enum RestoreCode : int {
  Header = -1800,      // -1800 .. -1802
  Sample = -1810,      // -1810 .. -1812
  Storage = -1820,     // -1820 .. -1822
  Measurement = -1830, // -1830 .. -1832
  Curve = -1840,       // -1840 .. -1842
  Deletion = -1850,    // -1850 .. -1858
  NoDataSet = -1884,
  BatchOpen = -1885,
  BatchClose = -1892,
  ReadOpen = -1900,
  ReadHeader = -1901,
  ReadMemory = -1902,
  ReadObject = -1903,
  ApplyHeader = -1904,
  ApplySample = -1905,
  ApplyStorage = -1906,
  ApplyMeasurement = -1907,
  ApplyCurve = -1908,
  ApplyDeleteSample = -1909,
  ApplyDeleteStorage = -1910,
  ApplyDeleteMeasurement = -1911,
  DamagedTail = -1912, // logged only: the journal ends in a damaged object
  ReadClose = -1913,
  CloseFailed = -1915,
  RefreshClose = -1917,
  RefreshCreate = -1918,
  NoDataPath = -1920,
  NoBackupFile = -1921,
  ReadFailed = -1922,
  DeleteFailed = -1923,
  OpenFailedClose = -1924,
  OpenFailed = -1925,
  DiscardFailed = -1926,
  BaselineFailed = -1927, // the journal's copy of the data file cannot be laid out
  AtStart = -1930,
};
} // namespace backup_code

// What the restore needs of the data set file handling.
class DataFileAccess {
public:
  virtual ~DataFileAccess() = default;
  // Makes path the current data file (directory and name).
  virtual void setCurrentDataFile(const std::filesystem::path& path) = 0;
  // Loads the current data file without starting a backup; 0 on success.
  virtual int loadCurrentWithoutBackup() = 0;
  // Closes the data set without asking; its result (negative on failure).
  virtual int closeWithoutAsking() = 0;
  // Asks for the file to save to (proposing the current one); 1 when confirmed.
  virtual int selectSaveFile() = 0;
  // Saves to the current data file; 0 on success.
  virtual int saveCurrent() = 0;
};

// How a journal left by an earlier run relates to the files on disk.
enum class JournalState {
  None,       // no journal
  Unreadable, // not a journal of ours, or damaged at its start
  Empty,      // nothing recorded since the data file was saved
  Contained,  // a later save of data file and graph file already holds it
  OnDataFile, // the data file is the journal's starting state
  OnBaseline  // the data file changed; the journal's own copy is the starting state
};

class BackupStore final : public BackupSink, public GraphBackupHooks {
public:
  BackupStore(DataSetModel& model, GraphFile& graph, BackupJournal& journal, Reporter& reporter,
              const Language& language, FileSystem& fs = realFileSystem());

  // Whether a measurement runs (the periodic backup waits then).
  void setMeasuringQuery(std::function<bool()> measuring) { measuring_ = std::move(measuring); }
  void setDataFileAccess(DataFileAccess* access) { files_ = access; }
  bool hasDataFileAccess() const { return files_ != nullptr; }

  bool backupActive() const { return active_; }

  // ---- what the model reports (written at once) ----
  void headerCreated(DataSet& dataSet) override;
  void sampleCreated(Sample& sample) override;
  void storageCreated(StorageCondition& storage) override;
  void measurementCreated(Measurement& measurement) override;
  void sampleDeleted(const Selection& selection) override;
  void storageDeleted(const Selection& selection) override;
  void measurementDeleted(const Selection& selection) override;
  void recordChanged(RecordKind kind, const Selection& where) override;

  // ---- what the file handling calls ----
  int graphSave(const std::string& dataFilePath) override;
  int graphSavePrepare(const std::string& dataFilePath,
                       const std::filesystem::path& writtenAs) override {
    return graph_.graphSavePrepare(pathFromBytes(dataFilePath), writtenAs);
  }
  int graphSaveCommit(const std::string& dataFilePath) override {
    return graph_.graphSaveCommit(pathFromBytes(dataFilePath));
  }
  void graphSaveAbandon() override { graph_.graphSaveAbandon(); }
  std::error_code lastGraphError() const override { return graph_.lastError(); }
  int graphLoad(const std::string& dataFilePath) override;
  int graphFileCloseAll() override;
  int refreshBackup(const std::string& dataFilePath) override {
    return RefreshBackup(dataFilePath);
  }
  int closeBackup() override { return CloseBackup(); }

  // A new journal for the data file just opened or saved.
  int RefreshBackup(const std::string& dataFilePath);
  // The data set was closed: the journal goes.
  int CloseBackup();

  // The periodic backup: every changed record in one batch. 0 or the first failure's code.
  int backupDataSet();
  // A measurement has finished: it goes to the journal at once, with its curve. Call after
  // its result and curve are stored; also the curve in the graph file is obsolete then.
  int backupMeasurementFinished(Measurement& measurement);

  // Single-object writers (mode 1 single, 8 inside a batch). Indices are positions.
  int backupHeader(DataSet* dataSet, int mode);
  int backupSample(Sample* sample, int s, int mode);
  int backupStorage(StorageCondition* storage, int s, int t, int mode);
  int backupMeasurement(Measurement* measurement, int s, int t, int k, int mode);
  int backupMeasurementWithCurve(Measurement* measurement, int s, int t, int k, int mode);
  int backupDeletion(std::uint16_t type, const Selection& selection);

  // Replays a journal onto the data set in memory. 0 or a negative code.
  int readBackup(const std::filesystem::path& backupFile);
  // Objects applied by the last readBackup, and whether its journal ended in damage.
  std::uint64_t lastObjectsApplied() const { return applied_; }
  bool lastJournalDamaged() const { return lastDamaged_; }

  // Start-up: offers a journal left by a crash. 0 go on, 1 end the program.
  int reloadBackupAtStart();
  // answer 1 reload, 2 discard, anything else ends the program (1).
  int restoreFromBackup(int answer, const std::string& dataPath,
                        const std::filesystem::path& backupFile, const std::string& targetPath);

  JournalState inspectJournal(const std::filesystem::path& backupFile, BackupInfo* info = nullptr);

private:
  int save(const BackupObjectHeader& header, const std::vector<unsigned char>& data, int mode);
  int applyObject(const BackupObjectHeader& header, const std::vector<unsigned char>& data);
  bool locate(const Sample* sample, int& s) const;
  bool locate(const StorageCondition* storage, int& s, int& t) const;
  bool locate(const Measurement* measurement, int& s, int& t, int& k) const;
  int restoreReload(const std::string& dataPath, const std::filesystem::path& backupFile,
                    const std::string& targetPath);
  void tell(const TextPair& text, const std::string& detail);
  // Tells the operator once when the journal stops being written, and when it is again.
  int noted(int result);
  void tellJournal(bool lost, std::error_code why, int flags = report::PopupAndLog);

  DataSetModel& model_;
  GraphFile& graph_;
  BackupJournal& journal_;
  Reporter& reporter_;
  const Language& language_;
  FileSystem& fs_;
  std::function<bool()> measuring_;
  DataFileAccess* files_ = nullptr;
  bool active_ = false;
  bool journalLost_ = false; // the operator was told that the journal is not written
  // The data file state the curves and journal refer to while a restore runs.
  FileStamp restoreBaseline_;
  bool restoring_ = false;
  std::uint64_t applied_ = 0;
  bool lastDamaged_ = false;
};

} // namespace zv
