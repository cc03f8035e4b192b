#pragma once
// The one program: its environment and its two parts, the open data set and measuring.
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "core/zv_calculate.hpp"
#include "program/zv_measuring.hpp"
#include "program/zv_menu_table.hpp"
#include "program/zv_open_data_set.hpp"
#include "program/zv_program_environment.hpp"

namespace zv {

constexpr int ProgramVersion = 64;
constexpr const char* ProgramDate = "2.04.2012";
constexpr int ProgramCode = 3;

// The environment every part reaches (ports, language, texts, log, files, configuration), the
// open data set, and measuring; created once in main() and afresh in every test. The windows
// reach the parts through this object.
class Program : public ProgramEnvironment {
public:
  Program(Ui& ui, Clock& clock, Registry& registry,
          std::filesystem::path fallbackDir = std::filesystem::path());

  OpenDataSet data;
  Measuring meas;

  // Start-up up to the start screen: built-in values, log file name, command line, user
  // directory and configuration. The single-instance check happens before, in main().
  int startUp(const std::vector<std::string_view>& args);
  // Start-up: a first start with installed first-run files prepares the user directory.
  void prepareFirstRun();
  // Start-up after the log window: detects the acquisition box and tests its connection.
  int initAcquisition() { return meas.daq.daqInit(); }
  // Start-up: device file 1, then device file 2, from their configured paths.
  void loadDeviceFiles();
  // Last step of the start-up: offers a backup left by a crash; asks the program to end when
  // the user chose so.
  int reloadBackupAtStart();

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
  // Not 0 when the program is to end (after the exit, or when the start-up's restore said so).
  int quitRequested() const { return quitRequested_; }

  bool isMeasuring() const { return meas.processor.isMeasuring(); }
  // Writes the changed records to the backup journal (before menu commands and on the timer).
  void backupDataSet() { data.backupDataSet(); }
  // The main timer: the periodic backup, never while a measurement runs.
  void mainTimerTick() {
    if (!isMeasuring())
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
    return {window,           isMeasuring(), data.isLoaded(), meas.params.daqErrorState,
            programMode == 1, lang.language, singlePanel != 0};
  }
  int singlePanel = 1; // the measurement window shows one tester

  // Number settings of the order table and the statistics: the configuration's clipboard
  // decimals ("Kommastellen"), without field widths.
  StatisticsFormat statisticsFormat() const;
  // Number settings of the clipboard exports: those decimals, the clipboard field widths and
  // the given decimal separator.
  ExportFormat exportFormat(char decimalSeparator) const;
  // Decimals of the forces, ranges and areas the windows show (the display settings'
  // "Kommastellen").
  int displayDecimals() const;

  // Started with SIMULATE: the acquisition box is the simulator, which the start screen and
  // the main window's title say, so a demonstration is never taken for a real measurement.
  bool onSimulator() const { return commandLine.simulate; }

  // Texts of the start screen and of Version Info.
  std::vector<std::string> startScreenLines() const;
  static std::string versionText();     // " 6. 4"
  static std::string programCodeText(); // "    3"

private:
  int quitRequested_ = 0;
  std::string firstRunReport_; // the log line of a first start that prepared a user directory
};

} // namespace zv
