// The pull-off signal processing: filters, curve, trigger and tear-off detection, the result,
// and the start and stop of a run with their failures, on a data set with the processor wired
// to scripted ports.
//
// Most signals run at 64 Hz with a trigger distance of 16 points (slope base 0.25 s) and a pull
// speed of 1000 N/s, so thresholds (0.5 and 0.25 kN/s) and ramps (steps of 2^-n V) are exact
// binary fractions and a slope can equal a threshold exactly.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "common/zv_fake_ui.hpp"
#include "common/zv_fakes.hpp"
#include "common/zv_meas_fakes.hpp"
#include "common/zv_reporting.hpp"
#include "common/zv_testdir.hpp"
#include "core/zv_dataset.hpp"
#include "core/zv_meas_params.hpp"
#include "daq/zv_pulloff_processor.hpp"

using namespace zv;
using namespace zv::test;

namespace {
constexpr double Step6 = 1.0 / 64;  // slope 1.0 kN/s over the trigger distance
constexpr double Step7 = 1.0 / 128; // slope 0.5: exactly the start threshold
constexpr double Step8 = 1.0 / 256; // slope 0.25: exactly the stop threshold
constexpr double Step9 = 1.0 / 512; // slope 0.125
} // namespace

struct Processor : ::testing::Test, Reporting {
  DataSetModel model{reporter, lang};
  MeasParams params;
  ScriptedAcquisition acq;
  FakeTesters testers;
  PullOffProcessor proc{params, model, acq, testers, reporter, lang};
  RunTick lastTick; // what the last tick brought

  Processor() {
    for (auto& list : testers.pistons)
      for (int i = 0; i < list.count(); ++i)
        calibrate(*list.piston(i));
    model.initDefaults();
    model.createDataSet();
    model.addSamples(2);
    model.addStorages(2);
    model.renumber();
    for (auto& sample : model.dataSet()->samples)
      for (auto& st : sample.storages)
        st.speed = 1000.0;
    proc.setRunning({0, 0, 0});
    // Plain settings that make the arithmetic easy to follow: 64 Hz, no averaging.
    acq.actualRate = 64.0;
    params.sampleRate = 64;
    params.average = 1;
    params.nSpikeNum = 3;
    params.gphPoints = 400;
    params.dTrigDiffTime = 0.25;  // 16 points, slope base 0.25 s
    params.startTime = 0.125;     // 8 points
    params.stopTime = 0.25;       // 16 points
    params.dPostTrigTime = 0.125; // 8 points
    params.startProzent = 50.0;   // 0.5 kN/s at 1000 N/s
    params.stopProzent = 25.0;    // 0.25 kN/s
  }

  Measurement& meas() { return *model.measurementAt(0, 0, 0); }
  StorageCondition& storage() { return *model.storageAt(0, 0); }
  int start() { return proc.measStart(); }
  // Feeds samples as one read and processes them.
  void tick(std::vector<double> samples) {
    acq.blocks.push_back(std::move(samples));
    lastTick = proc.measTick();
  }
  static std::vector<double> constant(int n, double v) { return std::vector<double>(n, v); }
  // n samples rising by step from start (the first sample is start + step).
  static std::vector<double> ramp(int n, double start, double step) {
    std::vector<double> v(n);
    for (int i = 0; i < n; ++i)
      v[i] = start + (i + 1) * step;
    return v;
  }
  // Starts a run and feeds 32 idle samples, then a rise of n samples by step.
  void pull(int n, double step) {
    ASSERT_EQ(0, start());
    tick(constant(32, 0.0));
    tick(ramp(n, 0.0, step));
  }
};

