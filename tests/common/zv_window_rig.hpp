#pragma once
// What every window test needs: the program with its real Qt windows on a fresh user directory,
// named controls, answers to the modal dialogs that open meanwhile, and quiet offscreen runs.
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>
#include <QtTest>
#include <cstdio>
#include <functional>
#include <memory>

#include "common/zv_fakes.hpp"
#include "common/zv_testdir.hpp"
#include "program/zv_program.hpp"
#include "ui/zv_qt_ports.hpp"
#include "ui/zv_shell.hpp"

namespace zv::test {

// Offscreen, Qt reports a few harmless plugin limits; they are kept out of the output. (Qt Test
// sets its own handler when it starts, so this runs inside the test.)
inline void quietQt() {
  qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& msg) {
    if (!msg.contains("propagateSizeHints") && !msg.contains("does not support"))
      std::fprintf(stderr, "%d: %s\n", int(type), qPrintable(msg));
  });
}

// The named control of a window; a missing one ends the run with its name.
template <class T> T* child(const QObject* parent, const char* name) {
  T* c = parent->findChild<T*>(name);
  if (!c)
    qFatal("no control %s", name);
  return c;
}
inline QString labelText(const QObject* parent, const char* name) {
  auto* l = parent->findChild<QLabel*>(name);
  return l ? l->text() : QString("<missing>");
}
inline QStringList labelTexts(const QObject* parent, std::initializer_list<const char*> names) {
  QStringList out;
  for (const char* name : names)
    out << labelText(parent, name);
  return out;
}

// Waits up to about two seconds for a modal T to appear, then runs act on it. seen, when given,
// tells whether it ever appeared.
template <class T> void onNextModal(std::function<void(T*)> act, bool* seen = nullptr) {
  if (seen)
    *seen = false;
  auto attempt = std::make_shared<std::function<void(int)>>();
  *attempt = [act, seen, weak = std::weak_ptr(attempt)](int left) {
    if (auto* w = qobject_cast<T*>(QApplication::activeModalWidget())) {
      if (seen)
        *seen = true;
      act(w);
      return;
    }
    if (auto again = weak.lock(); again && left > 0)
      QTimer::singleShot(10, [again, left] { (*again)(left - 1); });
  };
  QTimer::singleShot(0, [attempt] { (*attempt)(200); });
}

struct ShellRig {
  TestDir dir;
  FakeClock clock;
  std::unique_ptr<MemoryRegistry> registry;
  std::unique_ptr<QtUi> ui;
  std::unique_ptr<Program> program;
  std::unique_ptr<Shell> shell;

  // A new program, started up unless told otherwise; with the main windows when told.
  void newProgram(bool startUp = true, bool windows = false) {
    quietQt();
    registry = std::make_unique<MemoryRegistry>((dir.path() / "").string());
    ui = std::make_unique<QtUi>();
    program = std::make_unique<Program>(*ui, clock, *registry, dir.path() / "fallback" / "");
    if (startUp)
      program->startUp({"zarvik"});
    if (windows)
      openShell();
  }
  // The main windows, the log window open and the program's log target.
  void openShell() {
    shell = std::make_unique<Shell>(*program, *ui);
    shell->openLogWindow();
    program->logInit(shell->logWindow());
  }
  // A loaded samples x storages data set.
  void loadDataSet(int samples, int storages) {
    auto& m = program->data.model;
    m.createDataSet();
    m.addSamples(samples);
    m.addStorages(storages);
    m.renumber();
    program->data.files.markLoaded();
  }
  // Runs a menu command whose dialog opens modally; `inside` works on that dialog, which is
  // closed afterwards if still open.
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
  // The folder named by ZV_TOUR_DIR, where the documentation's pictures go (empty: none).
  static QString tourDir() { return QString::fromLocal8Bit(qgetenv("ZV_TOUR_DIR")); }
};

} // namespace zv::test
