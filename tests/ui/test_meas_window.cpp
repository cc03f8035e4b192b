// The measurement window offscreen: Start/Stop from the toggle and the live curve. With
// ZV_TOUR_DIR set
// (scripts/screenshots.sh, on a real X server), `pictures` runs an operator's series on the
// simulated testers in the real window for the documentation.
#include <QAction>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QLineSeries>
#include <QPushButton>
#include <QScatterSeries>
#include <QValueAxis>

#include "common/zv_meas_fakes.hpp"
#include "common/zv_sim_control.hpp"
#include "common/zv_window_rig.hpp"
#include "core/zv_edit_ops.hpp"
#include "program/zv_file_commands.hpp"
#include "program/zv_meas_control.hpp"
#include "program/zv_selection.hpp"
#include "ui/zv_meas_window.hpp"
#include "ui/zv_rings.hpp"

using namespace zv;

class TestMeasWindow : public QObject, test::ShellRig {
  Q_OBJECT
  test::ScriptedAcquisition acq;
  test::FakeTesters testers;

  MeasWindow* meas() { return static_cast<MeasWindow*>(shell->window(WindowId::Measurement)); }
  Measurement& m(int k) { return *program->data.model.measurementAt(0, 0, k); }
  QAction* action(int id) { return meas()->menu()->action(id); }

  // Idle, a pull at 1 kN/s up to `top`, then the force held: one specimen per start.
  void scriptPulls(double top) {
    acq.generator = [top](int read) { return test::specimenRead(read, top); };
  }

private slots:
  void init() {
    newProgram();
    program->meas.processor.setAcquisition(acq);
    program->meas.processor.setTesters(testers);
    for (auto& list : testers.pistons)
      for (int i = 0; i < list.count(); ++i)
        test::calibrate(*list.piston(i));
    acq = test::ScriptedAcquisition{};
    acq.actualRate = 64.0;
    MeasParams& mp = program->meas.params;
    std::tie(mp.sampleRate, mp.average, mp.gphPoints, mp.dPollTime) = std::tuple(64, 1, 400, 0.1);
    std::tie(mp.dTrigDiffTime, mp.startTime, mp.stopTime, mp.dPostTrigTime) =
        std::tuple(0.25, 0.125, 0.25, 0.125);
    loadDataSet(2, 2);
    for (auto& s : program->data.model.dataSet()->samples)
      for (auto& t : s.storages)
        t.speed = 1000.0;
    program->data.files.setDataFile("/data/M\xC3\xBCller.DAT"); // UTF-8, as the file system has it
    openShell();
    shell->showWindow(WindowId::Measurement);
    QVERIFY(meas() && meas()->isVisible());
  }

  void cleanup() { endProgram(); }

  void toggleRunsASeriesAndShowsTheCurve() {
    scriptPulls(3.125);
    const auto state = [&] {
      return std::tuple{program->isMeasuring(),
                        meas()->timer().isActive(),
                        meas()->startStop()->text(),
                        meas()->startStop()->isChecked(),
                        action(menu::Start)->isEnabled(),
                        action(menu::Stop)->isEnabled(),
                        shell->logWindow()->menu()->action(menu::New)->isEnabled()};
    };
    QCOMPARE(state(), (std::tuple{false, false, QString("Start (F7)"), false, true, false, true}));
    meas()->startStop()->click();
    QCOMPARE(state(), (std::tuple{true, true, QString("Stop (F9)"), true, false, true, false}));
    QCOMPARE(meas()->timer().interval(), 100);

    // The timer drives the processor: three ticks make one pull.
    QTRY_COMPARE_WITH_TIMEOUT(m(0).status, 5, 5000);
    QCOMPARE(m(0).force, 3.125);
    QTRY_VERIFY_WITH_TIMEOUT(program->meas.processor.runningSelection().measurement == 1, 2000);
    // Short curves go point by point.
    QCOMPARE((std::tuple{meas()->result()->text(), meas()->points()->text().toInt(),
                         int(meas()->curve()->count())}),
             (std::tuple{QString("3.125"), m(0).pointCount, m(0).pointCount}));
    meas()->startStop()->click(); // Stop
    QCOMPARE(state(), (std::tuple{false, false, QString("Start (F7)"), false, true, false, true}));

    // The finished pull shows where it tore off.
    selectMeasurement(*program, 0);
    QCOMPARE(
        (std::tuple{int(meas()->tearOffMarker()->count()), meas()->tearOffMarker()->at(0).y()}),
        (std::tuple{1, 3.125}));
  }

