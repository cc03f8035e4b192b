#pragma once
// The one program: every piece of state the running program has, owned here, created once in
// main() and afresh in every test. The windows reach the state through this object.
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/zv_calculate.hpp"
#include "core/zv_dataset.hpp"
#include "core/zv_evaluation_list.hpp"
#include "core/zv_meas_params.hpp"
#include "daq/zv_daq.hpp"
#include "daq/zv_pulloff_processor.hpp"
#include "platform/zv_clock.hpp"
#include "platform/zv_fileio.hpp"
#include "platform/zv_fileio_route.hpp"
#include "platform/zv_refresh.hpp"
#include "platform/zv_registry.hpp"
#include "platform/zv_ui.hpp"
#include "program/zv_cmdline.hpp"
#include "program/zv_graph_backup.hpp"
#include "program/zv_menu_table.hpp"
#include "storage/zv_config_file.hpp"
#include "storage/zv_datafile.hpp"
#include "storage/zv_devicefile.hpp"
#include "support/zv_errorlog.hpp"
#include "support/zv_message.hpp"
#include "support/zv_texts.hpp"

namespace zv {

constexpr int ProgramVersion = 64;
constexpr const char* ProgramDate = "2.04.2012";
constexpr int ProgramCode = 3;

class MeasPanelPort;

// The periodic backup of the data set, attached once the backup store exists.
class PeriodicBackup {
public:
  virtual ~PeriodicBackup() = default;
  virtual void backupDataSet() = 0;
};

// The periodic backup of the graph and backup store.
class StorePeriodicBackup final : public PeriodicBackup {
public:
  explicit StorePeriodicBackup(BackupStore& store) : store_(store) {}
  void backupDataSet() override { store_.backupDataSet(); }

private:
  BackupStore& store_;
};

// The bond tension factors are the measurement parameters' offset and gain.
class MeasParamsBondSource final : public BondTensionSource {
public:
  explicit MeasParamsBondSource(const MeasParams& mp) : mp_(mp) {}
  BondTensionFactors bondTensionFactors() const override {
    return {mp_.offset_press, mp_.gain_press};
  }

private:
  const MeasParams& mp_;
};

class Program {
public:
  Program(Ui& ui, Clock& clock, Registry& registry,
          std::filesystem::path fallbackDir = std::filesystem::path());

  // Start-up up to the start screen: built-in values, log file name, command line, user
  // directory and configuration. The single-instance check happens before, in main().
  int startUp(const std::vector<std::string_view>& args);
  // Start-up: a first start with installed first-run files prepares the user directory.
  void prepareFirstRun();
  // Start-up after the log window: detects the acquisition box and tests its connection.
  int initAcquisition() { return daq.daqInit(); }

  // After the log window exists: where report lines go and where the log file is.
  void logInit(LogSink* logWindow);
  // Lines the start-up writes into the log window after it appeared.
  void reportStartUpLines();

  // File > Exit and every main window's close box. true when the exit dialog may open.
  bool requestExit();
  // The exit dialog's Yes: closes the data set (asking to save) and shuts down. true when
  // the program ends; false when the user chose to stay.
  bool confirmExit();
  void shutdownProgram();

  // Writes the changed records to the backup store (before menu commands and on TIMER_MAIN).
  void backupDataSet() {
    if (backup)
      backup->backupDataSet();
  }
  // TIMER_MAIN: the periodic backup, never while a measurement runs.
  void mainTimerTick() {
    if (!measuring)
      backupDataSet();
  }

  // Options > Report File > Edit / Delete.
  int openLogInEditor();
  int deleteLogFile();

  // Help > Online Index: the contents page of the help in the current language.
  int callHtmlHelpFile();

  // Language switch (Options > Language): selects the program-wide tables.
  void setLanguage(int newLanguage);

  // What the menu state of a window depends on.
  MenuContext menuContext(WindowId window) const {
    return {window,           measuring,     dataLoaded,      measParams.daqErrorState,
            programMode == 1, lang.language, singlePanel != 0};
  }

  // Number settings of the order table and the statistics: the configuration's clipboard
  // decimals ("Kommastellen"), without field widths.
  StatisticsFormat statisticsFormat() const;
  // Number settings of the clipboard exports: those decimals, the clipboard field widths and
  // the given decimal separator.
  ExportFormat exportFormat(char decimalSeparator) const;
  // Decimals of the forces, ranges and areas the windows show (the display settings'
  // "Kommastellen").
  int displayDecimals() const;

  // Start-up: device file 1, then device file 2, from their configured paths.
  void loadDeviceFiles();

