// The "Setup - Calibrating Pistons" dialog's wiring on the simulated acquisition box: its
// controls reach the calibration session and the session's answers reach the controls (the
// session's rules are tests/daq_sim/test_daq_sim.cpp's), and the device dialog that
// opens it showing the new line. With ZV_TOUR_DIR set, pictures of the dialog.
#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QPushButton>

#include "common/zv_sim_control.hpp"
#include "common/zv_window_rig.hpp"
#include "ui/zv_calib_dlg.hpp"
#include "ui/zv_decimal_spinbox.hpp"
#include "ui/zv_device_dlg.hpp"

using namespace zv;
using test::child;

class TestCalibrationDialog : public QObject, test::ShellRig {
  Q_OBJECT
  test::SimControl sim{ZV_SIMDAQ_PATH};
  test::RecordingLog log;

  static QString text(QWidget* w, const char* name) { return test::labelText(w, name); }
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
  void initTestCase() { QVERIFY2(sim.ok(), "simulator missing"); }

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

  // The points, the lock and OK reach the session; a refused input puts the box back.
  void pointsAndLocksReachTheSession() {
    piston() = PistonRange{piston().name, 10.0};
    CalibrationDialog d(*program, 0);
    d.show();
    second(d);
    type(&d, "FORCE1", 2.5);
    auto* lock = child<QCheckBox>(&d, "LOCK1");
    QVERIFY(!lock->isChecked());
    child<QPushButton>(&d, "CALIBRATE1")->click(); // force and voltage set: locked
    type(&d, "FORCE1", 3.0);
    QCOMPARE((std::tuple{lock->isChecked(), child<QPushButton>(&d, "OK")->text(),
                         child<QPushButton>(&d, "ABORT")->isHidden(),
                         child<DecimalSpinBox>(&d, "FORCE1")->value(), log.lines.size()}),
             (std::tuple{true, QString("OK"), false, 2.5, std::size_t{1}}));
    lock->click(); // off: both values of the point may change again
    type(&d, "FORCE1", 3.0);
    QCOMPARE(piston().calForce1, 3.0);
    child<QPushButton>(&d, "OK")->click();
    QCOMPARE((std::tuple{d.result(), piston().calForce1}),
             (std::tuple{int(QDialog::Accepted), 3.0}));
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
    QCOMPARE((std::tuple{child<QPushButton>(&device, "OK")->text(),
                         program->meas.devices.device(0)->changed(), piston(0, 1).calFlags}),
             (std::tuple{QString("Save"), true, PistonRange::FullyCalibrated}));
    device.reject();
  }

  // With ZV_TOUR_DIR set (scripts/screenshots.sh runs it on a real X server): the dialog during
  // a calibration of tester 1, in both languages.
  void pictures() {
    const QString out = tourDir();
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
