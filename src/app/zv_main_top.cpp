#include "app/zv_main_top.hpp"

#include <QApplication>
#include <QDir>
#include <QLockFile>
#include <clocale>
#include <memory>

#include "program/zv_program.hpp"
#include "ui/zv_dialogs.hpp"
#include "ui/zv_qt_ports.hpp"
#include "ui/zv_shell.hpp"

namespace zv {

namespace {
// One copy of the program per machine. A lock left by a killed process is taken over.
enum class Instance { First, Another, CheckFailed };

Instance checkSingleInstance(QLockFile& lock) {
  lock.setStaleLockTime(0);
  if (lock.tryLock(0))
    return Instance::First;
  return lock.error() == QLockFile::LockFailedError ? Instance::Another : Instance::CheckFailed;
}

void showStartScreen(Program& program) {
  const QString picture = QDir(QCoreApplication::applicationDirPath()).filePath("start.jpg");
  StartScreen screen(program, picture);
  screen.show();
  screen.repaint();
  QCoreApplication::processEvents();
  program.clock.wait(3.0);
}

QString helpDirectory() {
  // Installed: <prefix>/share/zarvik/help; in the build tree the sources' docs/help.
  const QDir exe(QCoreApplication::applicationDirPath());
  for (const QString& candidate :
       {exe.filePath("../share/zarvik/help"), exe.filePath("help"), QString(ZV_SOURCE_HELP_DIR)})
    if (QDir(candidate).exists("index.html"))
      return QDir(candidate).absolutePath();
  return exe.filePath("help");
}
// The first-run files an installed program brings (<prefix>/share/zarvik/first-run).
std::string firstRunDirectory() {
  const QDir installed(
      QDir(QCoreApplication::applicationDirPath()).filePath("../share/zarvik/first-run"));
  return installed.exists("ZARVIK.INI") ? toPath(installed.absolutePath()) : std::string();
}
} // namespace

int runProgram(int argc, char** argv) {
  QApplication app(argc, argv);
  // Qt switched the C library to the user's locale; the program's files never follow it.
  std::setlocale(LC_NUMERIC, "C");
  QCoreApplication::setOrganizationName("ZEROVO");
  QCoreApplication::setApplicationName("ZARVIK");

  QtUi ui;
  SystemClock clock;
  QtRegistry registry;
  Program program(ui, clock, registry);

  QLockFile lock(QDir(QDir::tempPath()).filePath("zarvik.lock"));
  switch (checkSingleInstance(lock)) {
  case Instance::CheckFailed:
    program.reporter.reportMessage(report::Popup, 0, "",
                                   "Error at CheckForDuplicateAppInstance, Program exit", -1);
    return 0;
  case Instance::Another:
    program.reporter.reportMessage(report::Popup, 0, "",
                                   "ZARVIK is already running on this system, Program exit", -1);
    return 0;
  case Instance::First:
    break;
  }

  std::vector<std::string_view> words(argv, argv + argc);
  program.executableDirectory = QCoreApplication::applicationDirPath().toStdString();
  program.firstRunDirectory = firstRunDirectory();
  program.startUp(words);
  ui.useLanguage(program.lang);
  program.helpDirectory = helpDirectory().toStdString();
  showStartScreen(program);

  Shell shell(program, ui);
  shell.openLogWindow();
  program.logInit(shell.logWindow());
  program.initAcquisition();
  program.reportStartUpLines();
  program.loadDeviceFiles();
  shell.updateMenuState();

  QObject::connect(&shell, &Shell::quitRequested, &app,
                   [](int code) { QCoreApplication::exit(code); });
  program.reloadBackupAtStart();
  if (program.quitRequested() != 0)
    return program.quitRequested();
  return app.exec();
}

} // namespace zv
