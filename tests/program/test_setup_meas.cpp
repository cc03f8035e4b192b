// What OK in the two measurement setup dialogs changes, and what it must leave alone.
#include <gtest/gtest.h>

#include "common/zv_fake_ui.hpp"
#include "common/zv_meas_fakes.hpp"
#include "common/zv_testdir.hpp"
#include "program/zv_setup_meas.hpp"

namespace zv {
namespace {

struct SetupFixture : ::testing::Test {
  test::TestDir dir;
  test::ScriptedUi ui;
  test::FakeClock clock;
  MemoryRegistry registry;
  test::RecordingRefresh refreshes;
  Program p{ui, clock, registry, dir.path() / ""};
  test::ScriptedAcquisition acq;
  test::FakeTesters testers;

  SetupFixture() {
    p.refreshSink = &refreshes;
    p.startUp({"zarvik"});
    p.meas.processor.setAcquisition(acq);
    p.meas.processor.setTesters(testers);
  }
  // The dialog's fields with every value changed.
  MeasSetupValues edited() {
    MeasSetupValues v = measSetupValues(p.meas.params);
    v.channel = 1;
    v.sampleRate = 500;
    v.average = 20;
    v.gphPoints = 2000;
    v.nSpikeNum = 5;
    v.dTrigDiffTime = 1.5;
    v.dSpikeLim = 7.0;
    v.dPostTrigTime = 0.7;
    v.startProzent = 80.0;
    v.startTime = 0.3;
    v.stopProzent = -5.0;
    v.stopTime = 2.0;
    v.forcLimitEnable = true;
    v.forcLimitRelVal = 12.5;
    return v;
  }
};

TEST(SetupEditable, DependsOnSetupModeAndMeasuring) {
  auto plain = measSetupEditable(false, false);
  EXPECT_TRUE(plain.channel);
  EXPECT_FALSE(plain.acquisition);
  EXPECT_FALSE(plain.spikeLimit);
  EXPECT_FALSE(plain.tracking);
  EXPECT_TRUE(plain.detection);
  auto setup = measSetupEditable(true, false);
  EXPECT_TRUE(setup.acquisition && setup.spikeLimit && setup.tracking && setup.channel);
  auto setupMeasuring = measSetupEditable(true, true);
  EXPECT_FALSE(setupMeasuring.channel);
  EXPECT_FALSE(setupMeasuring.acquisition);
  EXPECT_TRUE(setupMeasuring.spikeLimit && setupMeasuring.tracking);
  EXPECT_FALSE(measSetupEditable(false, true).channel);
}

TEST_F(SetupFixture, OutsideSetupModeOnlyTheDetectionRulesChange) {
  const MeasParams before = p.meas.params;
  applyMeasSetup(p, edited());
  const MeasParams& mp = p.meas.params;
  EXPECT_EQ(mp.hardChn, 1);
  EXPECT_EQ(mp.sampleRate, before.sampleRate);
  EXPECT_EQ(mp.average, before.average);
  EXPECT_EQ(mp.gphPoints, before.gphPoints);
  EXPECT_EQ(mp.nSpikeNum, before.nSpikeNum);
  EXPECT_EQ(mp.dTrigDiffTime, before.dTrigDiffTime);
  EXPECT_EQ(mp.dSpikeLim, before.dSpikeLim);
  EXPECT_EQ(mp.dPostTrigTime, before.dPostTrigTime);
  EXPECT_EQ(mp.startProzent, 80.0);
  EXPECT_EQ(mp.startTime, 0.3);
  EXPECT_EQ(mp.stopProzent, -5.0);
  EXPECT_EQ(mp.stopTime, 2.0);
  EXPECT_EQ(mp.forcLimitEnable, 1);
  EXPECT_EQ(mp.forcLimitRelVal, 12.5);
}

TEST_F(SetupFixture, SetupModeChangesEverythingWithinItsLimits) {
  p.programMode = 1;
  MeasSetupValues v = edited();
  v.sampleRate = 5000; // above the limit of 1000
  v.startProzent = -3; // below 0
  applyMeasSetup(p, v);
  const MeasParams& mp = p.meas.params;
  EXPECT_EQ(mp.sampleRate, 1000);
  EXPECT_EQ(mp.startProzent, 0.0);
  EXPECT_EQ(mp.average, 20);
  EXPECT_EQ(mp.gphPoints, 2000);
  EXPECT_EQ(mp.blockCountLimit.hi, 2000);
  EXPECT_EQ(mp.dTrigDiffTime, 1.5);
  EXPECT_EQ(mp.dSpikeLim, 7.0);
  EXPECT_EQ(mp.dPostTrigTime, 0.7);
}

TEST_F(SetupFixture, WhileMeasuringChannelAndAcquisitionStayAndThresholdsFollow) {
  p.programMode = 1;
  for (auto& list : testers.pistons)
    test::calibrate(*list.piston(0));
  p.data.model.createDataSet();
  p.data.model.addSamples(1);
  p.data.model.addStorages(1);
  p.data.model.renumber();
  p.meas.processor.setRunning({0, 0, 0});
  ASSERT_EQ(0, p.meas.processor.measStart());
  ASSERT_TRUE(p.isMeasuring());
  const double speed = p.data.model.measurementAt(0, 0, 0)->speed;
  applyMeasSetup(p, edited());
  EXPECT_EQ(p.meas.params.hardChn, 0);
  EXPECT_EQ(p.meas.params.sampleRate, 100);
  EXPECT_EQ(p.meas.params.dSpikeLim, 7.0);
  EXPECT_DOUBLE_EQ(p.meas.processor.startThreshold(), 80.0 * speed / 100 / 1000);
  EXPECT_DOUBLE_EQ(p.meas.processor.stopThreshold(), -5.0 * speed / 100 / 1000);
}

TEST_F(SetupFixture, BondTensionFactorsAreStoredAndTheTablesRedraw) {
  applyUnitsSetup(p, {0.5, 1000.0, "[N/mm2] and a long tail"});
  EXPECT_EQ(p.meas.params.offset_press, 0.5);
  EXPECT_EQ(p.meas.params.gain_press, 1000.0);
  EXPECT_EQ(p.meas.params.unit_press, "[N/mm2] and a long "); // 19 bytes
  EXPECT_EQ(p.data.model.bondTensionFactors().gain, 1000.0);
  auto has = [&](WindowId w) {
    for (auto [win, bits] : refreshes.requests)
      if (win == w && (bits & refresh::Values))
        return true;
    return false;
  };
  EXPECT_TRUE(has(WindowId::Storage));
  EXPECT_TRUE(has(WindowId::Order));
  applyUnitsSetup(p, {std::nan(""), 2.0, "x"});
  EXPECT_EQ(p.meas.params.offset_press, 0.5);
  EXPECT_EQ(p.meas.params.gain_press, 2.0);
}

} // namespace
} // namespace zv
