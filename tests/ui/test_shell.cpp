// The log window with its menu bar: every item wired or dimmed in both languages, and the end
// of the program through the exit dialog.
#include <QAction>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>

#include "common/zv_window_rig.hpp"
#include "program/zv_meas_control.hpp"
#include "program/zv_menu_table.hpp"
#include "ui/zv_dialogs.hpp"
#include "ui/zv_main_window.hpp"
#include "ui/zv_menubar.hpp"

using namespace zv;

class TestShell : public QObject, test::ShellRig {
  Q_OBJECT

  MenuBar* bar() { return shell->logWindow()->menu(); }
  // What a menu command may change that a user sees.
  QStringList snapshot() {
    const DataSetModel& m = program->data.model;
    QStringList s{QApplication::clipboard()->text()};
    for (int v : {program->lang.language, program->singlePanel, m.sampleCount(), m.storageCount(),
                  m.currentMeasurementCount(), int(shell->logWindow()->text().count('\n')),
                  int(program->data.isLoaded()), int(std::filesystem::exists(dataFile()))})
      s << QString::number(v);
    for (WindowId id : {WindowId::Log, WindowId::Order, WindowId::Storage, WindowId::Measurement})
      s << QString::number(shell->window(id) && shell->window(id)->isVisible());
    return s;
  }
  std::filesystem::path dataFile() { return dir.path() / "WALK.BIN"; }
  // A loaded 1 x 1 data set whose file is WALK.BIN (not yet written), shown in `owner`.
  MainWindowBase* loadedIn(WindowId owner) {
    if (!program->data.model.hasDataSet() || !program->data.isLoaded()) {
      loadDataSet(1, 1);
      program->data.model.resetChanges();
      program->data.files.setDataFile(dataFile());
    }
    shell->showWindow(owner);
    return owner == WindowId::Log ? shell->logWindow() : shell->window(owner);
  }
  // Whether a user can reach the item: it and every menu above it are enabled.
  static bool reachable(MenuBar* bar, int id) {
    for (const MenuItemDef* d = findMenuItem(id); d && d->id != menu::Bar;
         d = findMenuItem(d->parent))
      if (!bar->action(d->id)->isEnabled())
        return false;
    return true;
  }
  // Triggers the item; every modal window that opens meanwhile is noted and closed.
  QStringList trigger(QAction* action) {
    QStringList modals;
    QTimer closer;
    closer.setInterval(5);
    connect(&closer, &QTimer::timeout, [&] {
      if (QWidget* modal = QApplication::activeModalWidget()) {
        modals << modal->metaObject()->className();
        if (auto* dialog = qobject_cast<QDialog*>(modal))
          dialog->reject();
        else
          modal->close();
      }
    });
    closer.start();
    action->trigger();
    closer.stop();
    return modals;
  }

private slots:
  void init() {
    newProgram(true, true);
    shell->updateMenuState();
  }
  void cleanup() { endProgram(); }

  void startScreenDrawsItsPictureAndSaysSimulator() {
    program->commandLine.simulate = true;
    StartScreen screen(*program, dir.file("no-start.jpg").c_str());
    QVERIFY(screen.findChild<QWidget*>("ARTWORK"));
    QStringList lines;
    for (QLabel* label : screen.findChildren<QLabel*>())
      lines << label->text();
    QVERIFY2(lines.contains("Online - Simulator") || lines.contains("Offline - Simulator"),
             qPrintable(lines.join('|')));
    if (const QString out = tourDir(); !out.isEmpty()) {
      screen.show();
      QVERIFY(screen.grab().save(out + "/start-screen.png"));
    }
  }

  // The log window's close box asks like File > Exit, and Yes ends.
  void theCloseBoxAsksLikeExit() {
    QSignalSpy quit(shell.get(), &Shell::quitRequested);
    bool seen = false;
    test::onNextModal<QDialog>([](QDialog* d) { test::child<QPushButton>(d, "YES")->click(); },
                               &seen);
    shell->logWindow()->close();
    QCOMPARE((std::tuple{seen, quit.count(), program->quitRequested()}), (std::tuple{true, 1, 1}));
  }

  // Every item of every window's menu bar, in both languages: each item a user can reach
  // has an effect (a window, a popup, a clipboard text, a changed state); the commands of
  // the Edit menu are out of reach in the log window only.
  void everyReachableItemHasAnEffectInEveryWindowAndLanguage() {
    program->programMode = 1; // Set User Directory too
    program->editorProgram = (dir.path() / "no-editor").string();
    program->helpDirectory = dir.path();
    const std::map<int, WindowId> shows{{menu::OrderTable, WindowId::Order},
                                        {menu::StorageTable, WindowId::Storage},
                                        {menu::SglMea, WindowId::Measurement},
                                        {menu::Log, WindowId::Log}};
    for (int language : {1, 0}) {
      for (WindowId owner :
           {WindowId::Log, WindowId::Order, WindowId::Storage, WindowId::Measurement}) {
        for (const MenuItemDef& d : menuItems()) {
          if (d.handler == MenuHandler::Separator || d.handler == MenuHandler::Menu ||
              d.handler == MenuHandler::Submenu)
            continue;
          QVERIFY2(shell->hasCommand(d.id), d.english);
          shell->switchLanguage(language);
          program->singlePanel = 1;
          MainWindowBase* w = loadedIn(owner);
          shell->updateMenuState();
          MenuBar* bar = w->menu();
          const bool canReach = reachable(bar, d.id);
          if (d.id == menu::CopyAll || d.id == menu::CopyData) {
            QCOMPARE(canReach, owner != WindowId::Log);
          }
          if (d.id == menu::Dir || d.id == menu::ProgInfo || d.id == menu::Report ||
              d.id == menu::ExportReport || d.id == menu::ExportCsv) {
            QVERIFY(canReach);
          }
          if (!canReach)
            continue;
          const QString what = QString("%1 in window %2, language %3")
                                   .arg(bar->action(d.id)->text())
                                   .arg(static_cast<int>(owner))
                                   .arg(language);
          if (const auto target = shows.find(d.id); target != shows.end()) {
            // Showing a window: it is visible afterwards, also when it was hidden before.
            if (MainWindowBase* t = shell->window(target->second); t && t != w)
              t->hide();
            trigger(bar->action(d.id));
            QVERIFY2(shell->window(target->second)->isVisible(), qPrintable(what));
            continue;
          }
          if (d.id == menu::German || d.id == menu::English) {
            trigger(bar->action(d.id));
            QVERIFY2(program->lang.language == (d.id == menu::English ? 1 : 0), qPrintable(what));
            continue;
          }
          std::filesystem::remove(dataFile());
          QApplication::clipboard()->clear();
          const QStringList before = snapshot();
          const QStringList modals = trigger(bar->action(d.id));
          QVERIFY2(!modals.isEmpty() || snapshot() != before, qPrintable(what));
          if (d.id == menu::CopyAll || d.id == menu::CopyData || d.id == menu::Report) {
            QVERIFY2(!QApplication::clipboard()->text().isEmpty(), qPrintable(what));
          }
          if (program->isMeasuring())
            stopMeasuring(*program);
        }
      }
    }
  }
};

QTEST_MAIN(TestShell)
#include "test_shell.moc"
