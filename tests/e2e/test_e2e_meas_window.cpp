// Pictures for the documentation (scripts/screenshots.sh, on a real X server): the real
// measurement window on the simulated testers, its own timer driving an operator's series while
// the virtual clock runs. Not a ctest test: the window's wiring is tests/ui/test_meas_window's,
// the series end to end test_e2e_meas's.
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "common/zv_fakes.hpp"
#include "common/zv_qt_quiet.hpp"
#include "common/zv_shell_rig.hpp"
#include "common/zv_sim_control.hpp"
#include "common/zv_testdir.hpp"
#include "core/zv_edit_ops.hpp"
#include "program/zv_file_commands.hpp"
#include "program/zv_meas_control.hpp"
#include "program/zv_program.hpp"
#include "ui/zv_meas_window.hpp"
#include "ui/zv_qt_ports.hpp"
#include "ui/zv_rings.hpp"
#include "ui/zv_shell.hpp"

using namespace zv;

class TestE2EMeasWindow : public QObject, test::ShellRig {
  Q_OBJECT
  test::SimControl sim{ZV_SIMDAQ_PATH};

  MeasWindow* meas() { return static_cast<MeasWindow*>(shell->window(WindowId::Measurement)); }
  int valid() {
    int n = 0;
    for (const auto& m : program->data.model.storageAt(0, 0)->measurements)
      n += m.status == 5;
    return n;
  }

private slots:
  void initTestCase() {
    test::installQuietMessageHandler();
    QVERIFY(sim.ok());
    sim.reset();
    sim.useVirtualClock(1);
    sim.setSeed(0, 815);
    newProgram();
    program->meas.daq.setLibraryCandidates({ZV_SIMDAQ_PATH});
    QCOMPARE(program->initAcquisition(), 0);
    for (int channel : {0, 1}) {
      PistonList& list = program->meas.devices.device(channel)->pistons;
      for (int i = 0; i < list.count(); ++i)
        list.piston(i)->calFlags = PistonRange::FullyCalibrated;
    }
    program->meas.params.dPollTime = 0.1;
    auto& a = program->data.model;
    a.createDataSet();
    a.addSamples(3);
    a.addStorages(3);
    a.renumber();
    a.storageAt(0, 0)->speed = 300.0;
    program->data.files.markLoaded();
    openShell();
    program->logInit(shell->logWindow());
    shell->showWindow(WindowId::Measurement);
    meas()->resize(900, 580);
  }

  void cleanupTestCase() {
    shell.reset();
    program->meas.daq.daqShutdown();
    program.reset();
  }

  // With ZV_TOUR_DIR set (scripts/screenshots.sh runs it on a real X server): an operator's
  // series on tester 2, saved as pictures of the measurement window and the storage table in
  // both languages.
  void operatorSeriesOnTheSecondTester() {
    const QString out = QString::fromLocal8Bit(qgetenv("ZV_TOUR_DIR"));
    if (out.isEmpty())
      QSKIP("pictures only when ZV_TOUR_DIR names a folder");
    TesterDevice& second = *program->meas.devices.device(1);
    second.name = "Zarvik 850 / 2";
    second.pistons.insert(50.0);
    second.areas.insert(12.5);
    for (int i = 0; i < second.pistons.count(); ++i)
      second.pistons.piston(i)->calFlags = PistonRange::FullyCalibrated;
    program->meas.params.hardChn = 1;
    program->data.model.resetChanges();
    NewDataSetInput in = newDataSetInputFrom(program->data.model.defaults());
    in.identNumber = "2026-118";
    in.identName = "Facade coating";
    in.channel = 1;
    in.range = 50.0;
    in.area = 12.5;
    in.speed = 300.0;
    answerFileDialog(dir.file("Facade.BIN"));
    QCOMPARE(shell->fileCommands().newDataSetOk(in), 0);
    program->singlePanel = 0;
    shell->showWindow(WindowId::Measurement);

    meas()->startStop()->click();
    for (int i = 0; i < 600 && valid() < 3; ++i)
      tick();
    QCOMPARE(valid(), 3);
    meas()->startStop()->click(); // stopped before the fourth specimen's trigger
    QCOMPARE(program->data.model.measurementAt(0, 0, 3)->status, 0);
    meas()->rings()->measurementRing()->activated(3);
    meas()->startStop()->click(); // and started again on the same slot
    for (int i = 0; i < 600 && valid() < 4; ++i)
      tick();
    meas()->startStop()->click();
    QCOMPARE(valid(), 4);
    meas()->rings()->measurementRing()->activated(3);

    shell->showWindow(WindowId::Storage);
    for (int language : {1, 0}) {
      shell->switchLanguage(language);
      QTest::qWait(200);
      const QString suffix = language == 1 ? "en" : "de";
      QVERIFY(meas()->grab().save(out + "/measurement-window-" + suffix + ".png"));
      QVERIFY(
          shell->window(WindowId::Storage)->grab().save(out + "/storage-table-" + suffix + ".png"));
    }
  }

private:
  void tick() {
    sim.advance(1.0);
    QTest::qWait(meas()->timer().interval() + 5);
  }
  // Picks the file in the file dialog that opens next.
  static void answerFileDialog(const std::filesystem::path& file) {
    QTimer::singleShot(0, [file] {
      if (auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
        d->selectFile(QString::fromStdString(file.string()));
        QMetaObject::invokeMethod(d, "accept");
      }
    });
  }
};

QTEST_MAIN(TestE2EMeasWindow)
#include "test_e2e_meas_window.moc"
