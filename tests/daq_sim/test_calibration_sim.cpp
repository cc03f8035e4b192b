// Piston calibration on the simulated acquisition box: the live signal of the tester being
// calibrated with its select lines, the two points from held forces, the refused equal
// voltage, the locks, the input range question, Abort and the end of an open session putting
// the device back, and no live signal where there may be none. The dialog's wiring is
// tests/ui/test_calib_dlg.cpp's.
#include <cmath>
#include <cstdlib>
#include <ctime>

#include <gmock/gmock.h>

#include "common/zv_test_system.hpp"
#include "daq/zv_calibration.hpp"
#include "sim_fixture.hpp"

namespace zv::test {
namespace {

using ::testing::ElementsAre;

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

TEST_F(Calibration, LampsBlinkWithEachReadingAndShowTheEndOfTheInputRange) {
  devices.device(0)->pistons.piston(0)->rangeVolts = 1.0;
  ASSERT_EQ(CalibOk, session.open(0));
  for (auto [force, measLed, overflow] : {(std::tuple{0.9, true, false}), {1.2, false, true}}) {
    sim.holdForce(0, force); // 1.2 kN is beyond the 1 V input: the converter clips it
    second();
    EXPECT_EQ((std::tuple{measLed, overflow}),
              (std::tuple{session.view().measLed, session.view().overflowLed}))
        << force;
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

TEST_F(Calibration, ChannelWithoutDeviceAndDatesInBothLanguages) {
  EXPECT_EQ(CalibNoDevice, session.open(2));
  EXPECT_THAT(log.lines, ElementsAre("pCalibDevice == NULL"));
  EXPECT_FALSE(session.isOpen());

  test::setEnv("TZ", "UTC");
  tzset();
  EXPECT_EQ("--------", calibrationDateText(0, lang));
  EXPECT_EQ("03.Mar 2026", calibrationDateText(1772539200, lang)); // 2026-03-03 12:00
  lang.language = 0;
  EXPECT_EQ("03.M\xe4r 2026", calibrationDateText(1772539200, lang));
  PistonRange flat;
  flat.calForce2 = flat.calForce1;
  EXPECT_EQ("Offset ----  Verst. ----", calibrationLineText(flat, lang));
  lang.language = 1;
  EXPECT_EQ("Offset 0.0000 kN  Gain 1.0000 kN/V", calibrationLineText(PistonRange{}, lang));
}

} // namespace
} // namespace zv::test
