#include "program/zv_program.hpp"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <system_error>

#include "platform/zv_latin1.hpp"
#include "platform/zv_path_bytes.hpp"
#include "program/zv_device_commands.hpp"
#include "program/zv_first_run.hpp"
#include "program/zv_help_pages.hpp"
#include "program/zv_userdir.hpp"
#include "program/zv_workdir.hpp"
#include "support/zv_system_error.hpp"
#include "support/zv_text_pattern.hpp"

namespace zv {

namespace {
const TextPair startScreenTitle = {"ZARVIK Data base/Piston control  -  Version: ",
                                   "ZARVIK Datenbank/Kolbensteuerung  -  Version: "};
const TextPair setupModeText = {"Setup-Mode", "Setup-Modus"};
const TextPair UserDirectoryPrepared = {"First start: user directory %s prepared",
                                        "Erster Start: Benutzerverzeichnis %s angelegt"};
const TextPair UserDirectoryFailed = {"First start: user directory %s could not be prepared",
                                      "Erster Start: Benutzerverzeichnis %s konnte nicht "
                                      "angelegt werden"};

std::string twoDigits(int v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%2d", v);
  return buf;
}
} // namespace

std::string defaultEditorProgram() {
  if (const char* e = std::getenv("ZARVIK_EDITOR"); e && *e)
    return e;
#ifdef _WIN32
  return "NOTEPAD.EXE";
#else
  return "xdg-open";
#endif
}

ProgramEnvironment::ProgramEnvironment(Ui& ui_, Clock& clock_, Registry& registry_,
                                       const std::filesystem::path& fallbackDirectory)
    : ui(ui_), clock(clock_), registry(registry_), errorLog(clock_, fallbackDirectory),
      reporter(errorLog, ui_), fallbackDirectoryPath(fallbackDirectory),
      editorProgram(defaultEditorProgram()) {
  texts.select(lang);
}

OpenDataSet::OpenDataSet(ProgramEnvironment& env, std::function<bool()> measuring)
    : model(env.reporter, env.lang),
      graphBackup(model, env.reporter, env.lang, std::move(measuring), env.fileRoute),
      files({model, env.reporter, env.ui, env.lang, env.texts, env.fileRoute}) {
  // The file handling writes and opens graph files, refreshes and closes the backup, and
  // refuses the backup directory; the restore loads and saves through the file handling.
  files.setHooks(&graphBackup.store);
  files.setBackupDirectoryCheck([this](const std::filesystem::path& p) {
    return graphBackup.journal.CmpFilePathToBackupDir(p) != 0;
  });
  graphBackup.store.setDataFileAccess(&restoreAccess_);
}

Measuring::Measuring(ProgramEnvironment& env, DataSetModel& model)
    : daq(params, env.reporter, env.lang),
      processor(params, model, acquisition, testers, env.reporter, env.lang) {
  model.setBondTensionSource(&bondFactors_);
  model.setDeviceLists(&devices);
  daq.setRunStateReset([this] { processor.resetRunState(); });
}

Program::Program(Ui& ui_, Clock& clock_, Registry& registry_, std::filesystem::path fallbackDir)
    : ProgramEnvironment(ui_, clock_, registry_,
                         fallbackDir.empty() ? fallbackDirectory() : fallbackDir),
      data(*this, [this] { return isMeasuring(); }), meas(*this, data.model) {}

StatisticsFormat Program::statisticsFormat() const {
  return {exportFormatOf(config.clipboard, '.').decimals};
}

ExportFormat Program::exportFormat(char decimalSeparator) const {
  return exportFormatOf(config.clipboard, decimalSeparator);
}

int Program::displayDecimals() const {
  return std::clamp(config.display.decimalPlaces, 0, 10);
}

int Program::startUp(const std::vector<std::string_view>& args) {
  setMeasParamsDefaults(meas.params);
  meas.devices.createBoth(executableDirectory);
  data.model.deleteDataSet();
  data.model.initDefaults();
  errorLog.setName("ZarvikLog.TXT");
  {
    // The graph and backup directories live in the user directory, else in the fallback.
    std::string dir;
    const std::filesystem::path base =
        getUserDirectory(registry, reporter, texts[MessageText::SetupOpenError], dir) == 0
            ? pathFromBytes(dir)
            : fallbackDirectoryPath;
    data.graphBackup.setDirectories(GraphBackup::graphDirectoryIn(base),
                                    GraphBackup::backupDirectoryIn(base));
  }
  data.model.resetChanges();
  data.files.dataFileInit();
  programMode = 0;
  commandLine = {};
  scanCommandLine(args, commandLine);
  if (commandLine.offline) {
    meas.params.daqEnabled = 0;
    meas.params.daqErrorState = 1;
  }
  programMode = commandLine.programMode ? 1 : 0;
  if (commandLine.simulate)
    // Beside the program in the build tree; in <prefix>/lib/zarvik once installed.
    meas.daq.setLibraryCandidates(
        {pathBytes(daqmx::simulatorLibraryPath(executableDirectory)),
         pathBytes(daqmx::simulatorLibraryPath(executableDirectory / ".." / "lib" / "zarvik"))});

  prepareFirstRun();
  registryEntryMissing = loadConfiguration(*this) != 0;
  clampLoadedSettings(*this);
  texts.select(lang);
  return 0;
}

void Program::logInit(LogSink* logWindow) {
  reporter.setLogTarget(logWindow);
  std::string dir;
  if (getUserDirectory(registry, reporter, texts[MessageText::SetupOpenError], dir) == 0)
    errorLog.setPath(pathFromBytes(dir) / "zarviklog.txt");
  else
    errorLog.setPath(errorLog.path().parent_path() / "zarviklog.txt");
  errorLog.setName("ZarvikLog.TXT");
  logFilePath = errorLog.path();
}

void Program::prepareFirstRun() {
  if (firstRunDirectory.empty() || registry.readIniFilePath())
    return;
  const std::filesystem::path target = firstRunUserDirectory();
  const std::string shown = pathText(pathBytes(target / ""));
  if (const std::error_code ec =
          prepareUserDirectory(fileRoute, registry, firstRunDirectory, target))
    firstRunReport_ =
        fillIn(lang.pick(UserDirectoryFailed), shown) + " (" + fileErrorText(ec, lang) + ")";
  else
    firstRunReport_ = fillIn(lang.pick(UserDirectoryPrepared), shown);
}

void Program::reportStartUpLines() {
  if (!firstRunReport_.empty())
    reporter.appendLogText(firstRunReport_ + "\n");
  if (registryEntryMissing)
    reporter.appendLogText("INI File Eintrag in Registry fehlt\n");
}

int Program::reloadBackupAtStart() {
  quitRequested_ = data.graphBackup.reloadBackupAtStart();
  return quitRequested_;
}

bool Program::requestExit() {
  if (isMeasuring()) {
    reporter.reportMessage(report::PopupAndLog, 0, "", texts[MessageText::StopMeasuringFirst], 0);
    return false;
  }
  backupDataSet();
  return true;
}

bool Program::confirmExit() {
  static const TextPair exitTitle{"File - Exit Program", "Datei - Program beenden"};
  // A changed data set is offered for saving; Abort or a failed save keeps the program running.
  if (data.files.closeDataSet(std::string(lang.pick(exitTitle))) != 0)
    return false;
  shutdownProgram();
  return true;
}

void Program::shutdownProgram() {
  meas.processor.endMeasuring();
  if (meas.params.daqEnabled == 1)
    meas.daq.daqShutdown();
  if (saveConfiguration(*this) == -1)
    ui.popup("INI-File", "Cannot save INI-File");
  quitRequested_ = 1;
}

int Program::openLogInEditor() {
  std::error_code ec;
  if (!std::filesystem::exists(logFilePath, ec)) {
    ui.popup("", texts[MessageText::LogMissing]);
    return 0;
  }
  // The path goes to the editor as one argument, never through a shell.
  if (!ui.startProcess(editorProgram, pathBytes(logFilePath))) {
    reporter.reportMessage(report::LogOnly, report::KindNoPopup, "", "LaunchExecutable Editor", -3);
    return -3;
  }
  return 0;
}

int Program::deleteLogFile() {
  const int yes = 0;
  int answer = ui.ask(texts[MessageText::DeleteLogTitle], texts[MessageText::ReallyDeleteLog],
                      {texts[GeneralText::Yes], texts[GeneralText::No]}, 0, 1);
  if (answer != yes)
    return 0;
  std::error_code ec;
  if (!std::filesystem::exists(logFilePath, ec))
    return 0;
  if (!std::filesystem::remove(logFilePath, ec) || ec) {
    reporter.reportMessage(report::LogOnly, report::KindNoPopup, "", "Delete LogFile", -2);
    return -2;
  }
  return 0;
}

int Program::callHtmlHelpFile() {
  return showHelp(*this, HelpContents);
}

void Program::setLanguage(int newLanguage) {
  lang.language = newLanguage == 0 ? 0 : 1;
  texts.select(lang);
}

void Program::loadDeviceFiles() {
  loadDeviceFilesAtStart(*this);
}

std::string Program::versionText() {
  return twoDigits(ProgramVersion / 10) + "." + twoDigits(ProgramVersion % 10);
}

std::string Program::programCodeText() {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%5d", ProgramCode);
  return buf;
}

std::vector<std::string> Program::startScreenLines() const {
  std::vector<std::string> lines;
  lines.push_back("Pull-off adhesion testing with the Zarvik 850");
  lines.push_back(std::string(lang.pick(startScreenTitle)) + " : " + versionText());
  lines.push_back(std::string(meas.params.daqEnabled == 1 ? "Online" : "Offline") +
                  (onSimulator() ? " - Simulator" : ""));
  if (programMode == 1)
    lines.push_back(lang.pick(setupModeText));
  return lines;
}

} // namespace zv
