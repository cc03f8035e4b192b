// The simulated tester's force output, read through the program's acquisition like a
// measurement does it: one read per timer tick on the virtual clock.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <numeric>
#include <thread>

#include <gmock/gmock.h>

#include "sim_fixture.hpp"

namespace zv::test {
namespace {

class Signal : public SimDaqTest {
protected:
  void SetUp() override {
    SimDaqTest::SetUp();
    ASSERT_EQ(0, daq.daqInit());
  }

  // Runs one acquisition on a channel for the given time, reading every half second.
  std::vector<double> record(int channel, int rate, double seconds) {
    double actual = 0;
    EXPECT_EQ(0, daq.daqStart(channel, 10.0, rate, actual));
    std::vector<double> v;
    for (double t = 0; t < seconds - 1e-9; t += 0.5) {
      sim.advance(0.5);
      const int n = daq.daqRead();
      EXPECT_GE(n, 0);
      v.insert(v.end(), daq.samples().begin(), daq.samples().end());
    }
    EXPECT_EQ(0, daq.daqStop());
    return v;
  }

  static double mean(const std::vector<double>& v, std::size_t from, std::size_t to) {
    return std::accumulate(v.begin() + from, v.begin() + to, 0.0) / static_cast<double>(to - from);
  }
};

// Least-squares slope of v over sample indices [from, to), in units per sample.
double slope(const std::vector<double>& v, std::size_t from, std::size_t to) {
  const double n = static_cast<double>(to - from);
  double sx = 0, sy = 0, sxx = 0, sxy = 0;
  for (std::size_t i = from; i < to; ++i) {
    const double x = static_cast<double>(i);
    sx += x;
    sy += v[i];
    sxx += x * x;
    sxy += x * v[i];
  }
  return (n * sxy - sx * sy) / (n * sxx - sx * sx);
}

TEST_F(Signal, RisesAtThePullSpeedThenHoldsTheBreakForce) {
  sim.setSpikeRate(0.0);
  sim.setBreakForce(0, 3.2);
  ASSERT_EQ(0, daq.announcePullSpeed(0, 150.0));
  const std::vector<double> v = record(0, 100, 60.0);
  ASSERT_EQ(6000u, v.size());

  // Idle before the tester starts pulling: small and quiet.
  double delay = 0;
  sim.specimen(0, nullptr, &delay, nullptr, nullptr);
  const auto idleEnd = static_cast<std::size_t>(delay * 100) - 5;
  const double idle = mean(v, 0, idleEnd);
  EXPECT_TRUE(delay > 0.3 && delay < 3.0 && idle >= 0.0 && idle < 0.02) << delay << " " << idle;
  for (std::size_t i = 0; i < idleEnd; ++i)
    EXPECT_NEAR(idle, v[i], 0.005) << i;

  // Rising at 150 N/s = 0.15 V/s, found on the samples between 0.5 and 2.5 V.
  const auto first = static_cast<std::size_t>(
      std::find_if(v.begin(), v.end(), [](double x) { return x > 0.5; }) - v.begin());
  const auto last = static_cast<std::size_t>(
      std::find_if(v.begin(), v.end(), [](double x) { return x > 2.5; }) - v.begin());
  ASSERT_LT(first, last);
  EXPECT_NEAR(0.15, slope(v, first, last) * 100.0, 0.0015);

  // The peak is the break force above the idle level, and it is held to the end.
  const auto peakAt = static_cast<std::size_t>(std::max_element(v.begin(), v.end()) - v.begin());
  const double top = v[peakAt];
  EXPECT_NEAR(3.2 + idle, top, 0.005);
  const auto reached = static_cast<std::size_t>(
      std::find_if(v.begin(), v.end(), [&](double x) { return x > 3.2 + idle - 0.003; }) -
      v.begin());
  const double expectedReach = (delay + 3.2 / 0.15) * 100.0;
  EXPECT_NEAR(expectedReach, static_cast<double>(reached), 4.0);
  ASSERT_GT(v.size() - reached, 3000u); // held for the 30 s the detector may need
  for (std::size_t i = reached; i < v.size(); ++i)
    ASSERT_NEAR(3.2 + idle, v[i], 0.004) << "sample " << i;
  EXPECT_NEAR(0.0, slope(v, reached, v.size()) * 100.0, 1e-4);
}

TEST_F(Signal, RandomBreakForcesFollowTheSeed) {
  auto heldForces = [&](std::uint32_t seed) {
    sim.reset();
    sim.useVirtualClock(1);
    sim.setSpikeRate(0.0);
    daq.announcePullSpeed(0, 1000.0);
    sim.setSeed(0, seed);
    std::vector<double> forces;
    for (int specimen = 0; specimen < 4; ++specimen) {
      const std::vector<double> v = record(0, 100, 12.0);
      double drawn = 0;
      sim.specimen(0, &drawn, nullptr, nullptr, nullptr);
      EXPECT_GE(drawn, 0.4);
      EXPECT_LE(drawn, 9.0);
      EXPECT_NEAR(drawn, v.back(), 0.02); // the samples show what was drawn
      forces.push_back(drawn);
    }
    return forces;
  };
  const auto first = heldForces(11);
  EXPECT_EQ(first, heldForces(11));
  const auto other = heldForces(12);
  EXPECT_NE(first, other);
  // Specimens differ from one another.
  EXPECT_NE(first[0], first[1]);
}

TEST_F(Signal, AHeldForceFollowsTheTestersOutputLineFromWhenItIsPut) {
  sim.setSpikeRate(0.0);
  ASSERT_EQ(0, sim.setOutputLine(0, 0.8, 0.1));
  EXPECT_NE(0, sim.setOutputLine(0, 0.0, 0.1)); // a flat output is refused
  daq.announcePullSpeed(0, 1.0);                // the specimen barely rises meanwhile
  double rate = 0;
  ASSERT_EQ(0, daq.daqStart(0, 10.0, 100, rate));
  sim.advance(0.5);
  ASSERT_EQ(50, daq.daqRead());
  const double idle = daq.samples()[0];
  EXPECT_NEAR(0.105, idle, 0.005);     // the offset with no force on it
  ASSERT_EQ(0, sim.holdForce(0, 5.0)); // on a running acquisition, from now on
  sim.advance(0.5);
  ASSERT_EQ(50, daq.daqRead());
  for (double v : daq.samples())
    ASSERT_NEAR(idle + 4.0, v, 0.004);
  ASSERT_EQ(0, sim.holdForce(0, -1.0)); // taken off: the specimen's curve again
  sim.advance(0.1);
  ASSERT_EQ(10, daq.daqRead());
  EXPECT_NEAR(idle, daq.samples()[9], 0.004);
  EXPECT_EQ(0, daq.daqStop());
}

TEST_F(Signal, SpikesAreSingleSamples) {
  sim.setSpikeRate(0.01);
  sim.setBreakForce(0, 0.5);
  daq.announcePullSpeed(0, 1000.0);
  const std::vector<double> v = record(0, 1000, 10.0);
  ASSERT_EQ(10000u, v.size());
  double delay = 0;
  sim.specimen(0, nullptr, &delay, nullptr, nullptr);
  // The held part is flat, so every spike stands out against its level.
  const auto from = static_cast<std::size_t>((delay + 0.5) * 1000) + 5;
  std::vector<double> held(v.begin() + static_cast<std::ptrdiff_t>(from), v.end());
  std::nth_element(held.begin(), held.begin() + held.size() / 2, held.end());
  const double level = held[held.size() / 2];
  EXPECT_NEAR(0.5, level, 0.01);
  auto isSpike = [&](std::size_t i) { return std::fabs(v[i] - level) > 0.3; };
  int spikes = 0;
  for (std::size_t i = from; i + 1 < v.size(); ++i) {
    if (!isSpike(i))
      continue;
    ++spikes;
    for (std::size_t n : {i - 1, i + 1}) {
      if (!isSpike(n)) {
        EXPECT_NEAR(level, v[n], 0.005) << "spike wider than one sample at " << i;
      }
    }
  }
  const double expected = 0.01 * static_cast<double>(v.size() - from);
  EXPECT_GT(spikes, expected * 0.6);
  EXPECT_LT(spikes, expected * 1.4);
}

} // namespace
} // namespace zv::test