TEST_F(Processor, StartPreparesTheMeasurementAndTheLimits) {
  storage().range = 20.0;
  storage().area = 2.0;
  testers.pistons[0].piston(1)->rangeVolts = 5.0;
  params.forcLimitRelVal = 10.0;
  ASSERT_EQ(0, start());
  const Measurement& m = meas();
  EXPECT_EQ((std::tuple{true, false}), (std::tuple{proc.isMeasuring(), proc.acquisitionStopped()}));
  EXPECT_EQ((std::tuple{2, 20.0, 2.0, 1000.0, "Tester One", 64, 0, 400u}),
            (std::tuple{m.status, m.range, m.area, m.speed, m.deviceName, m.curveRate, m.pointCount,
                        m.points.size()}));
  ASSERT_EQ(acq.starts.size(), 1u);
  EXPECT_EQ((std::tuple{0, 5.0, 64}),
            (std::tuple{acq.starts[0].channel, acq.starts[0].volts, acq.starts[0].rate}));
  // The tester hears the pull speed first; whatever was still set up is stopped first.
  EXPECT_EQ((std::vector<std::pair<int, double>>{{0, 1000.0}}), acq.announced);
  EXPECT_EQ(acq.stops, 1);
  EXPECT_EQ((std::tuple{64.0, 0.5, 0.25, 2.0}),
            (std::tuple{params.dSampleRateActual, proc.startThreshold(), proc.stopThreshold(),
                        params.forceLimit}));
  EXPECT_EQ((std::tuple{8, 16, 16, 8}), (std::tuple{proc.startPoints(), proc.stopPoints(),
                                                    proc.trigDiffPoints(), proc.postPoints()}));
  // The start span is 400 points / 64 per second in whole seconds.
  EXPECT_EQ((std::tuple{0.25, 6.0, 20.0}),
            (std::tuple{proc.slopeBaseTime(), proc.startTimeSpan(), proc.startForceSpan()}));
  EXPECT_TRUE(ui.shown.empty());
}

TEST_F(Processor, StorageRangeMissingFromTheListTakesTheFirstPiston) {
  storage().range = 15.0;
  testers.pistons[0].piston(0)->rangeVolts = 2.0;
  ASSERT_EQ(0, start());
  EXPECT_EQ((std::tuple{2.0, 15.0}),
            (std::tuple{acq.starts[0].volts, meas().range})); // own range kept
}

TEST_F(Processor, StartRefusals) {
  params.daqErrorState = 6;
  EXPECT_EQ(MeasErrDaqState, start());
  params.daqErrorState = 0;

  proc.clearRunning();
  EXPECT_EQ((std::tuple{MeasErrNoMeasurement, MeasErrStopNoMeasurement}),
            (std::tuple{start(), proc.measStop()}));
  proc.setRunning({0, 0, 0});

  proc.requestStop();
  EXPECT_EQ(1, start());
  proc.clearStopRequest();

  params.hardChn = 2; // a channel without a tester device
  EXPECT_EQ(MeasErrNoTester, start());
  params.hardChn = 0;

  acq.failStart = true;
  // Only the failing start reached the device.
  EXPECT_EQ((std::tuple{MeasErrStart, false, 1u}),
            (std::tuple{start(), proc.isMeasuring(), acq.starts.size()}));
  acq.failStart = false;
  acq.actualRate = 0.0; // started, but at no rate
  EXPECT_EQ(MeasErrStart, start());
  acq.actualRate = 64.0;

  acq.failStop = true;
  EXPECT_EQ((std::tuple{MeasErrStopBeforeStart, 10, false}),
            (std::tuple{start(), int{params.daqErrorState}, proc.isMeasuring()}));
  const std::string logText = TestDir::readFile(errorLog.path());
  for (const char* code : {"-1220", "-1221", "-1227", "-1230", "-1226"})
    EXPECT_NE(logText.find(code), std::string::npos) << code;
}

TEST_F(Processor, UncalibratedPistonWarnsAndMeasures) {
  testers.pistons[0].piston(0)->calFlags = 7;
  ASSERT_EQ(0, start());
  EXPECT_EQ((std::vector<std::string>{"|The piston wasn't calibrated yet !"}), ui.popups());
}

TEST_F(Processor, PistonWithoutCalibrationLineIsRefused) {
  // Both points at the same voltage: the gain would be infinite and so every force.
  PistonRange& p = *testers.pistons[0].piston(0);
  p.calVolts1 = p.calVolts2 = 0.5;
  EXPECT_EQ((std::tuple{MeasErrCalibration, false, 0u, 1u}),
            (std::tuple{start(), proc.isMeasuring(), acq.starts.size(), ui.popups().size()}));
  EXPECT_NE(ui.popups()[0].find("same voltage"), std::string::npos);
}

TEST_F(Processor, MovingAverageStartsAfterItsWindowIsFull) {
  params.average = 5;
  params.nSpikeNum = 1;
  ASSERT_EQ(0, start());
  tick({1, 2, 3, 4, 5});
  EXPECT_EQ(meas().pointCount, 0);
  tick({6}); // the window runs on across ticks
  tick({7, 8});
  // The means of samples 2 to 6, 3 to 7 and 4 to 8.
  EXPECT_EQ((std::vector<double>{4, 5, 6}),
            std::vector<double>(meas().points.begin(), meas().points.begin() + meas().pointCount));
}

