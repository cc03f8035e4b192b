// The pull-off signal processing: filters, curve, trigger and tear-off detection, the result,
// and the start and stop of a run with their failures.
//
// Most signals run at 64 Hz with a trigger distance of 16 points (slope base 0.25 s) and a pull
// speed of 1000 N/s, so thresholds (0.5 and 0.25 kN/s) and ramps (steps of 2^-n V) are exact
// binary fractions and a slope can equal a threshold exactly.
#include "daq/zv_processor_fixture.hpp"

#include <cmath>
#include <limits>

using namespace zv;
using namespace zv::test;

namespace {
constexpr double Step6 = 1.0 / 64;  // slope 1.0 kN/s over the trigger distance
constexpr double Step7 = 1.0 / 128; // slope 0.5: exactly the start threshold
constexpr double Step8 = 1.0 / 256; // slope 0.25: exactly the stop threshold
constexpr double Step9 = 1.0 / 512; // slope 0.125
} // namespace

struct Processor : ProcessorFixture {
  void SetUp() override { setSpeed(1000.0); }
  int start() { return proc.measStart(); }
};

TEST_F(Processor, StartPreparesTheMeasurementAndTheLimits) {
  storage().range = 20.0;
  storage().area = 2.0;
  testers.pistons[0].piston(1)->rangeVolts = 5.0;
  params.forcLimitRelVal = 10.0;
  ASSERT_EQ(0, start());
  const Measurement& m = meas();
  EXPECT_TRUE(proc.isMeasuring());
  EXPECT_FALSE(proc.acquisitionStopped());
  EXPECT_EQ(m.status, 2);
  EXPECT_EQ(m.range, 20.0);
  EXPECT_EQ(m.area, 2.0);
  EXPECT_EQ(m.speed, 1000.0);
  EXPECT_EQ(m.rangeVolts, 5.0);
  EXPECT_EQ(m.deviceName, "Tester One");
  EXPECT_EQ(m.curveRate, 64);
  EXPECT_EQ(m.pointCount, 0);
  EXPECT_EQ(m.points.size(), 400u);
  ASSERT_EQ(acq.starts.size(), 1u);
  EXPECT_EQ(acq.starts[0].channel, 0);
  EXPECT_EQ(acq.starts[0].volts, 5.0);
  EXPECT_EQ(acq.starts[0].rate, 64);
  ASSERT_EQ(acq.announced.size(), 1u); // the tester hears the pull speed first
  EXPECT_EQ(acq.announced[0], std::make_pair(0, 1000.0));
  EXPECT_EQ(acq.stops, 1); // whatever was still set up is stopped first
  EXPECT_EQ(params.dSampleRateActual, 64.0);
  EXPECT_EQ(proc.startThreshold(), 0.5);
  EXPECT_EQ(proc.stopThreshold(), 0.25);
  EXPECT_EQ(params.forceLimit, 2.0);
  EXPECT_EQ(proc.startPoints(), 8);
  EXPECT_EQ(proc.stopPoints(), 16);
  EXPECT_EQ(proc.trigDiffPoints(), 16);
  EXPECT_EQ(proc.postPoints(), 8);
  EXPECT_EQ(proc.slopeBaseTime(), 0.25);
  EXPECT_EQ(proc.startTimeSpan(), 6.0); // 400 points / 64 per second, whole seconds
  EXPECT_EQ(proc.startForceSpan(), 20.0);
  EXPECT_TRUE(ui.shown.empty());
}

TEST_F(Processor, SecondChannelUsesTheSecondTester) {
  params.hardChn = 1;
  ASSERT_EQ(0, start());
  EXPECT_EQ(meas().deviceName, "Tester Two");
  EXPECT_EQ(meas().channel, 1);
  EXPECT_EQ(acq.starts[0].channel, 1);
}

TEST_F(Processor, StorageRangeMissingFromTheListTakesTheFirstPiston) {
  storage().range = 15.0;
  testers.pistons[0].piston(0)->rangeVolts = 2.0;
  ASSERT_EQ(0, start());
  EXPECT_EQ(acq.starts[0].volts, 2.0);
  EXPECT_EQ(meas().range, 15.0); // the storage's own range is recorded
}

