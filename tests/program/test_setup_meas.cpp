// What OK in the two measurement setup dialogs changes, and what it must leave alone.
#include <gtest/gtest.h>

#include "common/zv_program_rig.hpp"
#include "program/zv_setup_meas.hpp"

namespace zv {
namespace {

struct SetupFixture : ::testing::Test, test::ProgramRig {
  Program& p = *program;
  SetupFixture() { scriptMeasuring(); }
  // The dialog's fields with every value changed.
  MeasSetupValues edited() {
    MeasSetupValues v = measSetupValues(p.meas.params);
    std::tie(v.channel, v.sampleRate, v.average, v.gphPoints, v.nSpikeNum, v.dTrigDiffTime,
             v.dSpikeLim) = std::tuple(1, 500, 20, 2000, 5, 1.5, 7.0);
    std::tie(v.dPostTrigTime, v.startProzent, v.startTime, v.stopProzent, v.stopTime,
             v.forcLimitEnable, v.forcLimitRelVal) =
        std::tuple(0.7, 80.0, 0.3, -5.0, 2.0, true, 12.5);
    return v;
  }
};

// Which field groups may change: channel, acquisition, spike limit, tracking, detection.
TEST(SetupEditable, DependsOnSetupModeAndMeasuring) {
  const auto groups = [](bool setupMode, bool measuring) {
    const auto e = measSetupEditable(setupMode, measuring);
    return std::string{e.channel ? 'c' : '-', e.acquisition ? 'a' : '-', e.spikeLimit ? 's' : '-',
                       e.tracking ? 't' : '-', e.detection ? 'd' : '-'};
  };
  EXPECT_EQ((std::vector<std::string>{groups(false, false), groups(true, false), groups(true, true),
                                      groups(false, true)}),
            (std::vector<std::string>{"c---d", "castd", "--std", "----d"}));
}

// The parameters OK can change, as one comparable row.
auto row(const MeasParams& m) {
  return std::tuple(m.hardChn, m.sampleRate, m.average, m.gphPoints, m.nSpikeNum, m.dTrigDiffTime,
                    m.dSpikeLim, m.dPostTrigTime, m.startProzent, m.startTime, m.stopProzent,
                    m.stopTime, m.forcLimitEnable, m.forcLimitRelVal);
}

// Outside setup mode only the detection rules change; in it everything, within its limits.
TEST_F(SetupFixture, OutsideSetupModeOnlyTheDetectionRulesChange) {
  const MeasParams b = p.meas.params;
  applyMeasSetup(p, edited());
  EXPECT_EQ(row(p.meas.params),
            std::tuple(1, b.sampleRate, b.average, b.gphPoints, b.nSpikeNum, b.dTrigDiffTime,
                       b.dSpikeLim, b.dPostTrigTime, 80.0, 0.3, -5.0, 2.0, 1, 12.5));
  p.programMode = 1;
  MeasSetupValues v = edited();
  v.sampleRate = 5000; // above the limit of 1000
  v.startProzent = -3; // below 0
  applyMeasSetup(p, v);
  EXPECT_EQ(row(p.meas.params),
            std::tuple(1, 1000, 20, 2000, 5, 1.5, 7.0, 0.7, 0.0, 0.3, -5.0, 2.0, 1, 12.5));
  EXPECT_EQ(p.meas.params.blockCountLimit.hi, 2000);
}

TEST_F(SetupFixture, WhileMeasuringChannelAndAcquisitionStayAndThresholdsFollow) {
  p.programMode = 1;
  dataSet(1, 1);
  p.meas.processor.setRunning({0, 0, 0});
  ASSERT_EQ(0, p.meas.processor.measStart());
  ASSERT_TRUE(p.isMeasuring());
  const double speed = p.data.model.measurementAt(0, 0, 0)->speed;
  applyMeasSetup(p, edited());
  EXPECT_EQ(std::tuple(p.meas.params.hardChn, p.meas.params.sampleRate, p.meas.params.dSpikeLim),
            std::tuple(0, 100, 7.0));
  EXPECT_DOUBLE_EQ(p.meas.processor.startThreshold(), 80.0 * speed / 100 / 1000);
  EXPECT_DOUBLE_EQ(p.meas.processor.stopThreshold(), -5.0 * speed / 100 / 1000);
}

TEST_F(SetupFixture, BondTensionFactorsAreStoredAndTheTablesRedraw) {
  applyUnitsSetup(p, {0.5, 1000.0, "[N/mm2] and a long tail"});
  EXPECT_EQ(
      std::tie(p.meas.params.offset_press, p.meas.params.gain_press, p.meas.params.unit_press),
      std::tuple(0.5, 1000.0, "[N/mm2] and a long ")); // 19 bytes
  EXPECT_EQ(p.data.model.bondTensionFactors().gain, 1000.0);
  EXPECT_TRUE(refreshedBit(WindowId::Storage, refresh::Values) &&
              refreshedBit(WindowId::Order, refresh::Values));
  applyUnitsSetup(p, {std::nan(""), 2.0, "x"});
  EXPECT_EQ(std::tuple(p.meas.params.offset_press, p.meas.params.gain_press), std::tuple(0.5, 2.0));
}

} // namespace
} // namespace zv
