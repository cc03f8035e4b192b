// The log window with its menu bar: the language switch, every item wired or dimmed, unique
// mnemonics, and the end of the program through the exit dialog.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "common/zv_fakes.hpp"
#include "common/zv_qt_quiet.hpp"
#include "common/zv_shell_rig.hpp"
#include "common/zv_testdir.hpp"
#include "program/zv_menu_table.hpp"
#include "program/zv_program.hpp"
#include "ui/zv_qt_ports.hpp"
#include "ui/zv_shell.hpp"

using namespace zv;

namespace {
// Presses a button of the modal dialog that opens next.
void pressInNextDialog(const char* buttonName, bool* seen = nullptr) {
  QTimer::singleShot(0, [=] {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal)
      return;
    if (seen)
      *seen = true;
    if (auto* b = modal->findChild<QPushButton*>(buttonName))
      b->click();
    else
      modal->close();
  });
}
} // namespace

class TestShell : public QObject, test::ShellRig {
  Q_OBJECT

  QString label(int id) { return shell->logWindow()->menu()->action(id)->text(); }
  bool enabled(int id) { return shell->logWindow()->menu()->action(id)->isEnabled(); }

private slots:
  void initTestCase() { test::installQuietMessageHandler(); }

  void init() {
    newProgram();
    openShell();
    program->logInit(shell->logWindow());
    shell->updateMenuState();
  }

  void cleanup() { endProgram(); }

  void pathsKeepTheirCharacters() {
    for (const char* name : {"M\xC3\xBCller.BIN", "\xE6\xB5\x8B\xE8\xAF\x95.DAT"}) {
      const std::string path = std::string("/data/") + name;
      const QString shown = QString::fromUtf8(path.c_str());
      program->dataFilePath = path;
      shell->updateMenuState();
      QCOMPARE(shell->logWindow()->menu()->recentFileLabel(), shown);
      QCOMPARE(toPath(shell->logWindow()->menu()->recentFileLabel()), path);
      FileDialogSpec spec;
      spec.startDirectory = "/data";
      spec.defaultName = name;
      QCOMPARE(fileDialogStart(spec), shown);
    }
    program->dataFilePath.clear();
  }

  void logLinesReachTheWindow() {
    program->reporter.reportMessage(report::LogOnly, 0, "", "first line", 0);
    program->reporter.appendLogText("Check DAQ Connection...");
    program->reporter.appendLogText("OK\n");
    QCOMPARE(shell->logWindow()->text(), QString("first line\nCheck DAQ Connection...OK\n"));
    QVERIFY(shell->logWindow()->textBox()->isReadOnly());
  }

  void closeBoxAsksLikeExitAndYesEnds() {
    QSignalSpy quit(shell.get(), &Shell::quitRequested);
    bool seen = false;
    pressInNextDialog("YES", &seen);
    shell->logWindow()->close();
    QVERIFY(seen);
    QCOMPARE(quit.count(), 1);
    QCOMPARE(program->quitRequested, 1);
  }

  void versionInfoShowsVersionDateAndCode() {
    QString version;
    QStringList labels;
    QTimer::singleShot(0, [&] {
      QWidget* modal = QApplication::activeModalWidget();
      QVERIFY(modal);
      version = modal->findChild<QLabel*>("VERSION")->text();
      for (QLabel* l : modal->findChildren<QLabel*>())
        labels << l->text();
      modal->findChild<QPushButton*>("QUIT")->click();
    });
    shell->switchLanguage(0);
    shell->logWindow()->menu()->action(menu::Info)->trigger();
    QCOMPARE(version, QString(" 6. 4"));
    QVERIFY(labels.contains("Datum") && labels.contains("Kennung") && !labels.contains("Date"));
  }

  // Every item that is not a separator or a menu title does something; the few whose
  // commands the program does not have yet are dimmed.
  void everyMenuItemHasACommandOrIsDimmed() {
    const auto missing = notYetAvailable();
    for (const MenuItemDef& d : menuItems()) {
      if (d.handler == MenuHandler::Separator || d.handler == MenuHandler::Menu ||
          d.handler == MenuHandler::Submenu)
        continue;
      const bool absent = std::find(missing.begin(), missing.end(), d.id) != missing.end();
      QVERIFY2(shell->hasCommand(d.id) != absent, d.english);
    }
    program->dataLoaded = true;
    shell->updateMenuState();
    for (int id : missing)
      QVERIFY(!enabled(id));
  }

  // Qt's own texts (standard buttons, file dialogs) follow the program's language.
  void qtTextsFollowTheLanguage() {
    const auto cancel = [] {
      QDialogButtonBox box(QDialogButtonBox::Cancel);
      return box.button(QDialogButtonBox::Cancel)->text();
    };
    QCOMPARE(cancel(), QString("Cancel"));
    shell->switchLanguage(0);
    QCOMPARE(cancel(), QString("Abbrechen"));
    shell->switchLanguage(1);
    QCOMPARE(cancel(), QString("Cancel"));
  }

  // Alt plus a letter reaches one thing only, in every window and both languages.
  void mnemonicsAreUniqueInEveryWindow() {
    program->model.createDataSet();
    program->model.addSamples(1);
    program->model.addStorages(1);
    program->dataLoaded = true;
    for (int language : {1, 0}) {
      shell->switchLanguage(language);
      for (WindowId id :
           {WindowId::Log, WindowId::Order, WindowId::Storage, WindowId::Measurement}) {
        QWidget* w = id == WindowId::Log ? shell->logWindow() : shell->ensureWindow(id);
        QStringList texts;
        for (QAction* a : static_cast<QMainWindow*>(w)->menuBar()->actions())
          texts << a->text();
        for (QLabel* l : w->findChildren<QLabel*>())
          if (l->buddy())
            texts << l->text();
        for (QAbstractButton* b : w->findChildren<QAbstractButton*>())
          texts << b->text();
        QSet<QKeySequence> seen;
        for (const QString& t : texts) {
          const QKeySequence key = QKeySequence::mnemonic(t);
          if (key.isEmpty())
            continue;
          QVERIFY2(!seen.contains(key), qPrintable(QString("%1: %2").arg(w->objectName(), t)));
          seen.insert(key);
        }
      }
    }
  }

  void dataAcquisitionDialogShowsTheBox() {
    program->measParams.productType = "USB-6210";
    program->measParams.deviceName = "Dev1";
    QString product, device;
    QTimer::singleShot(0, [&] {
      QWidget* modal = QApplication::activeModalWidget();
      QVERIFY(modal);
      product = modal->findChild<QLabel*>("PRODUCT")->text();
      device = modal->findChild<QLabel*>("DEVICE")->text();
      modal->findChild<QPushButton*>("QUIT")->click();
    });
    shell->command(menu::Hard, shell->logWindow());
    QCOMPARE(product, QString("USB-6210"));
    QCOMPARE(device, QString("Dev1"));
  }
};

QTEST_MAIN(TestShell)
#include "test_shell.moc"