TEST_F(Processor, StartRefusals) {
  params.daqErrorState = 6;
  EXPECT_EQ(MeasErrDaqState, start());
  params.daqErrorState = 0;

  proc.clearRunning();
  EXPECT_EQ(MeasErrNoMeasurement, start());
  proc.setRunning({0, 0, 0});

  proc.requestStop();
  EXPECT_EQ(1, start());
  proc.clearStopRequest();

  params.hardChn = 2; // a channel without a tester device
  EXPECT_EQ(MeasErrNoTester, start());
  params.hardChn = 0;

  acq.failStart = true;
  EXPECT_EQ(MeasErrStart, start());
  acq.failStart = false;
  EXPECT_FALSE(proc.isMeasuring());
  EXPECT_EQ(acq.starts.size(), 1u); // only the failing start reached the device

  acq.failStop = true;
  EXPECT_EQ(MeasErrStopBeforeStart, start());
  EXPECT_EQ(params.daqErrorState, 10);
  EXPECT_FALSE(proc.isMeasuring());
  const std::string logText = TestDir::readFile(errorLog.path());
  for (const char* code : {"-1220", "-1221", "-1227", "-1230", "-1226"})
    EXPECT_NE(logText.find(code), std::string::npos) << code;
}

TEST_F(Processor, UncalibratedPistonWarnsAndMeasures) {
  testers.pistons[0].piston(0)->calFlags = 7;
  ASSERT_EQ(0, start());
  ASSERT_EQ(ui.popups().size(), 1u);
  EXPECT_EQ(ui.popups()[0], "|The piston wasn't calibrated yet !");
  lang.language = 0;
  ASSERT_EQ(0, start());
  EXPECT_EQ(ui.popups()[1], "|Der Kolben wurde noch nicht kalibriert !");
}

TEST_F(Processor, PistonWithoutCalibrationLineIsRefused) {
  // Both points at the same voltage: the gain would be infinite and so every force.
  PistonRange& p = *testers.pistons[0].piston(0);
  p.calVolts1 = p.calVolts2 = 0.5;
  EXPECT_EQ(MeasErrCalibration, start());
  EXPECT_FALSE(proc.isMeasuring());
  EXPECT_TRUE(acq.starts.empty());
  ASSERT_EQ(ui.popups().size(), 1u);
  EXPECT_NE(ui.popups()[0].find("same voltage"), std::string::npos);
  EXPECT_TRUE(std::isfinite(meas().calGain));
}

TEST_F(Processor, ActualRateBelowOneHertzStillGivesOnePointPerSecond) {
  acq.actualRate = 0.5;
  params.dTrigDiffTime = 4.0;
  ASSERT_EQ(0, start());
  EXPECT_EQ(meas().curveRate, 1);
  EXPECT_EQ(proc.startTimeSpan(), 400.0);
  EXPECT_EQ(proc.trigDiffPoints(), 2);
  EXPECT_EQ(proc.slopeBaseTime(), 2.0);
  tick(ramp(10, 0.0, 0.001));
  EXPECT_TRUE(std::isfinite(meas().forceSlope));
  EXPECT_TRUE(std::isfinite(proc.timeOffset()));
}

TEST_F(Processor, MovingAverageStartsAfterItsWindowIsFull) {
  params.average = 5;
  params.nSpikeNum = 1;
  ASSERT_EQ(0, start());
  tick({1, 2, 3, 4, 5});
  EXPECT_EQ(meas().pointCount, 0);
  tick({6});
  ASSERT_EQ(meas().pointCount, 1);
  EXPECT_EQ(meas().points[0], 4.0); // mean of samples 2 to 6
  tick({7, 8});
  EXPECT_EQ(meas().points[2], 6.0);
}

TEST_F(Processor, CurveIsForceThroughTheCalibrationLine) {
  calibrate(*testers.pistons[0].piston(0), 2.0, 0.5);
  ASSERT_EQ(0, start());
  tick({0.0, 0.25, 0.25});
  ASSERT_EQ(meas().pointCount, 2);
  EXPECT_EQ(meas().points[0], 1.0);
  EXPECT_EQ(meas().calGain, 2.0);
  EXPECT_EQ(meas().calOffset, 0.5);
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
  for (int i = 0; i < meas().pointCount; ++i)
    EXPECT_EQ(meas().points[i], 1.0) << i;
  EXPECT_EQ(meas().pointCount, 14);

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
  const Measurement& m = meas();
  ASSERT_EQ(m.pointCount, 11);
  EXPECT_EQ(m.points[9], 1.0 + 5.0 / 64);
  EXPECT_EQ(m.points[10], 1.0 + 5.0 / 64);
}

