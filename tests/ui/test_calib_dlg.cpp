// The "Setup - Calibrating Pistons" dialog on the simulated acquisition box: the locks, the
// input range question with both answers (the session's rules are tests/daq_sim's), Abort and the
// close box putting the device back, the refused second point of the same voltage, and the device
// dialog that opens it showing the new line. With ZV_TOUR_DIR set, pictures of the dialog.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include "common/zv_child.hpp"
#include "common/zv_fakes.hpp"
#include "common/zv_modal.hpp"
#include "common/zv_qt_quiet.hpp"
#include "common/zv_shell_rig.hpp"
#include "common/zv_sim_control.hpp"
#include "common/zv_testdir.hpp"
#include "program/zv_program.hpp"
#include "ui/zv_calib_dlg.hpp"
#include "ui/zv_decimal_spinbox.hpp"
#include "ui/zv_device_dlg.hpp"
#include "ui/zv_qt_ports.hpp"

using namespace zv;
using zv::test::child;

namespace {

// Clicks the button of the next message box whose text starts with `button`, keeping the
// box's title and text as "title|text".
void answerBox(const QString& button, QString* text = nullptr) {
  test::onNextModal<QMessageBox>([button, text](QMessageBox* box) {
    if (text)
      *text = box->windowTitle() + "|" + box->text();
    for (QAbstractButton* b : box->buttons())
      if (b->text().startsWith(button)) {
        b->click();
        return;
      }
    box->reject();
  });
}

} // namespace

class TestCalibrationDialog : public QObject, test::ShellRig {
  Q_OBJECT
  test::SimControl sim{ZV_SIMDAQ_PATH};
  test::RecordingLog log;

  static QString text(QWidget* w, const char* name) { return child<QLabel>(w, name)->text(); }
  static void type(QWidget* w, const char* name, double value) {
    auto* box = child<DecimalSpinBox>(w, name);
    box->setValue(value);
    emit box->editingFinished();
  }
  // A second of the live signal.
  void second(CalibrationDialog& d) {
    sim.advance(1.0);
    d.liveTick();
  }
  PistonRange& piston(int device = 0, int index = 0) {
    return *program->meas.devices.device(device)->pistons.piston(index);
  }

private slots:
  void initTestCase() {
    test::installQuietMessageHandler();
    QVERIFY2(sim.ok(), "simulator missing");
  }

  void init() {
    sim.reset();
    sim.useVirtualClock(1);
    sim.setSpikeRate(0.0);
    newProgram(false);
    program->meas.devices.createBoth(dir.path());
    program->reporter.setLogTarget(&log);
    program->meas.daq.setLibraryCandidates({ZV_SIMDAQ_PATH});
    QCOMPARE(program->initAcquisition(), 0);
    log.lines.clear();
  }

  void cleanup() {
    program->meas.daq.daqShutdown();
    endProgram();
  }

  void locksRefuseInputAndCalibration() {
    piston() = PistonRange{piston().name, 10.0};
    CalibrationDialog d(*program, 0);
    d.show();
    second(d);
    type(&d, "FORCE1", 2.5);
    QVERIFY(!child<QCheckBox>(&d, "LOCK1")->isChecked());
    child<QPushButton>(&d, "CALIBRATE1")->click();
    QVERIFY(child<QCheckBox>(&d, "LOCK1")->isChecked()); // force and voltage set: locked
    QCOMPARE(child<QPushButton>(&d, "OK")->text(), QString("OK"));
    QVERIFY(!child<QPushButton>(&d, "ABORT")->isHidden());
    type(&d, "FORCE1", 3.0);
    QCOMPARE(child<DecimalSpinBox>(&d, "FORCE1")->value(), 2.5);
    child<QPushButton>(&d, "CALIBRATE1")->click();
    QCOMPARE(log.lines,
             (std::vector<std::string>{"Input only possible after remove of the blocking",
                                       "Calibration only possible after remove of the blocking"}));
    child<QCheckBox>(&d, "LOCK1")->click(); // off: both values of the point may change again
    type(&d, "FORCE1", 3.0);
    QCOMPARE(piston().calForce1, 3.0);
    child<QPushButton>(&d, "OK")->click();
    QCOMPARE(d.result(), int(QDialog::Accepted));
    QCOMPARE(piston().calForce1, 3.0);
  }

  void rangeSwitchAsksAndOnlyTheSecondAnswerUncalibrates() {
    piston() = PistonRange{piston().name, 10.0, 1700000000, PistonRange::FullyCalibrated};
    CalibrationDialog d(*program, 0);
    d.show();
    auto* range = child<QComboBox>(&d, "RANGE");
    QString question;
    answerBox("Abort", &question);
    range->setCurrentIndex(1);
    emit range->activated(1);
    QCOMPARE(question, QString("Calibration of Pulloff Piston|The calibrating data get "
                               "incorrect\nat switchover of the measurement range !"));
    QCOMPARE(range->currentText(), QString("10.000"));
    QCOMPARE(piston().calFlags, PistonRange::FullyCalibrated);
    QVERIFY(text(&d, "DATE") != "--------");

    answerBox("Switching over measurement range");
    range->setCurrentIndex(1);
    emit range->activated(1);
    QCOMPARE(range->currentText(), QString("5.000"));
    QCOMPARE(std::tuple(piston().rangeVolts, piston().calFlags), std::tuple(5.0, 0));
    QCOMPARE(text(&d, "DATE"), QString("--------"));
    QVERIFY(!child<QPushButton>(&d, "CALIBRATE1")->isEnabled()); // no reading on 5 V yet
    second(d);
    QVERIFY(child<QPushButton>(&d, "CALIBRATE1")->isEnabled());
    d.reject();
  }

