#pragma once
// Data set file handling: which file the data set belongs to, and the flows that choose, save,
// load and close it, with the progress dialog, the graph file and backup calls and every
// message. The format is .BIN or .DAT: saving follows the file's extension (a name without
// either uses the save option), loading follows the extension.
//
// A chosen file is only remembered (chosenFile) until the caller has closed the current data
// set; useChosenFile() then makes it the data file. So a save asked for while closing always
// goes to the old data set's own file, never to the file about to be opened or created.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "core/zv_dataset.hpp"
#include "platform/zv_fileio.hpp"
#include "platform/zv_ui.hpp"
#include "storage/zv_datafile_bin.hpp"
#include "storage/zv_datafile_hooks.hpp"
#include "storage/zv_datafile_txt.hpp"
#include "storage/zv_restore.hpp"
#include "support/zv_message.hpp"
#include "support/zv_texts.hpp"

namespace zv {

// Results besides 0 and the negative codes.
constexpr int FileChosen = 1;
constexpr int UserStopped = 55;
constexpr int ClearSaveFailed = 1;
constexpr int ClearAborted = 2;

// Codes of the handling.
enum DatafileCode : int {
  DfBinaryOpen = -1302,
  DfBinaryBuffer = -1303,
  DfBinaryWrite = -1304,
  DfBinaryClose = -1305,
  DfTextWrite = -1306,
  DfTextClose = -1307,
  DfWriteType = -1308,
  DfSaveType = -1310,
  DfNoFileName = -1312,
  DfBadPath = -1313,
  DfSaveWrite = -1314,
  DfSaveGraph = -1315,
  DfSaveBackup = -1316,
  DfBinaryOpenRead = -1320,
  DfBinaryEmpty = -1321,
  DfBinaryRead = -1322,
  DfTextOpenRead = -1323,
  DfTextRead = -1324,
  DfLoadType = -1325,
  DfLoadSelectType = -1326,
  DfLoadNoName = -1330,
  DfLoadExtension = -1331,
  DfLoadPath = -1332,
  DfLoadMissing = -1333,
  DfLoadCreate = -1334,
  DfLoadRead = -1335,
  DfLoadBackup = -1336,
  DfLoadGraph = -1337,
  DfClearDelete = -1340,
  DfClearBackup = -1341,
};

// The file state of the program.
struct DataFileState {
  std::string dataDirectory; // saved as "Daten" in the configuration; where dialogs start
  std::string fileDirectory; // the current data file's directory (Options > Data Set may
                             // point the data directory elsewhere without moving the file)
  std::string dataFileName;  // with extension, without directory
  int dataWrtTypeSelect = 0; // 0 binary, 1 text
  int loadType = 1;          // format of the file being loaded: 0 binary, 1 text
  int saveGraph = 1;         // saving also writes the graph file
  bool dataFileOpen = false; // set after a successful load
  std::string fileTitle;     // title of the current file operation
  std::string fileExtension; // ".BIN"/".DAT" while saving, "BIN"/"DAT" while loading
};

// The save question when a changed data set is closed: 1 save, -1 reject, anything else stay.
int DlgExitChange(Ui& ui, const std::string& title, const std::string& text,
                  const std::string& abortLabel, const std::string& saveLabel,
                  const std::string& rejectLabel);

// 0 binary, 1 text, -1 neither, from a file name's extension (any letter case).
int dataFormatOfName(const std::string& fileName);

class DataFileHandler {
public:
  struct Context {
    DataSetModel& model;
    Reporter& reporter;
    Ui& ui;
    const Language& lang;
    const ProgramTexts& texts;
    FileSystem& fs;
  };

  explicit DataFileHandler(const Context& context);

  // The graph and backup store; nullptr runs without curves and backup.
  void setHooks(GraphBackupHooks* hooks) { hooks_ = hooks; }
  GraphBackupHooks* hooks() const { return hooks_; }
  // Files inside this directory are refused by the file dialogs (the backup store's own).
  void setBackupDirectory(std::filesystem::path dir) { backupDirectory_ = std::move(dir); }
  // The same asked of the backup store, which knows its directory as it changes.
  void setBackupDirectoryCheck(std::function<bool(const std::filesystem::path&)> check) {
    backupCheck_ = std::move(check);
  }
  bool isInBackupDirectory(const std::filesystem::path& path) const;
  // Names the active tester device in the log line about replaced list values.
  void setDeviceNameSource(std::function<std::string()> source) { deviceName_ = std::move(source); }

