// The DAQ layers' own rules, without any driver library.
#include <limits>

#include <gmock/gmock.h>

#include "common/zv_fake_ui.hpp"
#include "common/zv_reporting.hpp"
#include "common/zv_testdir.hpp"
#include "daq/zv_daq.hpp"

namespace zv {
namespace {

using ::testing::HasSubstr;

TEST(DaqGain, FullScaleVoltageChoosesTheGainCode) {
  const std::pair<double, int> cases[] = {{10.0, 1},   {5.11, 1},  {5.1, 2},   {2.11, 2},
                                          {2.1, 5},    {1.11, 5},  {1.1, 10},  {0.52, 10},
                                          {0.51, 20},  {0.22, 20}, {0.21, 50}, {0.12, 50},
                                          {0.11, 100}, {0.0, 100}, {-2.0, 100}};
  for (auto [volts, gain] : cases)
    EXPECT_EQ(gain, gainCodeForVolts(volts)) << volts;
  EXPECT_EQ(1, gainCodeForVolts(std::numeric_limits<double>::quiet_NaN()));
}

TEST(DaqGain, GainCodeChoosesTheInputRange) {
  const std::pair<int, double> cases[] = {{1, 10.0}, {2, 5.0},  {5, 2.0},   {10, 1.0},
                                          {20, 0.5}, {50, 0.2}, {100, 0.1}, {3, 10.0}};
  for (auto [gain, max] : cases) {
    const InputRange r = inputRangeForGain(gain);
    EXPECT_EQ((std::pair{0.0, max}), (std::pair{r.minVolts, r.maxVolts})) << gain;
  }
}

TEST(DaqBinding, SimulateOnTheCommandLine) {
  const char* plain[] = {"/usr/bin/zarvik", "PROGRAM"};
  const char* lower[] = {"/usr/bin/zarvik", "--simulate"};
  const char* inPath[] = {"/opt/simulated/zarvik"};
  // An installation directory that happens to hold the word does not switch the driver.
  EXPECT_EQ((std::vector<bool>{false, true, false, false}),
            (std::vector<bool>{daqmx::commandLineAsksForSimulator(2, plain),
                               daqmx::commandLineAsksForSimulator(2, lower),
                               daqmx::commandLineAsksForSimulator(1, inPath),
                               daqmx::commandLineAsksForSimulator(0, nullptr)}));
}

struct ProgramLayer : ::testing::Test, test::Reporting {
  MeasParams mp;
  Daq daq{mp, reporter, lang};
};

TEST_F(ProgramLayer, DataAcquisitionDialogValues) {
  mp.productType = "USB-6210";
  mp.daqVersionText = "V14. 1";
  mp.serialNumber = static_cast<int>(0xF1A2B3C4u); // above INT_MAX: still the driver's number
  mp.deviceName = "Dev1";
  DaqDialogTexts t = dataAcquisitionDialogTexts(mp, lang);
  EXPECT_EQ((std::array<std::string, 4>{"USB-6210", "V14. 1", "F1A2B3C4", "Dev1"}), t.values);
  t = dataAcquisitionDialogTexts(MeasParams{}, lang);
  EXPECT_EQ((std::array<std::string, 4>{"--", "---", "0", ""}), t.values);
}

TEST_F(ProgramLayer, StartWithoutDetectedDeviceFailsAsStartError) {
  daq.setLibraryCandidates({dir.file("libabsent.so").string()});
  double rate = 0;
  EXPECT_EQ((std::tuple{-1205, 7}),
            (std::tuple{daq.daqStart(0, 10.0, 100, rate), mp.daqErrorState}));
  EXPECT_THAT(errorLogText(), HasSubstr("\t-1205\t-1008\tDAQ\tno acquisition device known"));
}

TEST_F(ProgramLayer, RemoteCommandsAreRefusedWhileAnErrorIsPending) {
  mp.remoteEnable = 1;
  mp.daqErrorState = 6;
  EXPECT_EQ(-99, daq.daqRemote(1, 10));
  EXPECT_TRUE(daq.remoteOutputs().empty());
}

} // namespace
} // namespace zv
