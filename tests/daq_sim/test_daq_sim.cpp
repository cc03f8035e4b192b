// Start-up detection, connection test and channel-select outputs, through the real driver
// binding against the simulated acquisition box.
#include <functional>

#include <gmock/gmock.h>

#include "sim_fixture.hpp"

namespace zv::test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

using DaqInit = SimDaqTest;

TEST_F(DaqInit, DetectsTheSimulatedBoxTestsItAndSelectsTheChannel) {
  mp.remoteEnable = 1;
  mp.seriesFlag = 1;
  mp.dSampleRateActual = 123.0;
  EXPECT_EQ((std::tuple{0, 0, "Check DAQ Connection...OK\n", false}),
            (std::tuple{daq.daqInit(), mp.daqErrorState, log.text, ui.waitCursor}));
  EXPECT_EQ((std::tuple{"USB-6210", "Dev1", 0x01A2B3C4, (20 << 16) | 1, "V14. 1"}),
            (std::tuple{mp.productType, mp.deviceName, mp.serialNumber, mp.daqVersion,
                        mp.daqVersionText}));
  EXPECT_EQ((std::tuple{0, 0, 1.0}),
            (std::tuple{mp.remoteEnable, mp.seriesFlag, mp.dSampleRateActual}));
  // Connection test high then low, then channel 0: A high, B low.
  EXPECT_THAT(sim.writes(), ElementsAre("Dev1/port1/line0=1", "Dev1/port1/line0=0",
                                        "Dev1/port1/line2=1", "Dev1/port1/line1=0"));
  EXPECT_EQ((std::tuple{0, ""}), (std::tuple{sim.openTasks(), errorLogText()}));
}

TEST_F(DaqInit, SecondTesterIsSelectedWhenConfigured) {
  mp.hardChn = 1;
  EXPECT_EQ(0, daq.daqInit());
  EXPECT_THAT(sim.writes(), ElementsAre("Dev1/port1/line0=1", "Dev1/port1/line0=0",
                                        "Dev1/port1/line2=0", "Dev1/port1/line1=1"));
}

TEST_F(DaqInit, OfflineTouchesNeitherDriverNorLog) {
  mp.daqEnabled = 0;
  mp.daqErrorState = 1;
  int resets = 0;
  daq.setRunStateReset([&] { ++resets; });
  EXPECT_EQ((std::tuple{1, 1, "", false}),
            (std::tuple{daq.daqInit(), resets, log.text, daq.driver().library().loaded()}));
  EXPECT_THAT(sim.writes(), IsEmpty());
  EXPECT_EQ((std::tuple{"Error unknown", -99}),
            (std::tuple{std::string(daq.daqStateText(mp.daqErrorState)), daq.daqRemote(1, 0)}));
}