TEST_F(Processor, SpikesBeforeTheHistoriesAreFullPass) {
  params.average = 1;
  ASSERT_EQ(0, start());
  tick({0.0, 3.0, 0.0, 0.0});
  // The filter looks only once both histories are full (after the third sample).
  EXPECT_EQ(meas().points[0], 3.0);
  EXPECT_EQ(meas().points[1], 0.0);
}

TEST_F(Processor, FullCycleFromTriggerToResult) {
  const std::uint32_t changesBefore = meas().saveChanges;
  ASSERT_EQ(0, start());
  tick(constant(32, 0.0));
  EXPECT_EQ(proc.state(), WAIT_TRIGGER);
  tick(ramp(200, 0.0, Step6)); // up to 3.125 kN at 1 kN/s
  // Rise above 0.5 kN/s from the 9th ramp point on, 8 of them: trigger at point 31 + 16.
  EXPECT_EQ(proc.trigIndex(), 47);
  EXPECT_EQ(proc.state(), TRIGGERED);
  EXPECT_EQ(meas().status, 3);
  EXPECT_TRUE(lastTick.triggered && lastTick.newPoints && !lastTick.tornOff);
  EXPECT_EQ(meas().forceSlope, 1.0);
  EXPECT_EQ(meas().force, 3.125);

  std::vector<double> hold = constant(100, 3.125);
  tick(hold);
  // The slope falls below 0.25 from the 13th held point; 16 of them make the tear-off.
  EXPECT_EQ(proc.pullIndex(), 31 + 200 + 28);
  EXPECT_EQ(proc.state(), FINISHED);
  EXPECT_TRUE(lastTick.tornOff && lastTick.finished && !lastTick.triggered);
  // The block ends with the tracking time; what followed is dropped.
  EXPECT_EQ(meas().pointCount, 259 + 8);
  EXPECT_EQ(meas().status, 4);

  ASSERT_EQ(0, proc.measStop());
  const Measurement& m = meas();
  EXPECT_EQ(m.status, 5);
  EXPECT_EQ(m.inStatistics, 1);
  EXPECT_EQ(m.force, 3.125);
  EXPECT_TRUE(proc.acquisitionStopped());
  EXPECT_FALSE(proc.isMeasuring());
  // The cursor goes back over the tracking points and the span from trigger to tear-off.
  EXPECT_EQ(proc.triggerCursor(), 267 - 8 - 212);
  EXPECT_EQ(m.saveChanges, changesBefore + 1);
  EXPECT_EQ(m.pointCount, 267);
  EXPECT_EQ(acq.stops, 2);
}

TEST_F(Processor, ResultIsTheMeanOfTheTrackingPoints) {
  ASSERT_EQ(0, start());
  tick(constant(32, 0.0));
  tick(ramp(200, 0.0, Step6));
  // The held force wanders while it is tracked; the result is its mean, not the peak.
  std::vector<double> hold = constant(28, 3.125);
  for (int i = 1; i <= 8; ++i)
    hold.push_back(3.125 - i / 128.0);
  tick(hold);
  ASSERT_EQ(proc.state(), FINISHED);
  proc.measStop();
  EXPECT_DOUBLE_EQ(meas().force, 3.125 - 4.5 / 128);
}

TEST_F(Processor, SlopeEqualToTheStartThresholdNeverTriggers) {
  ASSERT_EQ(0, start());
  tick(constant(32, 0.0));
  tick(ramp(300, 0.0, Step7));
  EXPECT_EQ(proc.state(), WAIT_TRIGGER);
  EXPECT_EQ(meas().forceSlope, 0.5);
  EXPECT_EQ(meas().status, 2);
}