  // Started with SIMULATE: the acquisition box is the simulator, which the start screen and
  // the main window's title say, so a demonstration is never taken for a real measurement.
  bool onSimulator() const { return commandLine.simulate; }

  // Texts of the start screen and of Version Info.
  std::vector<std::string> startScreenLines() const;
  static std::string versionText();     // " 6. 4"
  static std::string programCodeText(); // "    3"

  // Ports.
  Ui& ui;
  Clock& clock;
  Registry& registry;

  // Program-wide state.
  Language lang;
  ProgramTexts texts;
  ErrorLog errorLog;
  Reporter reporter;
  MeasParams measParams;
  MeasParamsBondSource bondSource{measParams};
  Daq daq{measParams, reporter, lang};
  std::filesystem::path executableDirectory; // where the simulator library lies beside us
  DataSetModel model; // the one data set with its defaults, limits and change counters
  EvaluationList evaluations;
  CommandLine commandLine;
  int quitRequested = 0;
  int programMode = 0;
  std::string userDirectory;
  bool registryEntryMissing = false;
  std::string firstRunReport; // the log line of a first start that prepared a user directory
  std::filesystem::path logFilePath;
  std::filesystem::path helpDirectory; // the help pages, one folder per language
  // The installed first-run files; with them a start without a registered user directory
  // prepares one (program/zv_first_run.hpp). Empty: none.
  std::filesystem::path firstRunDirectory;
  std::string editorProgram;
  int singlePanel = 1;
  bool measuring = false;
  bool dataLoaded = false;
  std::string recentFilePath;
  std::string dataFilePath;
  PeriodicBackup* backup = nullptr;

  // The file system every file of the program goes through: configuration, device files, data
  // files, graph files and the backup journal. Tests point it at a fault-injecting one; fileRoute
  // follows the pointer at each call, so the stores below that keep a reference see every switch.
  FileSystem* fileSystem = &realFileSystem();
  RoutedFileSystem fileRoute{fileSystem};

  // Graph files and the backup journal. The start-up gives them their directories; the file
  // handling reaches them through graphBackup.store (GraphBackupHooks), the measurement
  // control through measurementFinished() and backupBeforeSeries() below.
  std::filesystem::path fallbackDirectoryPath;
  GraphBackup graphBackup{model, reporter, lang, [this] { return measuring; }, fileRoute};
  StorePeriodicBackup storeBackup{graphBackup.store};
  // Last step of the start-up: offers a backup left by a crash; sets quitRequested when the
  // program is to end.
  int reloadBackupAtStart();
  RefreshSink* refreshSink = nullptr; // the windows, once they exist
  // The data set file: its name, format options and the save/load/close flows.
  DataFileHandler dataFiles{
      {model, reporter, ui, lang, texts, dataLoaded, dataFilePath, fileRoute}};
  DataFileRestoreAccess dataFileAccess{dataFiles};

  void requestRefresh(WindowId window, std::uint32_t bits) {
    if (refreshSink)
      refreshSink->requestRefresh(window, bits);
  }

  // The configuration ZARVIK.INI (see program/zv_workdir.hpp): its path once the user
  // directory is known, and the settings that only it keeps. It is read and written through
  // fileSystem (above).
  std::string configPath;
  ConfigSettings config;

  // The two tester devices (channel 0 and 1); the data set takes its lists from the one shown.
  // A device without a file starts its file dialogs in the executable's directory.
  TesterDevices devices;
  // ---- Measuring ----------------------------------------------------------------------------
  // The acquisition box, the testers as a measurement sees them, and the one pull-off
  // processor with the running measurement (see program/zv_meas_control.hpp).
  DaqAcquisition acquisition{daq};
  DeviceTesterLookup<TesterDevices> testers{devices};
  PullOffProcessor processor{measParams, model, acquisition, testers, reporter, lang, measuring};
  MeasPanelPort* measPanel = nullptr; // the measurement window, once it exists
  bool measTickRunning = false;       // a timer tick is being handled
  // A finished measurement goes to the backup journal at once, with its curve.
  int measurementFinished(Measurement& m) { return graphBackup.store.backupMeasurementFinished(m); }
  // The curve of a measurement that is not in memory, from the graph file; 0 when it was read.
  int readCurve(Measurement& m) { return graphBackup.graph.graphReadCurve(&m); }
  // The backup at the start of a series; below 0 when the journal could not be written.
  int backupBeforeSeries() { return graphBackup.store.backupDataSet(); }
};

// The editor that opens the log file: ZARVIK_EDITOR when set, else the platform's own.
std::string defaultEditorProgram();

} // namespace zv
