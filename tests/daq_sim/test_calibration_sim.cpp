// Piston calibration on the simulated acquisition box: the live signal of the tester being
// calibrated, the two points from held forces, locks, the input range question, the refusals
// that keep a wrong voltage out of a calibration, and Abort.
#include <cstdlib>
#include <ctime>

#include <gmock/gmock.h>

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
  EXPECT_TRUE(session.live());
  EXPECT_EQ(100, session.samplesPerSecond());
  EXPECT_EQ(CalibNoReading, session.calibrate(1)); // nothing read yet

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
  EXPECT_EQ(PistonRange::FullyCalibrated, p.calFlags);
  EXPECT_EQ(clock.wallTime, p.calDate);
  const CalibrationLine line = pistonCalibrationLine(p);
  EXPECT_NEAR(1.25, line.gain, 0.001);
  EXPECT_NEAR(-0.125, line.offset, 0.01);
  const CalibrationSession::View v = session.view();
  EXPECT_EQ("2", v.channel);
  EXPECT_EQ(1, v.piston);
  EXPECT_TRUE(v.lock1 && v.lock2);
  EXPECT_EQ("8.000", v.liveForce);
  EXPECT_EQ("Connection OK", v.status);
  EXPECT_STREQ("OK", v.okLabel);
  EXPECT_TRUE(v.abortVisible);

  sim.clearWrites();
  session.ok();
  EXPECT_THAT(sim.writes(), ElementsAre("Dev1/port1/line2=1", "Dev1/port1/line1=0"));
  EXPECT_EQ(-1, sim.availableSamples());
  EXPECT_EQ(0, sim.openTasks());
  EXPECT_EQ(1, mp.calSelection);
  EXPECT_EQ(PistonRange::FullyCalibrated, devices.device(1)->pistons.piston(1)->calFlags);
}

TEST_F(Calibration, LocksRefuseInputAndCalibrationUntilSwitchedOff) {
  ASSERT_EQ(CalibOk, session.open(0));
  second();
  ASSERT_EQ(CalibOk, session.setLock(1, true));
  EXPECT_EQ(PistonRange::CalVolts1Set | PistonRange::CalForce1Set, piston().calFlags);
  const PistonRange before = piston();
  EXPECT_EQ(CalibLocked, session.setValue(CalField::Force1, 3.0));
  EXPECT_EQ(CalibLocked, session.calibrate(1));
  EXPECT_EQ(before, piston());
  EXPECT_THAT(log.lines, ElementsAre("Input only possible after remove of the blocking",
                                     "Calibration only possible after remove of the blocking"));
  // Point 2 is not locked: typing both its values locks it at once.
  ASSERT_EQ(CalibOk, session.setValue(CalField::Volts2, 4.0));
  EXPECT_FALSE(session.view().lock2);
  ASSERT_EQ(CalibOk, session.setValue(CalField::Force2, 4.0));
  EXPECT_TRUE(session.view().lock2);
  ASSERT_EQ(CalibOk, session.setLock(1, false));
  EXPECT_EQ(0, piston().calFlags & 3);
  EXPECT_EQ(CalibOk, session.setValue(CalField::Force1, 3.0));
  EXPECT_EQ(3.0, piston().calForce1);
}