TEST_F(Processor, SlopeEqualToTheStopThresholdNeverTearsOff) {
  ASSERT_EQ(0, start());
  tick(constant(32, 0.0));
  tick(ramp(40, 0.0, Step6));
  ASSERT_EQ(proc.state(), TRIGGERED);
  tick(ramp(200, 40 * Step6, Step8));
  EXPECT_EQ(proc.state(), TRIGGERED);
  EXPECT_EQ(meas().forceSlope, 0.25);
  tick(ramp(15, 40 * Step6 + 200 * Step8, Step9));
  EXPECT_EQ(proc.state(), TRIGGERED);
  tick(ramp(17, 40 * Step6 + 200 * Step8 + 15 * Step9, Step9));
  EXPECT_NE(proc.state(), TRIGGERED);
}

TEST_F(Processor, ForceLimitHoldsBackTheTriggerCounting) {
  storage().range = 20.0;
  params.forcLimitEnable = 1;
  params.forcLimitRelVal = 10.0; // 2 kN
  ASSERT_EQ(0, start());
  tick(constant(32, 0.0));
  tick(ramp(200, 0.0, Step6));
  // Counting begins once the force 16 points back exceeds 2 kN (ramp point 145), 8 counts.
  EXPECT_EQ(proc.trigIndex(), 31 + 152);
}

TEST_F(Processor, ForceLimitDoesNotHoldBackTheTearOff) {
  params.forcLimitEnable = 1;
  params.forcLimitRelVal = 10.0; // 1 kN on the 10 kN piston
  ASSERT_EQ(0, start());
  tick(constant(32, 0.0));
  tick(ramp(200, 0.0, Step6));
  ASSERT_EQ(proc.state(), TRIGGERED);
  tick(constant(60, 0.5)); // the force drops below the limit, the tear-off is still seen
  EXPECT_GE(proc.pullIndex(), 0);
}

TEST_F(Processor, StartPointsZeroOrOneTriggerOnTheFirstCountedRise) {
  for (double startTime : {0.0, 1.0 / 64}) {
    params.startTime = startTime;
    ASSERT_EQ(0, start());
    tick(constant(32, 0.0));
    tick(ramp(20, 0.0, Step6));
    EXPECT_EQ(proc.trigIndex(), 31 + 9) << startTime;
  }
}

TEST_F(Processor, TriggerDistanceIsClampedToTheCurveAndRewritten) {
  params.dTrigDiffTime = 10.0; // 640 points on a 400 point curve
  ASSERT_EQ(0, start());
  EXPECT_EQ(proc.trigDiffPoints(), 399);
  EXPECT_EQ(params.dTrigDiffTime, 399.0 / 64);
}

TEST_F(Processor, TriggerDistanceZeroStillMeasuresASlope) {
  params.dTrigDiffTime = 0.0;
  ASSERT_EQ(0, start());
  EXPECT_EQ(proc.trigDiffPoints(), 1);
  EXPECT_EQ(params.dTrigDiffTime, 0.0);
  tick(constant(32, 0.0));
  tick(ramp(20, 0.0, Step6));
  EXPECT_EQ(meas().forceSlope, 1.0);
  EXPECT_EQ(proc.state(), TRIGGERED);
}

TEST_F(Processor, FullCurveScrollsAndAdvancesTheTimeOffset) {
  params.nSpikeNum = 1;
  ASSERT_EQ(0, start());
  // Values are half the sample numbers; the first sample only fills the average.
  std::vector<double> v(1234);
  for (int i = 0; i < 1234; ++i)
    v[i] = (i + 1) / 2.0;
  tick(std::vector<double>(v.begin(), v.begin() + 399));
  EXPECT_EQ(meas().pointCount, 398);
  EXPECT_EQ(proc.timeOffset(), 0.0);
  tick(std::vector<double>(v.begin() + 399, v.end()));
  const Measurement& m = meas();
  ASSERT_EQ(m.pointCount, 400);
  for (int i = 0; i < 400; ++i)
    ASSERT_EQ(m.points[i], (835.0 + i) / 2) << i;
  EXPECT_NEAR(proc.timeOffset(), 833.0 / 64, 1e-9);
}

TEST_F(Processor, ForceReadsZeroUntilATriggerDistanceIsRecorded) {
  ASSERT_EQ(0, start());
  tick(constant(10, 1.0));
  EXPECT_EQ(meas().force, 0.0);
  EXPECT_EQ(meas().forceSlope, 0.0);
  tick(constant(10, 1.0));
  EXPECT_EQ(meas().force, 1.0);
}

