// The real driver binding against the simulated acquisition box: start-up detection, the
// connection test and the channel-select outputs, analog acquisition through the program layer
// and the adapter, and piston calibration (the live signal of the tester being calibrated, the
// two points from held forces, the locks, the input range question, Abort and the end of an
// open session putting the device back). The calibration dialog's wiring is
// tests/ui/test_calib_dlg.cpp's.
#include <cmath>
#include <functional>
#include <sstream>

#include <gmock/gmock.h>

#include "common/zv_fake_ui.hpp"
#include "common/zv_reporting.hpp"
#include "common/zv_sim_control.hpp"
#include "common/zv_testdir.hpp"
#include "core/zv_meas_params.hpp"
#include "daq/zv_calibration.hpp"
#include "daq/zv_daq.hpp"

namespace zv::test {
namespace {

using ::testing::AllOf;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

// A fresh program-side DAQ bound to the simulator, which the fixture keeps loaded itself.
class SimDaqTest : public ::testing::Test, public Reporting {
protected:
  SimControl sim{ZV_SIMDAQ_PATH};
  MeasParams mp;
  Daq daq{mp, reporter, lang};

  void SetUp() override {
    ASSERT_NE(nullptr, sim.handle) << sim.error;
    ASSERT_TRUE(sim.ok()) << "simulator lacks " << sim.missing;
    sim.reset();
    sim.setFaults(0);
    sim.useVirtualClock(1);
    daq.setLibraryCandidates({ZV_SIMDAQ_PATH});
  }

