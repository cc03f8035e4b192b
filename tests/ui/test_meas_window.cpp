// The measurement window offscreen: Start/Stop from the toggle, the live curve drawn as an
// envelope while the cursor reads the exact points, the refresh bits, the selection rings and
// the guard of a pending acquisition error.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QPushButton>
#include <QScatterSeries>
#include <QTest>
#include <QValueAxis>
#include <cmath>

#include "common/zv_fakes.hpp"
#include "common/zv_meas_fakes.hpp"
#include "common/zv_qt_quiet.hpp"
#include "common/zv_shell_rig.hpp"
#include "common/zv_testdir.hpp"
#include "core/zv_format.hpp"
#include "program/zv_meas_control.hpp"
#include "program/zv_program.hpp"
#include "program/zv_selection.hpp"
#include "ui/zv_meas_window.hpp"
#include "ui/zv_qt_ports.hpp"
#include "ui/zv_rings.hpp"
#include "ui/zv_shell.hpp"

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
  void initTestCase() { test::installQuietMessageHandler(); }

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
    auto& a = program->data.model;
    a.createDataSet();
    a.addSamples(2);
    a.addStorages(2);
    a.renumber();
    for (auto& s : a.dataSet()->samples)
      for (auto& t : s.storages)
        t.speed = 1000.0;
    program->data.files.markLoaded();
    program->data.files.setDataFile("/data/M\xC3\xBCller.DAT"); // UTF-8, as the file system has it
    openShell();
    program->logInit(shell->logWindow());
    shell->showWindow(WindowId::Measurement);
    QVERIFY(meas());
    QVERIFY(meas()->isVisible());
  }

  void cleanup() { endProgram(); }

  void toggleRunsASeriesAndShowsTheCurve() {
    scriptPulls(3.125);
    QVERIFY(action(menu::Start)->isEnabled());
    QVERIFY(!action(menu::Stop)->isEnabled());
    meas()->startStop()->click();
    QVERIFY(program->isMeasuring());
    QCOMPARE(std::tuple(meas()->timer().isActive(), meas()->timer().interval()),
             std::tuple(true, 100));
    QCOMPARE(meas()->startStop()->text(), QString("Stop (F9)"));
    QVERIFY(meas()->startStop()->isChecked());
    QVERIFY(!action(menu::Start)->isEnabled() && action(menu::Stop)->isEnabled());
    QVERIFY(!shell->logWindow()->menu()->action(menu::New)->isEnabled());
    QCOMPARE(std::tuple(meas()->forceAxis()->max(), meas()->timeAxis()->max()),
             std::tuple(10.0, 6.0));

    // The timer drives the processor: three ticks make one pull.
    QTRY_COMPARE_WITH_TIMEOUT(m(0).status, 5, 5000);
    QCOMPARE(m(0).force, 3.125);
    QTRY_VERIFY_WITH_TIMEOUT(program->meas.processor.runningSelection().measurement == 1, 2000);
    QCOMPARE(meas()->result()->text(), QString("3.125"));
    QCOMPARE(meas()->points()->text(), QString::number(m(0).pointCount));
    QCOMPARE(meas()->curve()->count(), m(0).pointCount); // short curves go point by point
    // The next pull starts without the last one's trigger cursor.
    QCOMPARE(meas()->cursorIndex(), -1);
    QCOMPARE(meas()->cursor()->count(), 0);

    meas()->startStop()->click(); // Stop
    QVERIFY(!program->isMeasuring());
    QVERIFY(!meas()->timer().isActive());
    QCOMPARE(meas()->startStop()->text(), QString("Start (F7)"));
    QVERIFY(action(menu::Start)->isEnabled());

    // The finished pull shows where it tore off; the arrow keys walk the cursor along it.
    selectMeasurement(*program, 0);
    QCOMPARE(meas()->tearOffMarker()->count(), 1);
    QCOMPARE(meas()->tearOffMarker()->at(0).y(), 3.125);
    QTest::keyClick(meas()->graph(), Qt::Key_Right);
    QCOMPARE(meas()->cursorIndex(), 0);
    QTest::keyClick(meas()->graph(), Qt::Key_Right, Qt::ShiftModifier);
    QCOMPARE(meas()->cursorIndex(), 10);
    QCOMPARE(meas()->cursorForce()->text(), QString::number(m(0).points[10], 'f', 3));
  }

  void longCurveIsDrawnAsAnEnvelopeAndTheCursorReadsExactPoints() {
    Measurement& x = m(0);
    allocPoints(x, 10000);
    x.curveRate = 1000;
    x.range = 20.0;
    for (int i = 0; i < 10000; ++i)
      x.points[i] = 5.0 + 4.0 * std::sin(i / 37.0) + ((i % 2) ? 0.25 : 0.0);
    x.force = 8.5;
    meas()->requestRefresh(measbits::Status);
    QVERIFY(meas()->curve()->count() < 2 * meas()->graph()->width());
    QVERIFY(meas()->curve()->count() > 100);
    QCOMPARE(std::tuple(meas()->timeAxis()->max(), meas()->forceAxis()->max()),
             std::tuple(10.0, 20.0));
    QCOMPARE(meas()->points()->text() + " " + meas()->result()->text(), QString("10000 8.500"));

    // A press on the graph puts the cursor on the nearest recorded point.
    QWidget* viewport = meas()->graph()->viewport();
    const QPointF where = meas()->graph()->chart()->mapToPosition(QPointF(4.321, 5.0));
    QTest::mouseClick(viewport, Qt::LeftButton, {}, where.toPoint());
    const int k = meas()->cursorIndex();
    QVERIFY(std::abs(k - 4321) < 30);
    QCOMPARE(meas()->cursorTime()->text(), QString::fromStdString(formatFixed(k / 1000.0, 3)));
    QCOMPARE(meas()->cursorForce()->text(), QString::fromStdString(formatFixed(x.points[k], 3)));
    meas()->cursorTo(1.2345);
    QCOMPARE(meas()->cursorIndex(), 1235); // nearest point (1.2345 s lies between two)
    QCOMPARE(meas()->cursorForce()->text(), QString::fromStdString(formatFixed(x.points[1235], 3)));

    // The status refresh resets both read-outs.
    meas()->home()->click();
    QCOMPARE(meas()->cursorTime()->text() + meas()->cursorForce()->text(), QString("0.0000.000"));
  }

  void shortCurveSpansWholeSecondsButShowsToItsEnd() {
    Measurement& x = m(0);
    allocPoints(x, 150);
    x.curveRate = 100;
    x.range = 0.05;
    meas()->requestRefresh(measbits::Status);
    // Span 1 s, but the curve goes on to 1.49 s.
    QCOMPARE(std::tuple(meas()->forceAxis()->max(), meas()->timeAxis()->max()),
             std::tuple(0.1, 1.49));
    QCOMPARE(meas()->curve()->count(), 150);
    freePoints(x);
    meas()->requestRefresh(measbits::Status);
    QCOMPARE(meas()->curve()->count(), 0);
    QCOMPARE(meas()->points()->text(), QString("0"));
  }

  void ringsChangeTheDisplayedMeasurement() {
    program->data.model.addMeasurements(1, 1, 3);
    program->data.model.measurementAt(1, 1, 2)->status = 4;
    QComboBox* sample = meas()->rings()->sampleRing();
    QComboBox* storage = meas()->rings()->storageRing();
    QComboBox* number = meas()->rings()->measurementRing();
    QCOMPARE(sample->count(), 2);
    sample->activated(1);
    storage->activated(1);
    QCOMPARE(number->count(), 3);
    number->activated(2);
    QCOMPARE(meas()->number()->text(), QString("3"));
    QCOMPARE(meas()->statusText()->text(), QString("Pull-Off"));
  }

  void hiddenWindowKeepsItsRefreshForLater() {
    meas()->hide();
    m(0).status = 5;
    meas()->requestRefresh(measbits::Status);
    QCOMPARE(meas()->statusText()->text(), QString("Invalid"));
    QVERIFY(meas()->pendingRefresh() & measbits::Status);
    shell->showWindow(WindowId::Measurement);
    QCOMPARE(meas()->statusText()->text(), QString("Measuring Valid"));
  }

  void pendingDaqErrorDimsTheToggleAndTheMenu() {
    program->meas.params.daqErrorState = 6;
    program->requestRefresh(WindowId::Measurement, measbits::StatusAndCommands);
    QVERIFY(!meas()->startStop()->isEnabled());
    QVERIFY(!meas()->menu()->action(menu::Measurement)->isEnabled());
  }
};

QTEST_MAIN(TestMeasWindow)
#include "test_meas_window.moc"