TEST_F(Processor, StopBeforeTheTriggerWritesNoResult) {
  ASSERT_EQ(0, start());
  tick(constant(40, 1.0));
  ASSERT_EQ(0, proc.measStop());
  EXPECT_EQ(meas().status, 2);
  EXPECT_EQ(meas().inStatistics, 0);
  EXPECT_EQ(proc.triggerCursor(), -1);
  EXPECT_FALSE(proc.isMeasuring());
}

TEST_F(Processor, StopAfterTheTriggerKeepsItsStatus) {
  ASSERT_EQ(0, start());
  tick(constant(32, 0.0));
  tick(ramp(100, 0.0, Step6));
  ASSERT_EQ(0, proc.measStop());
  EXPECT_EQ(meas().status, 3);
  EXPECT_EQ(meas().inStatistics, 0);
}

TEST_F(Processor, StopDuringTrackingAveragesWhatWasTracked) {
  ASSERT_EQ(0, start());
  tick(constant(32, 0.0));
  tick(ramp(200, 0.0, Step6));
  tick(constant(28, 3.125)); // the tear-off is the last of these
  ASSERT_EQ(proc.state(), PULLED_OFF);
  ASSERT_EQ(0, proc.measStop());
  EXPECT_EQ(meas().status, 5);
  EXPECT_EQ(meas().force, 3.125); // at least the last point
  tick(constant(3, 2.0));         // nothing more is read after the stop
  EXPECT_EQ(meas().force, 3.125);
}

TEST_F(Processor, StopRequestInsideATickFinishesTheRun) {
  ASSERT_EQ(0, start());
  tick(constant(20, 0.0));
  proc.requestStop();
  tick(constant(20, 0.0));
  EXPECT_TRUE(lastTick.finished);
  EXPECT_EQ(proc.state(), FINISHED);
  EXPECT_EQ(meas().pointCount, 20);
}

TEST_F(Processor, StopWithoutMeasurementIsAnError) {
  proc.clearRunning();
  EXPECT_EQ(MeasErrStopNoMeasurement, proc.measStop());
  EXPECT_EQ(MeasErrLimitsNoMeasurement, proc.calcLimits());
  EXPECT_EQ(MeasErrNoMeasurementForPlot, proc.initPlotBuffer(nullptr));
}

TEST_F(Processor, ReadFailureBlocksFurtherTicks) {
  ASSERT_EQ(0, start());
  acq.failRead = true;
  proc.measTick();
  EXPECT_EQ(params.daqErrorState, 9);
  acq.failRead = false;
  const int reads = acq.reads;
  tick(constant(10, 1.0));
  EXPECT_EQ(acq.reads, reads);
  EXPECT_EQ(meas().pointCount, 0);
}

TEST_F(Processor, ReadingNothingChangesNothing) {
  ASSERT_EQ(0, start());
  EXPECT_FALSE(proc.measTick().newPoints);
  EXPECT_EQ(meas().pointCount, 0);
}

TEST_F(Processor, FailedStartGivesTheSlotBackUnchanged) {
  ASSERT_EQ(0, start());
  tick(constant(32, 0.0));
  tick(ramp(200, 0.0, Step6));
  tick(constant(40, 3.125));
  ASSERT_EQ(0, proc.measStop());
  const Measurement valid = meas();
  ASSERT_EQ(valid.status, 5);

  // Overwriting it fails at the device: the old result and curve stay.
  storage().range = 20.0;
  acq.failStart = true;
  EXPECT_EQ(MeasErrStart, start());
  EXPECT_EQ(meas().status, 5);
  EXPECT_EQ(meas().force, valid.force);
  EXPECT_EQ(meas().pointCount, valid.pointCount);
  EXPECT_EQ(meas().points, valid.points);
  EXPECT_EQ(meas().range, valid.range);
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
  for (int i = 0; i < meas().pointCount; ++i)
    EXPECT_EQ(meas().points[i], 1.0) << i;
  EXPECT_EQ(meas().force, 1.0);
  EXPECT_EQ(meas().forceSlope, 0.0);
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
  EXPECT_EQ(meas().deviceName, "Second tester");
  params.hardChn = 3;
  EXPECT_EQ(MeasErrNoTester, start());
}
