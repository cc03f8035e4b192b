#include <limits>

#include <gtest/gtest.h>

#include "core/zv_meas_params.hpp"

namespace zv {
namespace {

// The limited fields, as references that can be set and compared at once.
auto intFields(MeasParams& m) {
  return std::tie(m.hardChn, m.gphPoints, m.average, m.blockCount, m.sampleRate, m.nSpikeNum,
                  m.calcMode);
}
auto doubleFields(MeasParams& m) {
  return std::tie(m.dTrigDiffTime, m.dPostTrigTime, m.dPollTime, m.dStartPulseDelay,
                  m.dStopPulseDelay, m.startProzent, m.stopProzent, m.startTime, m.stopTime,
                  m.dSpikeLim);
}

TEST(MeasParams, CheckClampsEveryLimitedFieldBelowAndAbove) {
  MeasParams low, high;
  intFields(low) = std::tuple{-1, 5, 0, 2, 0, 0, -4};
  doubleFields(low) = std::tuple{-1.0, -1.0, 0.0, -3.0, -3.0, -1.0, -101.0, -0.5, -0.5, -0.1};
  intFields(high) = std::tuple{2, 20000, 101, 50000, 5000, 101, 2};
  doubleFields(high) = std::tuple{11.0, 11.0, 2.5, 101.0, 101.0, 501.0, 101.0, 10.5, 10.5, 1000.5};
  EXPECT_EQ((std::tuple{0, 0}), (std::tuple{checkMeasParams(&low), checkMeasParams(&high)}));
  EXPECT_EQ((std::tuple{0, 400, 1, 10, 1, 1, 0}), intFields(low));
  EXPECT_EQ((std::tuple{0.0, 0.0, 0.1, 0.0, 0.0, 0.0, -100.0, 0.0, 0.0, 0.0}), doubleFields(low));
  EXPECT_EQ((std::tuple{1, 10000, 100, 10000, 1000, 100, 1}), intFields(high));
  EXPECT_EQ((std::tuple{10.0, 10.0, 2.0, 100.0, 100.0, 500.0, 100.0, 10.0, 10.0, 1000.0}),
            doubleFields(high));
}

TEST(MeasParams, SwappedLimitsAreRepairedAndNotANumberTakesTheBuiltInValue) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  MeasParams m;
  m.sampleRateLimit = {1000, 1};
  m.sampleRate = 2000;
  m.dPollTimeLimit = {2.0, 0.1};
  m.dPollTime = 0.05;
  std::tie(m.startProzent, m.dSpikeLim) = std::tuple{nan, nan};
  m.stopTime = std::numeric_limits<double>::infinity();
  checkMeasParams(&m);
  EXPECT_EQ((std::tuple{1, 1000, 0.1}),
            (std::tuple{m.sampleRateLimit.lo, m.sampleRate, m.dPollTime}));
  EXPECT_EQ((std::tuple{50.0, 1.0, 10.0}), (std::tuple{m.startProzent, m.dSpikeLim, m.stopTime}));
  m.dPollTime = nan;
  checkMeasParams(&m);
  EXPECT_EQ(0.5, m.dPollTime);
}

} // namespace
} // namespace zv
