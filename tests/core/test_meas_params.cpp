#include <cmath>
#include <functional>
#include <limits>

#include <gtest/gtest.h>

#include "core/zv_meas_params.hpp"

namespace zv {
namespace {

// A limited field: a value below its range, what it becomes, and the same above.
struct LimitedField {
  const char* name;
  std::function<void(MeasParams&, double)> set;
  std::function<double(const MeasParams&)> get;
  double below, lowest, above, highest;
};
#define ZV_FIELD(f, below, lowest, above, highest)                                                 \
  LimitedField {                                                                                   \
#f, [](MeasParams& m, double v) { m.f = static_cast<decltype(m.f)>(v); },                \
        [](const MeasParams& m) { return static_cast<double>(m.f); }, below, lowest, above, \
        highest         \
  }

TEST(MeasParams, CheckClampsEveryLimitedFieldBelowAndAbove) {
  const LimitedField fields[] = {
      ZV_FIELD(hardChn, -1, 0, 2, 1),
      ZV_FIELD(gphPoints, 5, 400, 20000, 10000),
      ZV_FIELD(average, 0, 1, 101, 100),
      ZV_FIELD(blockCount, 2, 10, 50000, 10000),
      ZV_FIELD(sampleRate, 0, 1, 5000, 1000),
      ZV_FIELD(dTrigDiffTime, -1, 0, 11, 10),
      ZV_FIELD(dPostTrigTime, -1, 0, 11, 10),
      ZV_FIELD(dPollTime, 0, 0.1, 2.5, 2),
      ZV_FIELD(dStartPulseDelay, -3, 0, 101, 100),
      ZV_FIELD(dStopPulseDelay, -3, 0, 101, 100),
      ZV_FIELD(startProzent, -1, 0, 501, 500),
      ZV_FIELD(stopProzent, -101, -100, 101, 100),
      ZV_FIELD(startTime, -0.5, 0, 10.5, 10),
      ZV_FIELD(stopTime, -0.5, 0, 10.5, 10),
      ZV_FIELD(calcMode, -4, 0, 2, 1),
      ZV_FIELD(nSpikeNum, 0, 1, 101, 100),
      ZV_FIELD(dSpikeLim, -0.1, 0, 1000.5, 1000),
  };
  MeasParams low, high;
  for (const LimitedField& f : fields) {
    f.set(low, f.below);
    f.set(high, f.above);
  }
  EXPECT_EQ(0, checkMeasParams(&low));
  EXPECT_EQ(0, checkMeasParams(&high));
  for (const LimitedField& f : fields) {
    EXPECT_EQ(f.lowest, f.get(low)) << f.name;
    EXPECT_EQ(f.highest, f.get(high)) << f.name;
  }
}

TEST(MeasParams, ValuesInsideTheirLimitsAndUnlimitedFieldsStay) {
  MeasParams m;
  m.gphPoints = 600;
  m.blockCount = 550;
  m.stopProzent = -40;
  m.forcLimitRelVal = 250.0; // no limits
  m.offset_press = -1e9;
  EXPECT_EQ(0, checkMeasParams(&m));
  EXPECT_EQ(
      (std::tuple{600, 550, -40.0, 250.0, -1e9}),
      (std::tuple{m.gphPoints, m.blockCount, m.stopProzent, m.forcLimitRelVal, m.offset_press}));
}

TEST(MeasParams, BlockCountFollowsTheClampedCurveLength) {
  MeasParams m;
  m.gphPoints = 100; // below its limit: becomes 400 before the block count is checked
  m.blockCount = 1000;
  checkMeasParams(&m);
  EXPECT_EQ((std::tuple{400, 400, 400}),
            (std::tuple{m.gphPoints, m.blockCount, m.blockCountLimit.hi}));
  m.gphPoints = 900;
  m.blockCount = 5;
  checkMeasParams(&m);
  EXPECT_EQ((std::tuple{10, 900}), (std::tuple{m.blockCount, m.blockCountLimit.hi}));
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