TEST_F(Processor, CurveIsForceThroughTheCalibrationLine) {
  calibrate(*testers.pistons[0].piston(0), 2.0, 0.5);
  ASSERT_EQ(0, start());
  tick({0.0, 0.25, 0.25});
  EXPECT_EQ((std::tuple{2, 1.0}), (std::tuple{meas().pointCount, meas().points[0]}));
}

TEST_F(Processor, SpikeIsReplacedByThePreviousValueAndKeptOutOfTheAverage) {
  params.average = 2;
  ASSERT_EQ(0, start());
  std::vector<double> signal(10, 1.0);
  signal.push_back(2.0); // 64 V/s against its neighbours
  for (int i = 0; i < 5; ++i)
    signal.push_back(1.0);
  tick(signal);
  // The spike stays in the spike history and also rejects the two samples after it, but none
  // of them reached the average: the curve stays flat.
  EXPECT_EQ(std::vector<double>(14, 1.0),
            std::vector<double>(meas().points.begin(), meas().points.begin() + meas().pointCount));

  // Without the filter the spike shows in the average.
  params.nSpikeNum = 1;
  ASSERT_EQ(0, start());
  tick(signal);
  EXPECT_EQ(meas().points[8], 1.5); // sample 11 averaged with sample 10
}

TEST_F(Processor, SpikeLimitIsTheFixedFiveVoltsPerSecond) {
  params.dSpikeLim = 0.001; // configured, but the filter keeps its fixed limit
  ASSERT_EQ(0, start());
  std::vector<double> signal(10, 1.0);
  signal.push_back(1.0 + 5.0 / 64);            // exactly 5 V/s: kept
  signal.push_back(1.0 + 5.0 / 64 + 6.0 / 64); // 6 V/s: rejected
  tick(signal);
  EXPECT_EQ((std::tuple{11, 1.0 + 5.0 / 64, 1.0 + 5.0 / 64}),
            (std::tuple{meas().pointCount, meas().points[9], meas().points[10]}));
}

TEST_F(Processor, FullCycleFromTriggerToResult) {
  const std::uint32_t changesBefore = meas().saveChanges;
  ASSERT_EQ(0, start());
  tick(constant(32, 0.0));
  EXPECT_EQ(proc.state(), WAIT_TRIGGER);
  tick(ramp(200, 0.0, Step6)); // up to 3.125 kN at 1 kN/s
  // Rise above 0.5 kN/s from the 9th ramp point on, 8 of them: trigger at point 31 + 16.
  EXPECT_EQ((std::tuple{47, TRIGGERED, 3, 1.0, 3.125}),
            (std::tuple{proc.trigIndex(), proc.state(), meas().status, proc.detector().slope(),
                        meas().force}));
  EXPECT_TRUE(lastTick.triggered && lastTick.newPoints && !lastTick.tornOff);

  std::vector<double> hold = constant(100, 3.125);
  tick(hold);
  // The slope falls below 0.25 from the 13th held point; 16 of them make the tear-off.
  // The block ends with the tracking time; what followed is dropped.
  EXPECT_EQ((std::tuple{31 + 200 + 28, FINISHED, 259 + 8, 4}),
            (std::tuple{proc.pullIndex(), proc.state(), meas().pointCount, meas().status}));
  EXPECT_TRUE(lastTick.tornOff && lastTick.finished && !lastTick.triggered);

  ASSERT_EQ(0, proc.measStop());
  const Measurement& m = meas();
  EXPECT_EQ((std::tuple{5, 1, 3.125, 267, changesBefore + 1}),
            (std::tuple{m.status, m.inStatistics, m.force, m.pointCount, m.saveChanges}));
  EXPECT_EQ((std::tuple{true, false, 2}),
            (std::tuple{proc.acquisitionStopped(), proc.isMeasuring(), acq.stops}));
  // The cursor goes back over the tracking points and the span from trigger to tear-off.
  EXPECT_EQ(proc.triggerCursor(), 267 - 8 - 212);
}

TEST_F(Processor, ResultIsTheMeanOfTheTrackingPoints) {
  pull(200, Step6);
  // The held force wanders while it is tracked; the result is its mean, not the peak.
  std::vector<double> hold = constant(28, 3.125);
  for (int i = 1; i <= 8; ++i)
    hold.push_back(3.125 - i / 128.0);
  tick(hold);
  ASSERT_EQ(proc.state(), FINISHED);
  proc.measStop();
  EXPECT_DOUBLE_EQ(meas().force, 3.125 - 4.5 / 128);
}