  // With ZV_TOUR_DIR set: an operator's series on tester 2 of the simulated box, saved as
  // pictures of the measurement window and the storage table in both languages.
  void pictures() {
    const QString out = tourDir();
    if (out.isEmpty())
      QSKIP("pictures only when ZV_TOUR_DIR names a folder");
    endProgram();
    test::SimControl sim{ZV_SIMDAQ_PATH};
    QVERIFY(sim.ok());
    sim.reset();
    sim.useVirtualClock(1);
    sim.setSeed(0, 815);
    newProgram();
    program->meas.daq.setLibraryCandidates({ZV_SIMDAQ_PATH});
    QCOMPARE(program->initAcquisition(), 0);
    program->meas.params.dPollTime = 0.1;
    TesterDevice& second = *program->meas.devices.device(1);
    second.name = "Zarvik 850 / 2";
    second.pistons.insert(50.0);
    second.areas.insert(12.5);
    for (int channel : {0, 1})
      for (int i = 0; i < program->meas.devices.device(channel)->pistons.count(); ++i)
        program->meas.devices.device(channel)->pistons.piston(i)->calFlags =
            PistonRange::FullyCalibrated;
    program->meas.params.hardChn = 1;
    loadDataSet(3, 3);
    program->data.model.resetChanges();
    openShell();
    shell->showWindow(WindowId::Measurement);
    meas()->resize(900, 580);
    NewDataSetInput in = newDataSetInputFrom(program->data.model.defaults());
    std::tie(in.identNumber, in.identName, in.channel, in.range, in.area, in.speed) =
        std::tuple{"2026-118", "Facade coating", 1, 50.0, 12.5, 300.0};
    test::onNextModal<QFileDialog>([&](QFileDialog* d) {
      d->selectFile(QString::fromStdString(dir.file("Facade.BIN").string()));
      QMetaObject::invokeMethod(d, "accept");
    });
    QCOMPARE(shell->fileCommands().newDataSetOk(in), 0);
    program->singlePanel = 0;
    shell->showWindow(WindowId::Measurement);
    const auto valid = [&] {
      int n = 0;
      for (const auto& x : program->data.model.storageAt(0, 0)->measurements)
        n += x.status == 5;
      return n;
    };
    // Stopped before the fourth specimen's trigger, and started again on the same slot.
    for (int goal : {3, 4}) {
      meas()->startStop()->click();
      for (int i = 0; i < 600 && valid() < goal; ++i) {
        sim.advance(1.0);
        QTest::qWait(meas()->timer().interval() + 5);
      }
      meas()->startStop()->click();
      QCOMPARE(valid(), goal);
      meas()->rings()->measurementRing()->activated(3);
    }
    shell->showWindow(WindowId::Storage);
    for (auto [language, suffix] : {std::pair{1, "en"}, std::pair{0, "de"}}) {
      shell->switchLanguage(language);
      QTest::qWait(200);
      QVERIFY(meas()->grab().save(out + "/measurement-window-" + suffix + ".png"));
      QVERIFY(
          shell->window(WindowId::Storage)->grab().save(out + "/storage-table-" + suffix + ".png"));
    }
    program->meas.daq.daqShutdown();
  }
};

QTEST_MAIN(TestMeasWindow)
#include "test_meas_window.moc"
