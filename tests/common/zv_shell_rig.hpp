#pragma once
// The program with its real Qt windows for window tests: a program whose user directory is a
// fresh temporary directory, the Qt Ui, and the shell that owns the main windows.
#include <functional>
#include <memory>

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <QtTest>

#include "common/zv_fakes.hpp"
#include "common/zv_testdir.hpp"
#include "program/zv_program.hpp"
#include "ui/zv_qt_ports.hpp"
#include "ui/zv_shell.hpp"

namespace zv::test {

struct ShellRig {
  TestDir dir;
  FakeClock clock;
  std::unique_ptr<MemoryRegistry> registry;
  std::unique_ptr<QtUi> ui;
  std::unique_ptr<Program> program;
  std::unique_ptr<Shell> shell;

  // A new program, started up unless told otherwise.
  void newProgram(bool startUp = true) {
    registry = std::make_unique<MemoryRegistry>((dir.path() / "").string());
    ui = std::make_unique<QtUi>();
    program = std::make_unique<Program>(*ui, clock, *registry, dir.path() / "fallback" / "");
    if (startUp)
      program->startUp({"zarvik"});
  }
  // The main windows, the log window open.
  void openShell() {
    shell = std::make_unique<Shell>(*program, *ui);
    shell->openLogWindow();
  }
  // Runs a menu command whose dialog opens modally; `inside` works on that dialog.
  void withDialog(int command, const std::function<void(QDialog*)>& inside) {
    bool seen = false;
    QTimer::singleShot(0, [&] {
      auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      QVERIFY(dialog);
      seen = true;
      inside(dialog);
      if (dialog->isVisible())
        dialog->reject();
    });
    shell->command(command, shell->logWindow());
    QVERIFY(seen);
  }
  // Windows first, then the program they show.
  void endProgram() {
    shell.reset();
    program.reset();
  }
};

} // namespace zv::test
