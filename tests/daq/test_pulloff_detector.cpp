// The detector on arrays of samples: no data set, window, clock or acquisition.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "daq/zv_pulloff_detector.hpp"

namespace zv {
namespace {

// 64 Hz, no averaging, slope over 16 points (0.25 s), trigger after 8 points above
// 0.5 kN/s, tear-off after 16 points below 0.25 kN/s, 8 points tracked.
PullOffDetector detector(int curvePoints = 400, int spikePoints = 1, bool forceLimit = false) {
  PullOffDetector d;
  EXPECT_TRUE(d.start(curvePoints, spikePoints, 1));
  DetectorLimits l;
  l.sampleRate = 64.0;
  l.curveRate = 64;
  l.startThreshold = 0.5;
  l.stopThreshold = 0.25;
  l.startPoints = 8;
  l.stopPoints = 16;
  l.slopePoints = 16;
  l.postPoints = 8;
  l.forceLimitEnabled = forceLimit;
  l.forceLimit = 5.0;
  d.setLimits(l);
  return d;
}

// A specimen: 32 idle samples, a pull at 1 kN/s up to `top` kN, then the force held.
std::vector<double> specimen(double top, int hold = 100) {
  std::vector<double> v(32, 0.0);
  for (double f = 1.0 / 64; f <= top + 1e-12; f += 1.0 / 64)
    v.push_back(f);
  v.insert(v.end(), static_cast<std::size_t>(hold), top);
  return v;
}

TEST(PullOffDetector, TriggerTearOffAndTrackingOnAPull) {
  PullOffDetector d = detector();
  const auto samples = specimen(3.125);
  const DetectorStep step = d.feed(samples.data(), static_cast<int>(samples.size()));
  EXPECT_TRUE(step.triggered && step.tornOff && step.finished);
  EXPECT_EQ(d.state(), FINISHED);
  // The slope passes 0.5 kN/s at the 9th rise point; 8 points later it triggers.
  EXPECT_EQ(d.triggerIndex(), 47);
  // The slope falls below 0.25 kN/s from the 13th held point; 16 of them make the tear-off.
  EXPECT_EQ(d.tearOffIndex(), 31 + 200 + 28);
  EXPECT_EQ(d.processed(), d.tearOffIndex() + 8); // the tracked points, then nothing more
  EXPECT_EQ(d.force(), 3.125);
  EXPECT_EQ(d.curve()[d.pointCount() - 1], 3.125);
}

TEST(PullOffDetector, EventsSpreadOverBlocksAndAStopFinishesAtOnce) {
  PullOffDetector d = detector();
  const auto samples = specimen(3.125);
  int triggers = 0, tearOffs = 0;
  for (std::size_t at = 0; at < samples.size() && d.state() != FINISHED; at += 10) {
    const int n = static_cast<int>(std::min<std::size_t>(10, samples.size() - at));
    const DetectorStep step = d.feed(samples.data() + at, n);
    triggers += step.triggered;
    tearOffs += step.tornOff;
  }
  EXPECT_EQ(triggers, 1);
  EXPECT_EQ(tearOffs, 1);
  EXPECT_EQ(d.triggerIndex(), 47); // the block size changes nothing

  PullOffDetector idle = detector();
  const std::vector<double> zeros(40, 0.0);
  EXPECT_TRUE(idle.feed(zeros.data(), 40, true).finished);
  EXPECT_EQ(idle.processed(), 1);
  EXPECT_EQ(idle.triggerIndex(), -1);
}

TEST(PullOffDetector, ForceLimitSpikesAndBrokenReadingsKeepTheRunQuiet) {
  // Below the force limit a rise never triggers.
  PullOffDetector limited = detector(400, 1, true);
  const auto low = specimen(3.0);
  limited.feed(low.data(), static_cast<int>(low.size()));
  EXPECT_EQ(limited.triggerIndex(), -1);
  // A one-sample spike and a broken reading leave the curve where it was.
  PullOffDetector d = detector(400, 3);
  const std::vector<double> noisy = {0.0, 0.0, 0.0, 0.0, 3.0, 0.0, NAN, 1e9, 0.0};
  d.feed(noisy.data(), static_cast<int>(noisy.size()));
  for (int i = 0; i < d.pointCount(); ++i)
    EXPECT_EQ(d.curve()[i], 0.0) << i;
}

TEST(PullOffDetector, AFullCurveScrollsAndItsTimeMovesOn) {
  PullOffDetector d = detector(100);
  std::vector<double> ramp;
  for (int i = 0; i < 165; ++i)
    ramp.push_back(i / 1000.0); // too slow to trigger
  // The first sample only fills the history: 164 points, the oldest 64 scrolled out.
  d.feed(ramp.data(), static_cast<int>(ramp.size()));
  ASSERT_EQ(d.pointCount(), 100);
  EXPECT_TRUE(d.takeScrolled());
  EXPECT_FALSE(d.takeScrolled());
  EXPECT_DOUBLE_EQ(d.timeOffset(), 64.0 / 64);
  EXPECT_EQ(d.curve()[0], 65 / 1000.0);
  EXPECT_EQ(d.curve()[99], 164 / 1000.0);
}

} // namespace
} // namespace zv