TEST_F(Processor, SlopeEqualToTheStopThresholdNeverTearsOff) {
  pull(40, Step6);
  ASSERT_EQ(proc.state(), TRIGGERED);
  tick(ramp(200, 40 * Step6, Step8));
  EXPECT_EQ(proc.state(), TRIGGERED);
  EXPECT_EQ(proc.detector().slope(), 0.25);
  tick(ramp(15, 40 * Step6 + 200 * Step8, Step9));
  EXPECT_EQ(proc.state(), TRIGGERED);
  tick(ramp(17, 40 * Step6 + 200 * Step8 + 15 * Step9, Step9));
  EXPECT_NE(proc.state(), TRIGGERED);
}

// Where a rise of 1 kN/s (0.5 kN/s: exactly the start threshold) triggers: never at the
// threshold; with 0 or 1 start points on the first counted rise; with a force limit of 2 kN
// the counting begins once the force 16 points back exceeds it (ramp point 145), 8 counts.
TEST_F(Processor, TriggerFollowsTheThresholdTheStartPointsAndTheForceLimit) {
  storage().range = 20.0;
  params.forcLimitRelVal = 10.0; // 2 kN when enabled
  struct Case {
    double step, startTime;
    int forceLimit, trigIndex;
  };
  for (const Case c : {Case{Step7, 0.125, 0, -1}, Case{Step6, 0.0, 0, 31 + 9},
                       Case{Step6, 1.0 / 64, 0, 31 + 9}, Case{Step6, 0.125, 1, 31 + 152}}) {
    params.startTime = c.startTime;
    params.forcLimitEnable = c.forceLimit;
    pull(200, c.step);
    EXPECT_EQ(c.trigIndex, proc.trigIndex()) << c.startTime << " " << c.forceLimit;
  }
  tick(constant(60, 0.5)); // the force drops below the limit, the tear-off is still seen
  EXPECT_GE(proc.pullIndex(), 0);
}

// 10 s are 640 points on a 400 point curve; 0 s still measure a slope over one point.
TEST_F(Processor, TriggerDistanceIsClampedToTheCurveAndRewritten) {
  for (auto [seconds, points, rewritten] :
       {std::tuple{10.0, 399, 399.0 / 64}, std::tuple{0.0, 1, 0.0}}) {
    params.dTrigDiffTime = seconds;
    ASSERT_EQ(0, start());
    EXPECT_EQ((std::tuple{points, rewritten}),
              (std::tuple{proc.trigDiffPoints(), params.dTrigDiffTime}));
  }
  tick(constant(32, 0.0));
  tick(ramp(20, 0.0, Step6));
  EXPECT_EQ((std::tuple{1.0, TRIGGERED}), (std::tuple{proc.detector().slope(), proc.state()}));
}

TEST_F(Processor, FullCurveScrollsAndAdvancesTheTimeOffset) {
  params.nSpikeNum = 1;
  ASSERT_EQ(0, start());
  // Values are half the sample numbers; the first sample only fills the average.
  std::vector<double> v(1234);
  for (int i = 0; i < 1234; ++i)
    v[i] = (i + 1) / 2.0;
  tick(std::vector<double>(v.begin(), v.begin() + 399));
  EXPECT_EQ((std::tuple{398, 0.0}), (std::tuple{meas().pointCount, proc.timeOffset()}));
  tick(std::vector<double>(v.begin() + 399, v.end()));
  const Measurement& m = meas();
  ASSERT_EQ(m.pointCount, 400);
  for (int i = 0; i < 400; ++i)
    ASSERT_EQ(m.points[i], (835.0 + i) / 2) << i;
  EXPECT_NEAR(proc.timeOffset(), 833.0 / 64, 1e-9);
}

TEST_F(Processor, ForceReadsZeroUntilATriggerDistanceIsRecorded) {
  ASSERT_EQ(0, start());
  tick(constant(17, 1.0)); // the first sample only fills the history: 16 points
  EXPECT_EQ((std::tuple{0.0, 0.0}), (std::tuple{meas().force, proc.detector().slope()}));
  tick({1.0});
  EXPECT_EQ(1.0, meas().force);
}

