// Series on the simulated testers, end to end: the program binds the simulator as it binds the
// real driver, the virtual clock runs between timer ticks, and the measurement control, the
// processor and the data set do the rest.
#include <gtest/gtest.h>

#include <map>

#include "common/zv_testdir.hpp"
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
  // One storage pulled at 300 N/s on 2 mm² dollies; the simulator draws the breaks.
  ASSERT_TRUE(test::prepareSimPulls(p, sim, panel, {{300.0, 2.0}}, 0)) << sim.error << sim.missing;
  ASSERT_EQ(0, startMeasuring(p));
  EXPECT_EQ((std::tuple{true, 0.5}), (std::tuple{panel.on, panel.interval}));
  ASSERT_TRUE(runUntil(5));
  ASSERT_EQ(0, stopMeasuring(p));
  EXPECT_EQ((std::tuple{false, false}), (std::tuple{panel.on, p.isMeasuring()}));

  const StorageCondition& t = *p.data.model.storageAt(0, 0);
  ASSERT_EQ(t.measurements.size(), 6u);
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
  }
  // The sixth slot was stopped before its trigger; no acquisition is left running.
  EXPECT_EQ((std::tuple{0, 5, true, -1}),
            (std::tuple{meas(5).status, t.statCount, p.data.model.isChanged() > 0u,
                        sim.availableSamples()}));
  EXPECT_TRUE(ui.popups().empty());
}

} // namespace
} // namespace zv