// Each way the start-up check can fail: its state, the error record behind it (the driver's
// code where there is one), the lines written and no task left open.
TEST_F(DaqInit, FailuresGiveTheirStateAndRecord) {
  struct Case {
    const char* what;
    std::function<void()> arrange;
    int state;
    int code; // the error record's code; 0: none of -1132
    std::vector<std::string> record;
    std::vector<std::string> writes;
    const char* product;
  };
  // clang-format off
  const std::vector<Case> cases = {
      {"missing library", [this] { daq.setLibraryCandidates({dir.file("libnot-a-driver.so").string()}); },
       2, -1120, {"\t-1120\t-1\tDAQ\t", "libnot-a-driver.so"}, {}, "??"},
      {"library lacks a function", [this] { daq.setLibraryCandidates({ZV_SIMDAQ_LACKING_PATH}); },
       2, -1120, {"DAQmxReadDigitalU8"}, {}, nullptr},
      {"version query", [this] { sim.setFaults(ZVSIM_FAULT_VERSION); },
       2, -1120, {"\t-1120\t-201003\tDAQ\t"}, {}, nullptr},
      {"no device", [this] { sim.setFaults(ZVSIM_FAULT_NODEVICE); }, 6, -1121, {}, {}, nullptr},
      // no driver error behind these two
      {"only unsupported devices",
       [this] { sim.clearDevices(); sim.addDevice("Dev1", "PCI-6221", 7); sim.addDevice("Dev2", "PCI-6229", 8); },
       6, -1132, {"\t-1132\t0\tDAQ\t"}, {}, "PCI-6221"},
      {"connection test", [this] { sim.setFaults(ZVSIM_FAULT_CONTEST); },
       6, 0, {}, {"Dev1/port1/line0=1", "Dev1/port1/line0=0"}, nullptr},
      {"channel select", [this] { sim.setFaults(ZVSIM_FAULT_SELECT); },
       11, -1137, {"simulated digital output failure"}, {}, nullptr},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    sim.reset();
    sim.setFaults(0);
    sim.useVirtualClock(1);
    daq.setLibraryCandidates({ZV_SIMDAQ_PATH});
    sim.clearWrites();
    mp.daqErrorState = 0; // a pending error skips the detection
    const std::size_t before = errorRecords(c.code ? c.code : -1132).size();
    c.arrange();
    EXPECT_EQ((std::tuple{c.state, c.state, false, 0}),
              (std::tuple{daq.daqInit(), mp.daqErrorState, ui.waitCursor, sim.openTasks()}));
    if (c.state != 11) {
      EXPECT_EQ(c.writes, sim.writes());
    }
    if (c.product) {
      EXPECT_EQ(c.product, mp.productType);
    }
    if (c.code == -1132 || c.code == -1121) {
      EXPECT_EQ(c.code == -1132 ? "Dev1" : "??", mp.deviceName);
    }
    if (c.record.size() == 1 && c.record[0].find("-201003") != std::string::npos) {
      EXPECT_EQ("---", mp.daqVersionText); // the version query failed
    }
    if (c.code == 0) {
      EXPECT_EQ(before, errorRecords(-1132).size()); // the driver worked; the loop did not follow
      continue;
    }
    const auto records = errorRecords(c.code);
    ASSERT_EQ(before + 1, records.size());
    for (const std::string& part : c.record)
      EXPECT_THAT(records.back(), HasSubstr(part));
    if (c.code == -1132) { // an unknown product gets no channel select
      sim.clearWrites();
      EXPECT_EQ(0, daq.daqSelectChannel(selectmode::Channel0));
      EXPECT_THAT(sim.writes(), IsEmpty());
    }
  }
  EXPECT_THAT(errorLogText(), HasSubstr("Init Hardware\tDAQ driver NIDAQ not installed"));
}

// The first library that binds and the first supported device are taken; a device name too
// long for its field is cut there but still driven by its whole name.
TEST_F(DaqInit, TakesTheFirstUsableLibraryAndDevice) {
  daq.setLibraryCandidates({ZV_SIMDAQ_LACKING_PATH, ZV_SIMDAQ_PATH});
  EXPECT_EQ(0, daq.daqInit());
  EXPECT_EQ(ZV_SIMDAQ_PATH, daq.driver().library().path());
  sim.reset(); // no select line driven yet
  sim.useVirtualClock(1);
  sim.clearDevices();
  sim.addDevice("Dev1", "PCI-6221", 7);
  sim.addDevice("Dev2", "USB-6210", 0xBEEF);
  EXPECT_EQ(0, daq.daqInit());
  EXPECT_EQ((std::tuple{"Dev2", "USB-6210", 0xBEEF, 1, -1}),
            (std::tuple{mp.deviceName, mp.productType, mp.serialNumber,
                        sim.lineLevel("Dev2/port1/line2"), sim.lineLevel("Dev1/port1/line2")}));
  sim.clearDevices();
  sim.addDevice("PullOffTesterInterfaceBox", "USB-6210", 1);
  EXPECT_EQ(0, daq.daqInit());
  EXPECT_EQ((std::tuple{"PullOffTesterInterf", 1}),
            (std::tuple{mp.deviceName, sim.lineLevel("PullOffTesterInterfaceBox/port1/line2")}));
}