  // Records of the error log that carry the code, one string each.
  std::vector<std::string> errorRecords(int code) const {
    std::vector<std::string> out;
    std::istringstream in(errorLogText());
    std::string line;
    const std::string tag = "\t" + std::to_string(code) + "\t";
    while (std::getline(in, line))
      if (line.find(tag) != std::string::npos)
        out.push_back(line);
    return out;
  }
};

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
  };
  // clang-format off
  const std::vector<Case> cases = {
      {"missing library", [this] { daq.setLibraryCandidates({dir.file("libnot-a-driver.so").string()}); },
       2, -1120, {"\t-1120\t-1\tDAQ\t", "libnot-a-driver.so"}, {}},
      {"library lacks a function", [this] { daq.setLibraryCandidates({ZV_SIMDAQ_LACKING_PATH}); },
       2, -1120, {"DAQmxReadDigitalU8"}, {}},
      {"no device", [this] { sim.setFaults(ZVSIM_FAULT_NODEVICE); }, 6, -1121, {}, {}},
      // no driver error behind these two
      {"only unsupported devices",
       [this] { sim.clearDevices(); sim.addDevice("Dev1", "PCI-6221", 7); sim.addDevice("Dev2", "PCI-6229", 8); },
       6, -1132, {"\t-1132\t0\tDAQ\t"}, {}},
      {"connection test", [this] { sim.setFaults(ZVSIM_FAULT_CONTEST); },
       6, 0, {}, {"Dev1/port1/line0=1", "Dev1/port1/line0=0"}},
      {"channel select", [this] { sim.setFaults(ZVSIM_FAULT_SELECT); },
       11, -1137, {"simulated digital output failure"}, {}},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SetUp();
    sim.clearWrites();
    mp.daqErrorState = 0; // a pending error skips the detection
    const std::size_t before = errorRecords(c.code ? c.code : -1132).size();
    c.arrange();
    EXPECT_EQ((std::tuple{c.state, c.state, false, 0}),
              (std::tuple{daq.daqInit(), mp.daqErrorState, ui.waitCursor, sim.openTasks()}));
    if (c.state != 11) {
      EXPECT_EQ(c.writes, sim.writes());
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

// The first library that binds and the first supported device are taken.
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

TEST_F(DaqInit, RemoteCommandsNeedRemoteControl) {
  ASSERT_EQ(0, daq.daqInit());
  EXPECT_EQ(-1, daq.daqRemote(1, 0)); // daqInit always switches remote control off
  mp.remoteEnable = 1;
  mp.hardChn = 1;
  EXPECT_EQ((std::tuple{0, -2}), (std::tuple{daq.daqRemote(3, 0), daq.daqRemote(7, 0)}));
  EXPECT_EQ((std::vector<int>{2, 0}), daq.remoteOutputs());
}

class Acquire : public SimDaqTest {
protected:
  void SetUp() override {
    SimDaqTest::SetUp();
    ASSERT_EQ(0, daq.daqInit());
  }
  int testerCount(int tester) {
    int count = -1;
    sim.specimen(tester, nullptr, nullptr, nullptr, &count);
    return count;
  }
};

TEST_F(Acquire, StartReadStopAtTheRequestedRate) {
  double rate = 0;
  ASSERT_EQ(0, daq.daqStart(0, 10.0, 100, rate));
  // The buffer is the larger of 1000 asked and 1 kS for <= 100 S/s.
  EXPECT_EQ((std::tuple{100.0, 1000}), (std::tuple{rate, sim.inputBufferSize()}));
  sim.advance(0.5);
  EXPECT_EQ(50, daq.daqRead());
  EXPECT_EQ(50u, daq.samples().size());
  EXPECT_EQ(0, daq.daqRead());
  EXPECT_TRUE(daq.samples().empty());
  EXPECT_EQ((std::tuple{0, 0, 0}), (std::tuple{daq.daqStop(), sim.openTasks(), mp.daqErrorState}));
}

// The rate the box can make (its 80 MHz timebase divided), not the one asked for.
TEST_F(Acquire, ActualRateIsTheOneTheDriverReports) {
  double rate = 0;
  ASSERT_EQ(0, daq.daqStart(0, 10.0, 7, rate));
  EXPECT_DOUBLE_EQ(80e6 / std::floor(80e6 / 7), rate);
  daq.daqStop();
}

TEST_F(Acquire, ChannelsMapToTheTwoTesterInputs) {
  double rate = 0;
  ASSERT_EQ(0, daq.daqStart(0, 10.0, 100, rate));
  daq.daqStop();
  EXPECT_EQ((std::tuple{1, 0}), (std::tuple{testerCount(0), testerCount(1)}));
  for (int channel : {1, 2, 3}) {
    ASSERT_EQ(0, daq.daqStart(channel, 10.0, 100, rate));
    daq.daqStop();
  }
  EXPECT_EQ((std::tuple{1, 3}), (std::tuple{testerCount(0), testerCount(1)}));
}

TEST_F(Acquire, SmallFullScaleGivesANarrowInputRange) {
  sim.setBreakForce(0, 2.0);
  double rate = 0;
  ASSERT_EQ(0, daq.daqStart(0, 0.1, 100, rate)); // 0..0.1 V: the device's +-0.2 V range
  double highest = -1;
  for (int tick = 0; tick < 80; ++tick) {
    sim.advance(0.5);
    ASSERT_GE(daq.daqRead(), 0);
    for (double v : daq.samples())
      highest = std::max(highest, v);
  }
  EXPECT_NEAR(0.2, highest, 1e-3); // clipped, the 2 kN are not visible in this range
  daq.daqStop();
}

// A failed start and a failed clock configuration are both state 7, each with the driver's code.
TEST_F(Acquire, FailedStartOrClockConfigurationIsStateSeven) {
  for (auto [fault, driverCode] : {std::pair{ZVSIM_FAULT_START, "\t-1205\t-1010\tDAQ\t"},
                                   std::pair{ZVSIM_FAULT_CONFIG, "\t-1205\t-1009\tDAQ\t"}}) {
    SCOPED_TRACE(driverCode);
    sim.setFaults(fault);
    double rate = -5;
    const std::size_t before = errorRecords(-1205).size();
    EXPECT_EQ((std::tuple{-1205, 7, -5.0}),
              (std::tuple{daq.daqStart(fault == ZVSIM_FAULT_START ? 0 : 1, 10.0, 100, rate),
                          mp.daqErrorState, rate}));
    const auto records = errorRecords(-1205);
    ASSERT_EQ(before + 1, records.size());
    EXPECT_THAT(records.back(), HasSubstr(driverCode));
    EXPECT_EQ(0, sim.openTasks());
  }
  EXPECT_THAT(errorRecords(-1205).front(), HasSubstr("simulated start failure"));
}

TEST_F(Acquire, FailedStopIsStateTenAndStillFreesTheInput) {
  double rate = 0;
  ASSERT_EQ(0, daq.daqStart(0, 10.0, 100, rate));
  sim.setFaults(ZVSIM_FAULT_STOP);
  EXPECT_EQ((std::tuple{-1206, 10, 0}),
            (std::tuple{daq.daqStop(), mp.daqErrorState, sim.openTasks()}));
  EXPECT_THAT(errorRecords(-1206), ElementsAre(HasSubstr("\t-1206\t-1022\tDAQ\t")));
}

TEST_F(Acquire, FailedReadIsLeftToTheCaller) {
  double rate = 0;
  ASSERT_EQ(0, daq.daqStart(0, 10.0, 100, rate));
  sim.advance(1.0);
  sim.setFaults(ZVSIM_FAULT_READ);
  EXPECT_EQ((std::tuple{-1035, true, 0, ""}),
            (std::tuple{daq.daqRead(), daq.samples().empty(), mp.daqErrorState, errorLogText()}));
  EXPECT_EQ(-1234, daq.reportDaqError(-1234, -1035));
  EXPECT_THAT(errorRecords(-1234), ElementsAre(AllOf(HasSubstr("\t-1234\t-1035\tDAQ\t"),
                                                     HasSubstr("simulated read failure"))));
}

TEST_F(Acquire, OneReadTakesAtMostTenThousandAndLeavesTheRest) {
  sim.setInputBufferSize(50000);
  double rate = 0;
  ASSERT_EQ(0, daq.daqStart(0, 10.0, 1000, rate));
  sim.advance(25.0);
  EXPECT_EQ(25000, sim.availableSamples());
  // The rest stays for the next read.
  EXPECT_EQ((std::vector<std::int64_t>{10000, 15000, 10000, 5000, 0, 0}),
            (std::vector<std::int64_t>{daq.daqRead(), sim.availableSamples(), daq.daqRead(),
                                       daq.daqRead(), daq.daqRead(), sim.availableSamples()}));
  EXPECT_EQ(0u, daq.samples().size());
  daq.daqStop();
}

TEST_F(Acquire, ReadingTooLateOverflowsTheBuffer) {
  double rate = 0;
  ASSERT_EQ(0, daq.daqStart(0, 10.0, 100, rate));
  sim.advance(10.0); // exactly the 1000 samples the buffer holds
  EXPECT_EQ(1000, daq.daqRead());
  sim.advance(10.01); // one sample more than fits
  EXPECT_EQ(-1035, daq.daqRead());
  // The overwritten task stays broken until it is stopped; a new start works again.
  EXPECT_EQ(-1035, daq.daqRead());
  EXPECT_EQ(0, daq.daqStop());
  ASSERT_EQ(0, daq.daqStart(0, 10.0, 100, rate));
  sim.advance(1.0);
  EXPECT_EQ(100, daq.daqRead());
  daq.daqStop();
}

TEST_F(Acquire, AdapterStatusWordShowsTheTaskState) {
  AnalogInput pad(daq.driver());
  double interval = 0;
  std::uint16_t status = 0;
  ASSERT_EQ(0, pad.start(1, 50, 0, 5, interval, status));
  EXPECT_EQ((std::tuple{1.0 / 50, daqstatus::TaskCreated | daqstatus::TaskConfigured |
                                      daqstatus::TaskRunning}),
            (std::tuple{interval, status}));
  std::array<double, AnalogInput::BufferSize> buffer{};
  int count = -1;
  EXPECT_EQ((std::tuple{0, 0}), (std::tuple{pad.read(1, buffer, count, status), count}));
  sim.advance(0.1);
  EXPECT_EQ((std::tuple{1, 5}), (std::tuple{pad.read(1, buffer, count, status), count}));
  EXPECT_TRUE(status & daqstatus::SamplesRead);
  EXPECT_EQ((std::tuple{0, 0}), (std::tuple{pad.stop(1, status), status}));
}

TEST_F(Acquire, PullSpeedReachesTheSimulatedTester) {
  EXPECT_EQ(0, daq.announcePullSpeed(1, 250.0));
  double rate = 0;
  ASSERT_EQ(0, daq.daqStart(1, 10.0, 100, rate));
  double speed = 0;
  sim.specimen(1, nullptr, nullptr, &speed, nullptr);
  EXPECT_EQ(250.0, speed);
  daq.daqStop();
  // Channels 2 and 3 measure ai1, so their speed goes to the second tester.
  EXPECT_EQ(0, daq.announcePullSpeed(3, 80.0));
  ASSERT_EQ(0, daq.daqStart(3, 10.0, 100, rate));
  sim.specimen(1, nullptr, nullptr, &speed, nullptr);
  EXPECT_DOUBLE_EQ(80.0, speed);
  daq.daqStop();
}

class Calibration : public SimDaqTest {
protected:
  TesterDevices devices;
  bool measuring = false;
  CalibrationSession session{{devices, daq, mp, reporter, lang, clock, measuring}};

  void SetUp() override {
    SimDaqTest::SetUp();
    sim.setSpikeRate(0.0);
    ASSERT_EQ(0, daq.daqInit());
  }
  // One second of the dialog's timer.
  void second() {
    sim.advance(1.0);
    session.tick();
  }
  PistonRange& piston() { return *session.piston(); }
};

TEST_F(Calibration, TwoHeldForcesGiveTheTestersLineAndTheSelectLinesFollowTheDialog) {
  ASSERT_EQ(0, sim.setOutputLine(1, 0.8, 0.1));
  mp.calSelection = 1; // the piston calibrated last time
  sim.clearWrites();
  ASSERT_EQ(CalibOk, session.open(1));
  EXPECT_THAT(sim.writes(), ElementsAre("Dev1/port1/line2=0", "Dev1/port1/line1=1"));
  // Nothing is read yet.
  EXPECT_EQ((std::tuple{true, 100, CalibNoReading}),
            (std::tuple{session.live(), session.samplesPerSecond(), session.calibrate(1)}));
  second();
  // Point 1 at the reading's voltage as the device file would keep it: the same voltage.
  ASSERT_EQ(CalibOk,
            session.setValue(CalField::Volts1, std::round(session.meanVolts() * 1e3) / 1e3));
  EXPECT_EQ((std::tuple{CalibSameVoltage, 1u}),
            (std::tuple{session.calibrate(2), ui.popups().size()}));
  ASSERT_EQ(CalibOk, session.setLock(1, false)); // the typed voltage goes again

  sim.holdForce(1, 2.0);
  second();
  ASSERT_TRUE(session.hasReading());
  EXPECT_NEAR(1.7, session.meanVolts(), 0.01);
  ASSERT_EQ(CalibOk, session.setValue(CalField::Force1, 2.0));
  ASSERT_EQ(CalibOk, session.calibrate(1));
  sim.holdForce(1, 8.0);
  second();
  ASSERT_EQ(CalibOk, session.setValue(CalField::Force2, 8.0));
  ASSERT_EQ(CalibOk, session.calibrate(2));

  const PistonRange& p = *devices.device(1)->pistons.piston(1);
  EXPECT_EQ((std::tuple{PistonRange::FullyCalibrated, clock.wallTime}),
            (std::tuple{p.calFlags, p.calDate}));
  const CalibrationLine line = pistonCalibrationLine(p);
  EXPECT_NEAR(1.25, line.gain, 0.001);
  EXPECT_NEAR(-0.125, line.offset, 0.01);
  const CalibrationSession::View v = session.view();
  EXPECT_EQ((std::tuple{"2", 1, true, true, "8.000", "Connection OK", "OK", true}),
            (std::tuple{v.channel, v.piston, v.lock1, v.lock2, v.liveForce, v.status,
                        std::string(v.okLabel), v.abortVisible}));

  sim.clearWrites();
  session.ok();
  EXPECT_THAT(sim.writes(), ElementsAre("Dev1/port1/line2=1", "Dev1/port1/line1=0"));
  EXPECT_EQ((std::tuple{-1, 0, 1, PistonRange::FullyCalibrated}),
            (std::tuple{sim.availableSamples(), sim.openTasks(), mp.calSelection,
                        devices.device(1)->pistons.piston(1)->calFlags}));
}

TEST_F(Calibration, LockedPointsRefuseInputAndCalibrationWithALogLine) {
  ASSERT_EQ(CalibOk, session.open(0));
  piston() = PistonRange{piston().name, 10.0};
  second();
  EXPECT_EQ((std::tuple{CalibOk, false, CalibOk, true}),
            (std::tuple{session.setValue(CalField::Force1, 2.5), session.view().lock1,
                        session.calibrate(1), session.view().lock1})); // force and voltage: locked
  log.lines.clear();
  EXPECT_EQ(
      (std::tuple{CalibLocked, CalibLocked, 2.5, "OK", true}),
      (std::tuple{session.setValue(CalField::Force1, 3.0), session.calibrate(1), piston().calForce1,
                  std::string(session.view().okLabel), session.view().abortVisible}));
  EXPECT_EQ(log.lines,
            (std::vector<std::string>{"Input only possible after remove of the blocking",
                                      "Calibration only possible after remove of the blocking"}));
  ASSERT_EQ(CalibOk, session.setLock(1, false)); // off: both values of the point may change again
  ASSERT_EQ(CalibOk, session.setValue(CalField::Force1, 3.0));
  session.ok();
  EXPECT_EQ(3.0, devices.device(0)->pistons.piston(0)->calForce1);
}

TEST_F(Calibration, InputRangeSwitchAsksAndOnlyTheSecondAnswerUncalibrates) {
  ASSERT_EQ(CalibOk, session.open(0));
  piston() = PistonRange{piston().name, 10.0, 1700000000, PistonRange::FullyCalibrated};
  second();
  ui.askAnswers = {1, 0}; // Abort, then "Switching over measurement range"
  EXPECT_EQ((std::tuple{CalibRefused, 1, 10.0, PistonRange::FullyCalibrated, 1700000000}),
            (std::tuple{session.changeInputRange(3.0), session.changeInputRange(5.0),
                        piston().rangeVolts, piston().calFlags, piston().calDate}));
  ASSERT_EQ(1u, ui.shown.size());
  EXPECT_EQ((std::tuple{"Calibration of Pulloff Piston",
                        "The calibrating data get incorrect\nat switchover of the measurement "
                        "range !",
                        std::vector<std::string>{"Switching over measurement range", "Abort"}}),
            (std::tuple{ui.shown[0].title, ui.shown[0].text, ui.shown[0].buttons}));
  EXPECT_EQ(CalibOk, session.changeInputRange(5.0));
  // The reading of the old range is gone: Calibrate waits for one on the new range.
  EXPECT_EQ(
      (std::tuple{5.0, 0, "--------", 1, false, true, CalibNoReading}),
      (std::tuple{piston().rangeVolts, piston().calFlags, session.view().date, session.view().range,
                  session.view().calibrate1Enabled, session.live(), session.calibrate(1)}));
  second();
  EXPECT_TRUE(session.view().calibrate1Enabled);
}

TEST_F(Calibration, AbortAndTheEndOfAnOpenSessionPutTheDeviceBack) {
  const std::string original = devices.device(1)->image();
  for (bool abort : {true, false}) {
    SCOPED_TRACE(abort ? "abort" : "end");
    {
      CalibrationSession s{{devices, daq, mp, reporter, lang, clock, measuring}};
      ASSERT_EQ(CalibOk, s.open(1));
      ASSERT_EQ((std::tuple{CalibOk, CalibOk}),
                (std::tuple{s.setValue(CalField::Volts2, 4.25), s.setLock(1, true)}));
      EXPECT_EQ((std::tuple{4.25, true}),
                (std::tuple{devices.device(1)->pistons.piston(0)->calVolts2, s.changed()}));
      sim.clearWrites();
      if (abort) {
        s.abort();
      }
    }
    EXPECT_EQ((std::tuple{original, 0}), (std::tuple{devices.device(1)->image(), sim.openTasks()}));
    EXPECT_THAT(sim.writes(), ElementsAre("Dev1/port1/line2=1", "Dev1/port1/line1=0"));
  }
}

TEST_F(Calibration, NoLiveSignalWithADaqErrorWhileMeasuringOrWhenTheStartFails) {
  struct Case {
    const char* name;
    int daqError;
    bool measuring;
    std::uint32_t faults;
    const char* status;
    bool editable;
  };
  const Case cases[] = {
      {"offline", daqstate::Unknown, false, 0, "Error unknown", true},
      {"measuring", 0, true, 0, "Measurement running - no live signal", false},
      {"start fails", 0, false, ZVSIM_FAULT_START, "DAQ Error at Start", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    mp.daqErrorState = c.daqError;
    measuring = c.measuring;
    sim.setFaults(c.faults);
    sim.clearWrites();
    ASSERT_EQ(CalibOk, session.open(1));
    second();
    const CalibrationSession::View v = session.view();
    EXPECT_FALSE(session.live() || v.calibrate1Enabled || v.calibrate2Enabled || v.resultsEnabled);
    EXPECT_EQ((std::tuple{c.status, c.editable}), (std::tuple{v.status, v.editable}));
    EXPECT_NE(CalibOk, session.calibrate(1));
    EXPECT_EQ(c.editable ? CalibOk : CalibRefused, session.setValue(CalField::Force1, 1.5));
    session.abort();
    EXPECT_EQ(0, sim.openTasks());
    if (c.faults == 0) { // the lines only move for a live signal that may run
      EXPECT_TRUE(sim.writes().empty());
    }
  }
}

TEST_F(Calibration, ChannelWithoutDeviceIsRefused) {
  EXPECT_EQ(CalibNoDevice, session.open(2));
  EXPECT_THAT(log.lines, ElementsAre("pCalibDevice == NULL"));
  EXPECT_FALSE(session.isOpen());
}

} // namespace
} // namespace zv::test
