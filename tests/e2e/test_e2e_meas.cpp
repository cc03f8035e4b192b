// Series on the simulated testers, end to end: the program binds the simulator as it binds the
// real driver, the virtual clock runs between timer ticks, and the measurement control, the
// processor and the data set do the rest.
#include <gtest/gtest.h>

#include <map>

#include "common/zv_testdir.hpp"
#include "core/zv_calculate.hpp"
#include "core/zv_test_report.hpp"
#include "e2e/zv_sim_pulls.hpp"

namespace zv {
namespace {

struct E2E : ::testing::Test {
  test::SimControl sim{ZV_SIMDAQ_PATH};
  test::TestDir dir;
  test::ScriptedUi ui;
  test::FakeClock clock;
  MemoryRegistry registry;
  Program p{ui, clock, registry, dir.path() / ""};
  test::TimerPanel panel;
  // Break force of every specimen the tester started, by its number.
  std::map<int, double> breakForces;

  // By default one storage pulled at 300 N/s on 2 mm² dollies; the simulator draws the breaks.
  void prepare(const std::vector<test::PullPlan>& plans = {{300.0, 2.0}}, double breakForce = 0) {
    ASSERT_TRUE(test::prepareSimPulls(p, sim, panel, plans, breakForce))
        << sim.error << sim.missing;
  }
  void TearDown() override { p.meas.daq.daqShutdown(); }

  Measurement& meas(int k) { return *p.data.model.measurementAt(0, 0, k); }
  int valid() const {
    int n = 0;
    for (const auto& m : p.data.model.storageAt(0, 0)->measurements)
      n += m.status == 5;
    return n;
  }
  // Ticks (one timer interval of virtual time each) until `count` pulls are valid or
  // `seconds` of virtual time have passed; whether they are.
  bool runUntil(int count, double seconds = 120.0) {
    for (double t = 0; t < seconds && valid() < count; t += p.meas.params.dPollTime) {
      sim.advance(p.meas.params.dPollTime);
      measTimerTick(p);
      int started = 0;
      const double force = sim.breakForce(0, &started);
      breakForces[started] = force;
    }
    return valid() == count;
  }
};

TEST_F(E2E, FivePullsFillFiveSlotsWithTheirBreakForces) {
  prepare();
  ASSERT_EQ(0, startMeasuring(p));
  EXPECT_EQ((std::tuple{true, 0.5}), (std::tuple{panel.on, panel.interval}));
  ASSERT_TRUE(runUntil(5));
  ASSERT_EQ(0, stopMeasuring(p));
  EXPECT_EQ((std::tuple{false, false}), (std::tuple{panel.on, p.isMeasuring()}));

  const StorageCondition& t = *p.data.model.storageAt(0, 0);
  ASSERT_EQ(t.measurements.size(), 6u);
  double sum = 0.0;
  for (int k = 0; k < 5; ++k) {
    const Measurement& m = meas(k);
    SCOPED_TRACE(k);
    EXPECT_EQ(std::tie(m.status, m.inStatistics, m.curveRate, m.deviceName),
              std::tuple(5, 1, 100, "---"));
    ASSERT_TRUE(breakForces.count(k + 1));
    // The held force plus the tester's idle offset, averaged over the tracking time.
    EXPECT_NEAR(m.force, breakForces[k + 1], 0.02);
    EXPECT_TRUE(m.hasPoints());
    EXPECT_GT(m.pointCount, 250); // at least idle, rise, tear-off time and tracking
    sum += m.force / 2.0;
  }
  // The sixth slot was stopped before its trigger; no acquisition is left running.
  EXPECT_EQ((std::tuple{0, 5, true, -1}),
            (std::tuple{meas(5).status, t.statCount, p.data.model.isChanged() > 0u,
                        sim.availableSamples()}));
  EXPECT_NEAR(t.mean, sum / 5, 1e-12);
  EXPECT_GT(t.sa, 0.0);
  EXPECT_TRUE(ui.popups().empty());
}

// Time to failure and loading rate of pulls the simulator made at a known speed on a known
// dolly, through the driver binding, the processor and the curves the program keeps: the rate
// agrees with the simulator's within 1 %, and only pulls beyond the limits are flagged.
TEST_F(E2E, PullTimingWithinOnePercentAndOnlyPullsBeyondTheLimitsFlagged) {
  constexpr double BreakForce = 2.5; // kN
  const struct {
    const char* what;
    test::PullPlan plan; // N/s, mm² (20 or 50 mm dollies)
    unsigned flags;
  } cases[] = {
      {"within both limits", {100.0, 1963.5}, 0},                   // 0.05 MPa/s, 25 s
      {"faster than 1 MPa/s", {500.0, 314.16}, pull_flag::TooFast}, // 1.6 MPa/s, 5 s
      {"longer than 90 s", {20.0, 1963.5}, pull_flag::TooLong},     // 0.01 MPa/s, 125 s
  };
  std::vector<test::PullPlan> plans;
  for (const auto& c : cases)
    plans.push_back(c.plan);
  prepare(plans, BreakForce);
  const TestLimits limits; // 1.0 MPa/s, 90 s
  for (int i = 0; i < 3; ++i) {
    const auto& c = cases[i];
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(test::pullSeries(p, sim, i, 2, 400.0));
    double simSpeed = 0.0;
    sim.specimen(0, nullptr, nullptr, &simSpeed, nullptr);
    EXPECT_EQ(simSpeed, c.plan.speed);
    const double simRate = simSpeed / c.plan.area; // N/s per mm²: MPa/s
    const double time = BreakForce * 1000.0 / c.plan.speed;
    for (int k = 0; k < 2; ++k) {
      const PullTiming t = measurementTiming(*p.data.model.measurementAt(0, i, k));
      ASSERT_TRUE(t.loadingRate && t.timeToFailure);
      EXPECT_NEAR(*t.loadingRate, simRate, simRate * 0.01);
      EXPECT_NEAR(*t.timeToFailure, time, 0.02 * time);
      EXPECT_EQ(pullFlags(t, limits), c.flags);
    }
  }
}

} // namespace
} // namespace zv
