// The "Setup - Devicefile" dialog: add through the prompt, the close box and Escape aborting,
// Save writing the device's file, Load, the Latin-1 rule of the text fields, and the menu items
// that open it. The editing rules themselves are the device session's (tests/program).
#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <fstream>

#include "common/zv_child.hpp"
#include "common/zv_fakes.hpp"
#include "common/zv_modal.hpp"
#include "common/zv_qt_quiet.hpp"
#include "common/zv_shell_rig.hpp"
#include "common/zv_testdir.hpp"
#include "program/zv_menu_table.hpp"
#include "program/zv_program.hpp"
#include "ui/zv_device_dlg.hpp"
#include "ui/zv_qt_ports.hpp"
#include "ui/zv_shell.hpp"

using namespace zv;
using zv::test::child;

namespace {

// Answers the next text prompt with text.
void answerPrompt(const QString& text, bool* seen = nullptr) {
  test::onNextModal<QInputDialog>(
      [text](QInputDialog* d) {
        d->setTextValue(text);
        d->accept();
      },
      seen);
}

QStringList rows(QListWidget* list) {
  QStringList out;
  for (int i = 0; i < list->count(); ++i)
    out << list->item(i)->text();
  return out;
}
} // namespace

class TestDeviceDialog : public QObject, test::ShellRig {
  Q_OBJECT

  static QString text(QWidget* w, const char* name) { return child<QPushButton>(w, name)->text(); }
  static void typeInto(QWidget* w, const char* name, const QString& value) {
    auto* field = child<QLineEdit>(w, name);
    field->setText(value);
    emit field->editingFinished();
  }

private slots:
  void initTestCase() { test::installQuietMessageHandler(); }

  void init() {
    newProgram(false);
    program->meas.devices.createBoth(dir.path());
  }

  void cleanup() { endProgram(); }

  // The close box and Escape in a typed field abort without committing what was typed.
  void closeBoxAndEscapeAbort() {
    for (bool escape : {false, true}) {
      DeviceDialog dialog(*program, 0);
      dialog.show();
      QVERIFY(QTest::qWaitForWindowActive(&dialog));
      auto* serial = child<QLineEdit>(&dialog, "SERIAL");
      typeInto(&dialog, "NAME", "Gone");
      serial->setFocus();
      QTest::keyClicks(serial, "typed");
      if (escape)
        QTest::keyClick(serial, Qt::Key_Escape);
      else
        dialog.close();
      QVERIFY(!dialog.isVisible());
      const TesterDevice& d = *program->meas.devices.device(0);
      QCOMPARE(d.name + "/" + d.serialNumber, std::string("---/000"));
      QVERIFY(program->meas.devices.workingCopy() == nullptr);
    }
  }

  // Add asks through the prompt and redraws its list; Save writes the device's file.
  void addThroughThePromptAndSaveWritesTheDevicesFile() {
    const auto path = dir.path() / "tester1.ZRK";
    TesterDevice& d = *program->meas.devices.device(0);
    d.setFilePath(path);
    d.takeSavedChecksum();
    DeviceDialog dialog(*program, 0);
    dialog.show();
    QCOMPARE(child<QLineEdit>(&dialog, "FILE")->text(), QString("tester1.ZRK"));
    bool seen = false;
    answerPrompt("15", &seen);
    child<QPushButton>(&dialog, "ADD_PISTONS")->click();
    QVERIFY(seen);
    QCOMPARE(rows(child<QListWidget>(&dialog, "PISTONS")),
             QStringList({"  10.000", "  15.000", "  20.000", "  30.000"}));
    QVERIFY(!child<QPushButton>(&dialog, "ABORT")->isHidden());
    answerPrompt("0.75");
    child<QPushButton>(&dialog, "ADD_AREAS")->click();
    // A name typed and OK pressed at once is committed before the save.
    child<QLineEdit>(&dialog, "NAME")->setText(QString::fromUtf8("Prüfer 1"));
    QCOMPARE(text(&dialog, "OK"), QString("Save"));
    child<QPushButton>(&dialog, "OK")->click();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    const std::string file = test::TestDir::readFile(path);
    QVERIFY(file.find("Name = \"Pr\xfc"
                      "fer 1\"") != std::string::npos);
    QVERIFY(file.find("Fl\xe4"
                      "che-1 = 0.75") != std::string::npos);
    QVERIFY(!d.changed());
  }

  void textsLatin1CannotHoldAreRefused() {
    DeviceDialog dialog(*program, 0);
    dialog.show();
    QString popup;
    test::confirmPopup(&popup);
    typeInto(&dialog, "NAME", QString::fromUtf8("Prüfer €"));
    QVERIFY(popup.contains("Latin-1"));
    QCOMPARE(child<QLineEdit>(&dialog, "NAME")->text(), QString("---"));
    QCOMPARE(QString::fromStdString(program->meas.devices.device(0)->name), QString("---"));
    QCOMPARE(text(&dialog, "OK"), QString("Close"));
    dialog.reject();
  }

  void loadButtonReadsTheChosenFileAndRedraws() {
    const auto path = dir.path() / "other.ZRK";
    TesterDevice source;
    source.setName("From file");
    source.speeds.insert(42.0);
    std::ofstream(path, std::ios::binary) << deviceFileText(source);
    DeviceDialog dialog(*program, 1);
    dialog.show();
    test::onNextModal<QFileDialog>([&](QFileDialog* fileDialog) {
      // The platform file dialog: answer with the file's path.
      if (auto* name = fileDialog->findChild<QLineEdit*>("fileNameEdit"))
        name->setText(QString::fromStdString(path.string()));
      static_cast<QDialog*>(fileDialog)->accept();
    });
    child<QPushButton>(&dialog, "LOAD")->click();
    QCOMPARE(child<QLineEdit>(&dialog, "NAME")->text(), QString("From file"));
    QCOMPARE(child<QLineEdit>(&dialog, "FILE")->text(), QString("other.ZRK"));
    QCOMPARE(child<QListWidget>(&dialog, "SPEEDS")->count(), 4);
    QCOMPARE(text(&dialog, "OK"), QString("Close"));
    dialog.reject();
    QCOMPARE(QString::fromStdString(program->meas.devices.device(1)->name), QString("From file"));
  }

  void theMenuItemOpensTheDialogOfItsDevice() {
    Shell shell(*program, *ui);
    shell.openLogWindow();
    program->logInit(shell.logWindow());
    QString title;
    test::onNextModal<DeviceDialog>([&](DeviceDialog* d) {
      title = d->windowTitle();
      child<QPushButton>(d, "OK")->click();
    });
    shell.command(menu::Device2, shell.logWindow());
    QCOMPARE(title, QString("ZARVIK 2012 USB - Setup - Devicefile 2"));
    QCOMPARE(program->meas.devices.shownDevice(), 1);
    QVERIFY(shell.openDialog() == nullptr);
  }
};

QTEST_MAIN(TestDeviceDialog)
#include "test_device_dlg.moc"
