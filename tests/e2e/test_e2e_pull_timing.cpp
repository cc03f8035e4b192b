// Time to failure and loading rate of pulls the simulator made at a known speed on a known
// dolly, through the driver binding, the processor and the curves the program keeps: the rate
// agrees with the simulator's within 1 %, and only pulls beyond the limits are flagged.
#include <gtest/gtest.h>

#include "common/zv_testdir.hpp"
#include "core/zv_test_report.hpp"
#include "e2e/zv_sim_pulls.hpp"

namespace zv {
namespace {

constexpr double BreakForce = 2.5; // kN
constexpr double Dolly20 = 314.16; // mm², 20 mm
constexpr double Dolly50 = 1963.5; // mm², 50 mm

struct Case {
  const char* what;
  test::PullPlan plan;
  unsigned flags;
};

TEST(PullTimingOnTheSimulator, RateWithinOnePercentAndOnlyPullsBeyondTheLimitsFlagged) {
  test::SimControl sim{ZV_SIMDAQ_PATH};
  test::TestDir dir;
  test::ScriptedUi ui;
  test::FakeClock clock;
  MemoryRegistry registry;
  Program p{ui, clock, registry, dir.path() / ""};
  test::TimerPanel panel;
  const Case cases[] = {
      {"within both limits", {100.0, Dolly50}, 0},                   // 0.05 MPa/s, 25 s
      {"faster than 1 MPa/s", {500.0, Dolly20}, pull_flag::TooFast}, // 1.6 MPa/s, 5 s
      {"longer than 90 s", {20.0, Dolly50}, pull_flag::TooLong},     // 0.01 MPa/s, 125 s
  };
  std::vector<test::PullPlan> plans;
  for (const Case& c : cases)
    plans.push_back(c.plan);
  ASSERT_TRUE(sim.ok()) << sim.missing;
  ASSERT_TRUE(test::prepareSimPulls(p, sim, panel, plans, BreakForce));
  const TestLimits limits; // 1.0 MPa/s, 90 s
  for (int i = 0; i < 3; ++i) {
    const Case& c = cases[i];
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(test::pullSeries(p, sim, i, 2, 400.0));
    double simSpeed = 0.0;
    sim.specimen(0, nullptr, nullptr, &simSpeed, nullptr);
    EXPECT_EQ(simSpeed, c.plan.speed);
    const double simRate = simSpeed / c.plan.area; // N/s per mm²: MPa/s
    for (int k = 0; k < 2; ++k) {
      const Measurement& m = *p.data.model.measurementAt(0, i, k);
      const PullTiming t = measurementTiming(m);
      ASSERT_TRUE(t.loadingRate && t.timeToFailure);
      EXPECT_NEAR(*t.loadingRate, simRate, simRate * 0.01);
      EXPECT_NEAR(*t.timeToFailure, BreakForce * 1000.0 / c.plan.speed,
                  0.02 * BreakForce * 1000.0 / c.plan.speed);
      EXPECT_EQ(pullFlags(t, limits), c.flags);
    }
  }
  p.meas.daq.daqShutdown();
}

} // namespace
} // namespace zv