TEST_F(Calibration, SwitchingTheInputRangeAsksAndUncalibratesOnlyWhenConfirmed) {
  PistonRange& p = *devices.device(0)->pistons.piston(0);
  p.calFlags = PistonRange::FullyCalibrated;
  p.calDate = 1234;
  ASSERT_EQ(CalibOk, session.open(0));
  second();
  ASSERT_TRUE(session.hasReading());

  ui.askAnswers = {1, 0};
  EXPECT_EQ(1, session.changeInputRange(5.0));
  EXPECT_EQ(10.0, p.rangeVolts);
  EXPECT_EQ(PistonRange::FullyCalibrated, p.calFlags);
  EXPECT_FALSE(session.changed());
  EXPECT_TRUE(session.hasReading());

  EXPECT_EQ(CalibOk, session.changeInputRange(5.0));
  EXPECT_EQ(5.0, p.rangeVolts);
  EXPECT_EQ(0, p.calFlags);
  EXPECT_EQ(0, p.calDate);
  EXPECT_EQ("--------", session.view().date);
  EXPECT_EQ(1, session.view().range);
  // The reading of the old range is gone: nothing to calibrate with until the next read.
  EXPECT_EQ(CalibNoReading, session.calibrate(1));
  EXPECT_FALSE(session.view().calibrate1Enabled);
  second();
  EXPECT_TRUE(session.view().calibrate1Enabled);

  ASSERT_EQ(2u, ui.shown.size());
  EXPECT_EQ("Calibration of Pulloff Piston", ui.shown[0].title);
  EXPECT_EQ("The calibrating data get incorrect\nat switchover of the measurement range !",
            ui.shown[0].text);
  EXPECT_THAT(ui.shown[0].buttons, ElementsAre("Switching over measurement range", "Abort"));
  EXPECT_EQ(CalibRefused, session.changeInputRange(3.0)); // not a range of the box
}

TEST_F(Calibration, AbortPutsTheWholeDeviceBackAndOkKeepsIt) {
  const std::string original = devices.device(0)->image();
  for (bool keep : {false, true}) {
    SCOPED_TRACE(keep);
    ASSERT_EQ(CalibOk, session.open(0));
    EXPECT_STREQ("Close", session.view().okLabel);
    session.selectPiston(2);
    session.setValue(CalField::Volts1, 0.25);
    EXPECT_TRUE(session.changed());
    session.setValue(CalField::Volts1, 0.0); // back to the old value, but with a date
    session.setLock(1, false);
    EXPECT_TRUE(session.changed());
    keep ? session.ok() : session.abort();
    EXPECT_EQ(keep, devices.device(0)->image() != original);
    EXPECT_EQ(keep, devices.device(0)->changed());
  }
}

TEST_F(Calibration, EqualVoltagesAreRefusedWhenTakenAndShownAsNoLineWhenTyped) {
  ASSERT_EQ(CalibOk, session.open(0));
  second();
  ASSERT_EQ(CalibOk, session.calibrate(1));
  const PistonRange before = piston();
  EXPECT_EQ(CalibSameVoltage, session.calibrate(2)); // the same read
  EXPECT_EQ(before, piston());
  ASSERT_EQ(1u, ui.popups().size());
  EXPECT_THAT(ui.popups()[0], ::testing::StartsWith("Calibration of Pulloff Piston|Both "));

  session.setValue(CalField::Volts2, piston().calVolts1);
  EXPECT_EQ("----", session.view().gain);
  EXPECT_EQ("----", session.view().offset);
  EXPECT_EQ("----", session.view().liveForce);
  session.setLock(2, false);
  session.setValue(CalField::Volts2, 5.0);
  session.setValue(CalField::Force2, piston().calForce1); // gain 0: every pull the same force
  EXPECT_EQ("----", session.view().gain);
  EXPECT_EQ("Offset ----  Gain ----", calibrationLineText(piston(), lang));
  lang.language = 0;
  EXPECT_EQ("Offset 0.0000 kN  Verst. 1.0000 kN/V", calibrationLineText(PistonRange{}, lang));
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
    EXPECT_FALSE(session.live());
    EXPECT_FALSE(v.calibrate1Enabled || v.calibrate2Enabled || v.resultsEnabled);
    EXPECT_EQ(c.status, v.status);
    EXPECT_EQ(c.editable, v.editable);
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

  setenv("TZ", "UTC", 1);
  tzset();
  EXPECT_EQ("--------", calibrationDateText(0, lang));
  EXPECT_EQ("03.Mar 2026", calibrationDateText(1772539200, lang)); // 2026-03-03 12:00
  lang.language = 0;
  EXPECT_EQ("03.M\xe4r 2026", calibrationDateText(1772539200, lang));
  EXPECT_EQ("24.Dez 2026", calibrationDateText(1798113600, lang)); // 2026-12-24 12:00
}

} // namespace
} // namespace zv::test
