#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "core/zv_meas_params.hpp"

namespace zv {
namespace {

TEST(MeasParams, BuiltInValues) {
  MeasParams m;
  m.sampleRate = 3;
  m.unit_press = "x";
  m.gphPointsLimit = {1, 2};
  setMeasParamsDefaults(m);
  EXPECT_EQ(0.0, m.offset_press);
  EXPECT_EQ(1.0, m.gain_press);
  EXPECT_EQ("[kN/mm2]", m.unit_press);
  EXPECT_EQ(0, m.daqVersion);
  EXPECT_EQ("---", m.daqVersionText);
  EXPECT_EQ(0, m.hardChn);
  EXPECT_EQ(0, m.daqErrorState);
  EXPECT_EQ(1, m.daqEnabled);
  EXPECT_EQ(0, m.calSelection);
  EXPECT_EQ(-1, m.calChannel);
  EXPECT_EQ(0.0, m.calMeanVoltage);
  EXPECT_EQ(-1, m.calStatus);
  EXPECT_EQ((std::array<std::int16_t, 4>{0, 0, 0, 0}), m.statusWords);
  EXPECT_EQ(50.0, m.startProzent);
  EXPECT_EQ(0.5, m.startTime);
  EXPECT_EQ(1.0, m.stopTime);
  EXPECT_EQ(10.0, m.stopProzent);
  EXPECT_EQ(0.2, m.dPostTrigTime);
  EXPECT_EQ(0.5, m.dTrigDiffTime);
  EXPECT_EQ(1, m.remoteEnable);
  EXPECT_EQ(0, m.seriesFlag);
  EXPECT_EQ(100, m.sampleRate);
  EXPECT_EQ(1.0, m.dSampleRateActual);
  EXPECT_EQ(10, m.average);
  EXPECT_EQ(10, m.blockCount);
  EXPECT_EQ(10000, m.gphPoints);
  EXPECT_EQ(0.5, m.dPollTime);
  EXPECT_EQ(1.0, m.dStartPulseDelay);
  EXPECT_EQ(1.0, m.dStopPulseDelay);
  EXPECT_EQ(1, m.deviceNumber);
  EXPECT_EQ(0, m.forcLimitEnable);
  EXPECT_EQ(10.0, m.forcLimitRelVal);
  EXPECT_EQ(0.0, m.forceLimit);
  EXPECT_EQ(0, m.serialNumber);
  EXPECT_EQ(0, m.calcMode);
  EXPECT_EQ(3, m.nSpikeNum);
  EXPECT_EQ(1.0, m.dSpikeLim);
  EXPECT_EQ("--", m.productType);
  EXPECT_EQ("", m.deviceName);
  // The limits come back too.
  EXPECT_EQ(400, m.gphPointsLimit.lo);
  EXPECT_EQ(10000, m.gphPointsLimit.hi);
}

TEST(MeasParams, CheckClampsEveryLimitedFieldBelowAndAbove) {
  MeasParams low;
  low.hardChn = -1;
  low.gphPoints = 5;
  low.average = 0;
  low.blockCount = 2;
  low.sampleRate = 0;
  low.dTrigDiffTime = -1;
  low.dPostTrigTime = -1;
  low.dPollTime = 0.0;
  low.dStartPulseDelay = -3;
  low.dStopPulseDelay = -3;
  low.startProzent = -1;
  low.stopProzent = -101;
  low.startTime = -0.5;
  low.stopTime = -0.5;
  low.calcMode = -4;
  low.nSpikeNum = 0;
  low.dSpikeLim = -0.1;
  EXPECT_EQ(0, checkMeasParams(&low));
  EXPECT_EQ(0, low.hardChn);
  EXPECT_EQ(400, low.gphPoints);
  EXPECT_EQ(1, low.average);
  EXPECT_EQ(10, low.blockCount);
  EXPECT_EQ(1, low.sampleRate);
  EXPECT_EQ(0.0, low.dTrigDiffTime);
  EXPECT_EQ(0.0, low.dPostTrigTime);
  EXPECT_EQ(0.1, low.dPollTime);
  EXPECT_EQ(0.0, low.dStartPulseDelay);
  EXPECT_EQ(0.0, low.dStopPulseDelay);
  EXPECT_EQ(0.0, low.startProzent);
  EXPECT_EQ(-100.0, low.stopProzent);
  EXPECT_EQ(0.0, low.startTime);
  EXPECT_EQ(0.0, low.stopTime);
  EXPECT_EQ(0, low.calcMode);
  EXPECT_EQ(1, low.nSpikeNum);
  EXPECT_EQ(0.0, low.dSpikeLim);

  MeasParams high;
  high.hardChn = 2;
  high.gphPoints = 20000;
  high.average = 101;
  high.blockCount = 50000;
  high.sampleRate = 5000;
  high.dTrigDiffTime = 11;
  high.dPostTrigTime = 11;
  high.dPollTime = 2.5;
  high.dStartPulseDelay = 101;
  high.dStopPulseDelay = 101;
  high.startProzent = 501;
  high.stopProzent = 101;
  high.startTime = 10.5;
  high.stopTime = 10.5;
  high.calcMode = 2;
  high.nSpikeNum = 101;
  high.dSpikeLim = 1000.5;
  EXPECT_EQ(0, checkMeasParams(&high));
  EXPECT_EQ(1, high.hardChn);
  EXPECT_EQ(10000, high.gphPoints);
  EXPECT_EQ(100, high.average);
  EXPECT_EQ(10000, high.blockCount);
  EXPECT_EQ(1000, high.sampleRate);
  EXPECT_EQ(10.0, high.dTrigDiffTime);
  EXPECT_EQ(10.0, high.dPostTrigTime);
  EXPECT_EQ(2.0, high.dPollTime);
  EXPECT_EQ(100.0, high.dStartPulseDelay);
  EXPECT_EQ(100.0, high.dStopPulseDelay);
  EXPECT_EQ(500.0, high.startProzent);
  EXPECT_EQ(100.0, high.stopProzent);
  EXPECT_EQ(10.0, high.startTime);
  EXPECT_EQ(10.0, high.stopTime);
  EXPECT_EQ(1, high.calcMode);
  EXPECT_EQ(100, high.nSpikeNum);
  EXPECT_EQ(1000.0, high.dSpikeLim);
}

TEST(MeasParams, ValuesInsideTheirLimitsAndUnlimitedFieldsStay) {
  MeasParams m;
  m.gphPoints = 600;
  m.blockCount = 550;
  m.stopProzent = -40;
  m.forcLimitRelVal = 250.0; // no limits
  m.offset_press = -1e9;
  MeasParams before = m;
  EXPECT_EQ(0, checkMeasParams(&m));
  EXPECT_EQ(before.gphPoints, m.gphPoints);
  EXPECT_EQ(before.blockCount, m.blockCount);
  EXPECT_EQ(before.stopProzent, m.stopProzent);
  EXPECT_EQ(250.0, m.forcLimitRelVal);
  EXPECT_EQ(-1e9, m.offset_press);
  EXPECT_EQ(-1, checkMeasParams(nullptr));
}

TEST(MeasParams, BlockCountFollowsTheClampedCurveLength) {
  MeasParams m;
  m.gphPoints = 100; // below its limit: becomes 400 before the block count is checked
  m.blockCount = 1000;
  checkMeasParams(&m);
  EXPECT_EQ(400, m.gphPoints);
  EXPECT_EQ(400, m.blockCount);
  EXPECT_EQ(400, m.blockCountLimit.hi);

  m.gphPoints = 900;
  m.blockCount = 5;
  checkMeasParams(&m);
  EXPECT_EQ(10, m.blockCount);
  EXPECT_EQ(900, m.blockCountLimit.hi);
}

TEST(MeasParams, SwappedLimitsAreRepairedFirst) {
  MeasParams m;
  m.sampleRateLimit = {1000, 1};
  m.sampleRate = 2000;
  m.dPollTimeLimit = {2.0, 0.1};
  m.dPollTime = 0.05;
  checkMeasParams(&m);
  EXPECT_EQ(1, m.sampleRateLimit.lo);
  EXPECT_EQ(1000, m.sampleRate);
  EXPECT_EQ(0.1, m.dPollTime);
}

TEST(MeasParams, NotANumberTakesTheBuiltInValue) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  MeasParams m;
  m.dPollTime = nan;
  m.startProzent = nan;
  m.dSpikeLim = nan;
  m.stopTime = std::numeric_limits<double>::infinity();
  checkMeasParams(&m);
  EXPECT_EQ(0.5, m.dPollTime);
  EXPECT_EQ(50.0, m.startProzent);
  EXPECT_EQ(1.0, m.dSpikeLim);
  EXPECT_EQ(10.0, m.stopTime);
}

} // namespace
} // namespace zv
