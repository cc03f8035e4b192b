// Analog acquisition through the program layer, the adapter and the real driver binding.
#include <cmath>

#include <gmock/gmock.h>

#include "sim_fixture.hpp"

namespace zv::test {
namespace {

using ::testing::AllOf;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

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
  EXPECT_EQ((std::tuple{-1, -1, 0, 0}),
            (std::tuple{daq.daqStart(4, 10.0, 100, rate), daq.daqStart(-1, 10.0, 100, rate),
                        sim.openTasks(), mp.daqErrorState}));
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
  EXPECT_STREQ("DAQ Stop-Fehler", (lang.language = 0, daq.daqStateText(10)));
}

TEST_F(Acquire, StopWithoutAcquisitionIsFineAndReadFails) {
  EXPECT_EQ((std::tuple{0, 0, -1035}),
            (std::tuple{daq.daqStop(), mp.daqErrorState, daq.daqRead()}));
}

TEST_F(Acquire, FailedReadIsLeftToTheCaller) {
  double rate = 0;
  ASSERT_EQ(0, daq.daqStart(0, 10.0, 100, rate));
  sim.advance(1.0);
  sim.setFaults(ZVSIM_FAULT_READ);
  EXPECT_EQ((std::tuple{-1035, true, 0, ""}),
            (std::tuple{daq.daqRead(), daq.samples().empty(), mp.daqErrorState, errorLogText()}));
  EXPECT_EQ((std::tuple{-1234, 0, -7}),
            (std::tuple{daq.reportDaqError(-1234, -1035), daq.reportDaqError(0, -1035),
                        daq.reportDaqError(-7, 0)}));
  EXPECT_THAT(errorRecords(-1234), ElementsAre(AllOf(HasSubstr("\t-1234\t-1035\tDAQ\t"),
                                                     HasSubstr("simulated read failure"))));
  EXPECT_TRUE(errorRecords(-7).empty());
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
  daq.reportDaqError(-1299, -1035);
  EXPECT_THAT(errorRecords(-1299), ElementsAre(HasSubstr("-200279")));
  // The overwritten task stays broken until it is stopped; a new start works again.
  EXPECT_EQ(-1035, daq.daqRead());
  EXPECT_EQ(0, daq.daqStop());
  ASSERT_EQ(0, daq.daqStart(0, 10.0, 100, rate));
  sim.advance(1.0);
  EXPECT_EQ(100, daq.daqRead());
  daq.daqStop();
}

TEST_F(Acquire, ConfiguringARunningTaskIsRefused) {
  NiDaq& d = daq.driver();
  double rate = 0;
  ASSERT_EQ(0, daq.daqStart(0, 10.0, 100, rate));
  int count = 5;
  double buffer[4];
  EXPECT_EQ(
      (std::vector<int>{-2, -2, 0, -1, 0, -3, -2, 0, 0, 0}),
      (std::vector<int>{d.nidaqConfigAI(0, 100, 0, 10, rate), d.nidaqErrorCode(), d.nidaqClear(),
                        d.nidaqStart(), d.nidaqCreateTask(), d.nidaqStart(),
                        d.nidaqRead(count, buffer, 4), count, d.nidaqClear(), sim.openTasks()}));
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
  EXPECT_LT(daq.announcePullSpeed(1, -3.0), 0);
  EXPECT_EQ(-1, daq.announcePullSpeed(4, 100.0));
  daq.daqStop();
  // Channels 2 and 3 measure ai1, so their speed goes to the second tester.
  EXPECT_EQ(0, daq.announcePullSpeed(3, 80.0));
  ASSERT_EQ(0, daq.daqStart(3, 10.0, 100, rate));
  sim.specimen(1, nullptr, nullptr, &speed, nullptr);
  EXPECT_DOUBLE_EQ(80.0, speed);
  daq.daqStop();
}

} // namespace
} // namespace zv::test