  void abortAndTheCloseBoxPutTheDeviceBack() {
    const std::string original = program->meas.devices.device(1)->image();
    for (bool closeBox : {false, true}) {
      CalibrationDialog d(*program, 1);
      d.show();
      type(&d, "VOLTS2", 4.25);
      child<QCheckBox>(&d, "LOCK1")->click();
      QCOMPARE(program->meas.devices.device(1)->pistons.piston(0)->calVolts2, 4.25);
      if (closeBox)
        d.close();
      else
        child<QPushButton>(&d, "ABORT")->click();
      QCOMPARE(d.result(), int(QDialog::Rejected));
      QVERIFY(program->meas.devices.device(1)->image() == original);
      QCOMPARE(sim.openTasks(), 0);
    }
  }

  void aSecondPointOfTheSameVoltageIsRefused() {
    sim.holdForce(0, 3.0);
    CalibrationDialog d(*program, 0);
    d.show();
    second(d);
    child<QPushButton>(&d, "CALIBRATE1")->click();
    const double volts1 = piston().calVolts1;
    QVERIFY(volts1 > 2.9);
    QString message;
    answerBox("OK", &message);
    child<QPushButton>(&d, "CALIBRATE2")->click(); // the weight was not changed
    QVERIFY(message.startsWith("Calibration of Pulloff Piston|Both calibration points would "
                               "have the same voltage"));
    QCOMPARE(piston().calVolts2, 1.0);
    // Typed, the same voltage is kept but shows no line.
    type(&d, "VOLTS1", 2.0);
    type(&d, "VOLTS2", 2.0);
    QCOMPARE(text(&d, "GAIN"), QString("----"));
    QCOMPARE(text(&d, "LIVE_FORCE"), QString("----"));
    d.reject();
  }

  void theDeviceDialogShowsTheNewLineAndCountsAsChanged() {
    sim.setOutputLine(0, 0.8, 0.1);
    DeviceDialog device(*program, 0);
    device.show();
    QCOMPARE(text(&device, "PISTON_LINE"), QString("Offset 0.0000 kN  Gain 1.0000 kN/V"));
    child<QListWidget>(&device, "PISTONS")->setCurrentRow(1);
    test::onNextModal<CalibrationDialog>([&](CalibrationDialog* d) {
      QCOMPARE(child<QComboBox>(d, "PISTON")->currentIndex(), 1); // the piston selected
      for (auto [n, force] : {std::pair{1, 2.0}, std::pair{2, 8.0}}) {
        sim.holdForce(0, force);
        second(*d);
        type(d, n == 1 ? "FORCE1" : "FORCE2", force);
        child<QPushButton>(d, n == 1 ? "CALIBRATE1" : "CALIBRATE2")->click();
      }
      child<QPushButton>(d, "OK")->click();
    });
    child<QPushButton>(&device, "CALIBRATE")->click();
    QVERIFY(text(&device, "PISTON_LINE").contains("Gain 1.25"));
    QCOMPARE(child<QPushButton>(&device, "OK")->text(), QString("Save"));
    QVERIFY(program->meas.devices.device(0)->changed());
    QCOMPARE(program->meas.devices.device(0)->pistons.piston(1)->calFlags,
             PistonRange::FullyCalibrated);
    device.reject();
  }

  // With ZV_TOUR_DIR set (scripts/screenshots.sh runs it on a real X server): the dialog during
  // a calibration of tester 1, in both languages.
  void pictures() {
    const QString out = QString::fromLocal8Bit(qgetenv("ZV_TOUR_DIR"));
    if (out.isEmpty())
      QSKIP("pictures only when ZV_TOUR_DIR names a folder");
    sim.setOutputLine(0, 0.8, 0.1);
    program->meas.devices.device(0)->name = "Zarvik 850 / 1";
    for (auto [language, file] :
         {std::pair{1, "calibration-dialog-en.png"}, std::pair{0, "calibration-dialog-de.png"}}) {
      program->setLanguage(language);
      program->meas.params.calSelection = 1;
      CalibrationDialog d(*program, 0);
      d.show();
      QVERIFY(QTest::qWaitForWindowExposed(&d));
      sim.holdForce(0, 4.0);
      second(d);
      type(&d, "FORCE1", 4.0);
      child<QPushButton>(&d, "CALIBRATE1")->click();
      sim.holdForce(0, 12.0);
      second(d);
      type(&d, "FORCE2", 12.0);
      child<QPushButton>(&d, "CALIBRATE2")->click();
      sim.holdForce(0, 9.5);
      second(d);
      QTest::qWait(50);
      QVERIFY(d.grab().save(out + "/" + file));
      d.reject();
    }
  }
};

QTEST_MAIN(TestCalibrationDialog)
#include "test_calib_dlg.moc"