  DataFileState& state() { return state_; }
  const DataFileState& state() const { return state_; }

  // A data set is loaded (it belongs to a file): from a load or a new data set to a close.
  bool isLoaded() const { return loaded_; }
  // A new data set belongs to the file chosen for it from its creation on.
  void markLoaded() { loaded_ = true; }
  // The current data file's full path, empty before the first one.
  const std::string& filePath() const { return filePath_; }

  // Start-up reset.
  void dataFileInit();

  // File dialogs: 1 when a file was chosen (kept as chosenFile), 0 when cancelled, or a
  // negative code for a bad save option.
  // keepFormat: propose the current file's own name and format instead of the save option's.
  int selectSaveFile(bool keepFormat = false);
  int selectLoadFile();
  const std::optional<std::filesystem::path>& chosenFile() const { return chosen_; }
  void setChosenFile(std::filesystem::path path) { chosen_ = std::move(path); }
  void clearChosenFile() { chosen_.reset(); }
  // Makes the chosen file the data file (directory, name and path). false when none.
  bool useChosenFile();
  // The data file as directory and name (the recent-file item, tests).
  void setDataFile(const std::filesystem::path& path);

  int saveDataSet();
  int writeDataFile(const std::filesystem::path& path, Progress* progress);
  int loadDataSet(int refreshBackup, std::string& message);
  int readDataFile(const std::filesystem::path& path, Progress* progress);
  int loadDataSetReport(int refreshBackup);
  // Closes the data set; with a title, a changed data set is offered for saving first.
  int closeDataSet(std::optional<std::string> title);

  TextDataFile& textFile() { return text_; }
  BinaryDataFile& binaryFile() { return binary_; }

private:
  // Shows the file dialog until the user settles: 0 cancelled, 1 existing file, 2 new name.
  int fileSelect(FileDialogSpec spec);
  std::unique_ptr<Progress> startProgress();
  std::filesystem::path joinedPath(int& failed) const;
  void logReplacements(const ListReplacements& replaced);
  // A message followed by the file system's reason for a failure, in the user's language.
  std::string withReason(const std::string& message, std::error_code why) const;
  // Log lines about what a loaded file lacked or holds that cannot be computed with.
  void logLoadNotes();
  int error(int code, int detail = 0) { return ctx_.reporter.reportError(code, detail); }
  const char* msg(MessageText id) const { return ctx_.texts[id]; }

  Context ctx_;
  bool loaded_ = false;
  std::string filePath_;
  DataFileState state_;
  TextDataFile text_;
  BinaryDataFile binary_;
  GraphBackupHooks* hooks_ = nullptr;
  std::filesystem::path backupDirectory_;
  std::function<bool(const std::filesystem::path&)> backupCheck_;
  std::function<std::string()> deviceName_;
  std::optional<std::filesystem::path> chosen_;
};

// What the backup restore at start-up asks of the file handling.
class DataFileRestoreAccess final : public DataFileAccess {
public:
  explicit DataFileRestoreAccess(DataFileHandler& files) : files_(files) {}
  void setCurrentDataFile(const std::filesystem::path& path) override { files_.setDataFile(path); }
  int loadCurrentWithoutBackup() override { return files_.loadDataSetReport(0); }
  int closeWithoutAsking() override { return files_.closeDataSet(std::nullopt); }
  // The confirmed file becomes the current one at once: the restored data set has no other.
  // The original file is proposed as it is, name and format.
  int selectSaveFile() override {
    const int r = files_.selectSaveFile(true);
    if (r == 1)
      files_.useChosenFile();
    return r;
  }
  int saveCurrent() override { return files_.saveDataSet(); }

private:
  DataFileHandler& files_;
};

} // namespace zv