TEST_F(DaqInit, ChannelSelectLineStatesOfBothProducts) {
  struct Case {
    int mode, a, b;
  };
  for (const char* product : {"USB-6210", "DAQPad-6015"}) {
    SCOPED_TRACE(product);
    const bool pad = product[0] == 'D';
    sim.clearDevices();
    sim.addDevice("Dev1", product, 1);
    ASSERT_EQ(0, daq.daqInit());
    const std::string a = pad ? "Dev1/port0/line0=" : "Dev1/port1/line2=";
    const std::string b = pad ? "Dev1/port0/line1=" : "Dev1/port1/line1=";
    for (Case c : {Case{1, 1, 0}, Case{2, 0, 1}, Case{3, 1, 1}, Case{0, 0, 0}, Case{9, 0, 0}}) {
      sim.clearWrites();
      EXPECT_EQ(0, daq.daqSelectChannel(c.mode));
      EXPECT_THAT(sim.writes(), ElementsAre(a + std::to_string(c.a), b + std::to_string(c.b)))
          << "mode " << c.mode;
    }
    EXPECT_EQ(0, sim.openTasks());
  }
}

TEST_F(DaqInit, SetChannelFollowsTheDialogChoice) {
  ASSERT_EQ(0, daq.daqInit());
  sim.clearWrites();
  EXPECT_EQ((std::tuple{0, 1}), (std::tuple{daq.daqSetChannel(5), mp.hardChn}));
  EXPECT_THAT(sim.writes(), ElementsAre("Dev1/port1/line2=0", "Dev1/port1/line1=1"));

  sim.setFaults(ZVSIM_FAULT_SELECT);
  EXPECT_EQ((std::tuple{11, 0, 11}),
            (std::tuple{daq.daqSetChannel(0), mp.hardChn, mp.daqErrorState}));

  // With an error pending the choice is kept but nothing is written.
  sim.setFaults(0);
  sim.clearWrites();
  EXPECT_EQ((std::tuple{0, 1}), (std::tuple{daq.daqSetChannel(1), mp.hardChn}));
  EXPECT_THAT(sim.writes(), IsEmpty());
}

TEST_F(DaqInit, ShutdownRaisesBothSelectLinesAndClearsTheTaskUnlessAnErrorIsPending) {
  ASSERT_EQ(0, daq.daqInit());
  double rate = 0;
  ASSERT_EQ(0, daq.daqStart(0, 10.0, 100, rate));
  int resets = 0;
  daq.setRunStateReset([&] { ++resets; });
  sim.clearWrites();
  mp.deviceNumber = 4;
  daq.daqShutdown();
  EXPECT_THAT(sim.writes(), ElementsAre("Dev1/port1/line2=1", "Dev1/port1/line1=1"));
  EXPECT_EQ((std::tuple{1, std::vector<int>{0}, 0, 1}),
            (std::tuple{resets, daq.remoteOutputs(), sim.openTasks(), mp.deviceNumber}));
  // With an error pending nothing is written.
  sim.setFaults(ZVSIM_FAULT_CONTEST);
  ASSERT_EQ(6, daq.daqInit());
  sim.clearWrites();
  const std::vector<int> outputs = daq.remoteOutputs();
  daq.daqShutdown();
  EXPECT_EQ((std::tuple{std::vector<std::string>{}, outputs}),
            (std::tuple{sim.writes(), daq.remoteOutputs()}));
}

TEST_F(DaqInit, RemoteCommandsNeedRemoteControl) {
  ASSERT_EQ(0, daq.daqInit());
  EXPECT_EQ(-1, daq.daqRemote(1, 0)); // daqInit always switches remote control off
  mp.remoteEnable = 1;
  mp.hardChn = 1;
  EXPECT_EQ((std::tuple{0, -2}), (std::tuple{daq.daqRemote(3, 0), daq.daqRemote(7, 0)}));
  EXPECT_EQ((std::vector<int>{2, 0}), daq.remoteOutputs());
}

TEST_F(DaqInit, ReinitialisingKeepsNoTaskOpen) {
  ASSERT_EQ(0, daq.daqInit());
  double rate = 0;
  ASSERT_EQ(0, daq.daqStart(1, 5.0, 50, rate));
  EXPECT_EQ(1, sim.openTasks());
  EXPECT_EQ((std::tuple{0, 0}), (std::tuple{daq.daqInit(), sim.openTasks()}));
}

} // namespace
} // namespace zv::test