// A stop before the tear-off writes no result: before the trigger nor after it.
TEST_F(Processor, StopBeforeTheTearOffWritesNoResult) {
  ASSERT_EQ(0, start());
  tick(constant(40, 1.0));
  ASSERT_EQ(0, proc.measStop());
  EXPECT_EQ((std::tuple{2, 0, -1, false}), (std::tuple{meas().status, meas().inStatistics,
                                                       proc.triggerCursor(), proc.isMeasuring()}));
  pull(100, Step6);
  ASSERT_EQ(0, proc.measStop());
  EXPECT_EQ((std::tuple{3, 0}), (std::tuple{meas().status, meas().inStatistics}));
}

TEST_F(Processor, StopDuringTrackingAveragesWhatWasTracked) {
  pull(200, Step6);
  tick(constant(28, 3.125)); // the tear-off is the last of these
  ASSERT_EQ(proc.state(), PULLED_OFF);
  ASSERT_EQ(0, proc.measStop());
  EXPECT_EQ((std::tuple{5, 3.125}), (std::tuple{meas().status, meas().force})); // at least the last
  tick(constant(3, 2.0)); // nothing more is read after the stop
  EXPECT_EQ(meas().force, 3.125);
}

TEST_F(Processor, StopRequestInsideATickFinishesTheRun) {
  ASSERT_EQ(0, start());
  tick(constant(20, 0.0));
  proc.requestStop();
  tick(constant(20, 0.0));
  EXPECT_EQ((std::tuple{true, FINISHED, 20}),
            (std::tuple{lastTick.finished, proc.state(), meas().pointCount}));
}

TEST_F(Processor, ReadingNothingChangesNothingAndAReadFailureBlocksFurtherTicks) {
  ASSERT_EQ(0, start());
  EXPECT_EQ((std::tuple{false, 0}), (std::tuple{proc.measTick().newPoints, meas().pointCount}));
  acq.failRead = true;
  proc.measTick();
  EXPECT_EQ(params.daqErrorState, 9);
  acq.failRead = false;
  const int reads = acq.reads;
  tick(constant(10, 1.0));
  EXPECT_EQ((std::tuple{reads, 0}), (std::tuple{acq.reads, meas().pointCount}));
}

TEST_F(Processor, FailedStartGivesTheSlotBackUnchanged) {
  pull(200, Step6);
  tick(constant(40, 3.125));
  ASSERT_EQ(0, proc.measStop());
  const Measurement valid = meas();
  ASSERT_EQ(valid.status, 5);

  // Overwriting it fails at the device: the old result and curve stay.
  storage().range = 20.0;
  acq.failStart = true;
  EXPECT_EQ(MeasErrStart, start());
  EXPECT_EQ(
      (std::tuple{5, valid.force, valid.pointCount, valid.points, valid.range}),
      (std::tuple{meas().status, meas().force, meas().pointCount, meas().points, meas().range}));
  // The stop that follows a failed start writes no result from the earlier run's indices.
  acq.failStart = false;
  params.daqErrorState = 7;
  EXPECT_EQ(MeasErrDaqState, start());
  meas().force = 1.0;
  ASSERT_EQ(0, proc.measStop());
  EXPECT_EQ(meas().force, 1.0);
}

TEST_F(Processor, BrokenReadingsAreSkippedLikeSpikes) {
  ASSERT_EQ(0, start());
  const double nan = std::nan("");
  const double inf = std::numeric_limits<double>::infinity();
  // Even before the filters are ready a broken reading never reaches the average.
  tick({1.0, nan, 1.0, inf, 1.0, -1e300, 1.0, 1.0});
  tick(constant(30, 1.0));
  EXPECT_EQ(std::vector<double>(meas().pointCount, 1.0),
            std::vector<double>(meas().points.begin(), meas().points.begin() + meas().pointCount));
  EXPECT_EQ((std::tuple{1.0, 0.0}), (std::tuple{meas().force, proc.detector().slope()}));
}

namespace {
struct TwoDevices {
  struct Record {
    std::string name;
    PistonList pistons;
  } records[2];
  const Record* device(int i) const { return i == 0 || i == 1 ? &records[i] : nullptr; }
};
} // namespace

TEST_F(Processor, DeviceRecordsServeAsTesters) {
  TwoDevices devices;
  devices.records[1].name = "Second tester";
  calibrate(*devices.records[1].pistons.piston(0));
  DeviceTesterLookup<TwoDevices> lookup(devices);
  proc.setTesters(lookup);
  params.hardChn = 1;
  ASSERT_EQ(0, start());
  EXPECT_EQ((std::tuple{"Second tester", 1, 1}),
            (std::tuple{meas().deviceName, meas().channel, acq.starts[0].channel}));
}
