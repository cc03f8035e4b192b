// Measurement control: start with its overwrite question, the series from slot to slot, stop
// at every stage, the guards while a measurement runs, and what the setup dialogs' OK changes.
// The acquisition is scripted: every start brings a new specimen that idles, is pulled at
// 1 kN/s and tears off.
#include <gtest/gtest.h>

#include "common/zv_dataset_describe.hpp"
#include "common/zv_program_rig.hpp"
#include "common/zv_timer_panel.hpp"
#include "core/zv_calculate.hpp"
#include "program/zv_meas_control.hpp"
#include "program/zv_setup_meas.hpp"
#include "program/zv_tables.hpp"

namespace zv {
namespace {

struct MeasControlFixture : ::testing::Test, test::ProgramRig {
  Program& p = *program;
  test::TimerPanel panel;

  MeasControlFixture() {
    scriptMeasuring();
    p.meas.panel = &panel;
    for (auto& s : dataSet(2, 2).samples)
      for (auto& t : s.storages)
        t.speed = 1000.0;
    MeasParams& mp = p.meas.params;
    acq.actualRate = 64.0;
    std::tie(mp.sampleRate, mp.average, mp.gphPoints, mp.dPollTime) = std::tuple(64, 1, 400, 0.2);
    std::tie(mp.dTrigDiffTime, mp.startTime, mp.stopTime, mp.dPostTrigTime) =
        std::tuple(0.25, 0.125, 0.25, 0.125);
    std::tie(mp.startProzent, mp.stopProzent) = std::tuple(50.0, 25.0);
    // Each specimen: idle, a pull at 1 kN/s, then the reached force held; the n-th specimen
    // breaks at 3.125 + n/8 kN.
    acq.generator = [this](int read) {
      return test::specimenRead(read, 3.125 + (static_cast<double>(acq.starts.size()) - 1) / 8);
    };
  }

  DataSet& ds() { return *p.data.model.dataSet(); }
  Measurement& meas(int k, int s = 0, int t = 0) { return *p.data.model.measurementAt(s, t, k); }
  void select(int s, int t, int k) {
    ds().currentSample = s;
    ds().currentStorage = t;
    ds().currentMeasurement = k;
  }
  void slots(int n) { p.data.model.addMeasurements(0, 0, n); }
  void markUsed(std::initializer_list<int> numbers) {
    for (int n : numbers)
      meas(n - 1).status = 5;
  }
  // Runs timer ticks until the running slot finished (or max ticks).
  void runPull(int maxTicks = 10) {
    const Selection at = p.meas.processor.runningSelection();
    for (int i = 0; i < maxTicks && p.isMeasuring(); ++i) {
      measTimerTick(p);
      if (!(p.meas.processor.runningSelection() == at) || !p.isMeasuring())
        return;
    }
  }
};

TEST_F(MeasControlFixture, StartOnAFreeSlotAsksNothingSwitchesTheRemoteAndRefusesASecondStart) {
  p.meas.params.remoteEnable = 1;
  EXPECT_FALSE(checkMeasuring(p));
  ASSERT_EQ(0, startMeasuring(p));
  EXPECT_EQ((std::tuple{p.isMeasuring(), p.meas.params.seriesFlag, ui.shown.size(), meas(0).status,
                        refreshed(WindowId::Measurement, 0x30), p.meas.daq.remoteOutputs()}),
            (std::tuple{true, 1, 0u, 2, 1, std::vector<int>{1, 0}}));
  EXPECT_EQ(panel.timer, (std::vector<std::pair<bool, double>>{{true, 0.2}}));
  // While it runs, a second start and every guarded command get a plain popup.
  EXPECT_EQ(MeasCtlRefused, startMeasuring(p));
  EXPECT_EQ(std::tuple(log.lines.size(), acq.starts.size()), std::tuple(0u, 1u));
  EXPECT_TRUE(checkMeasuring(p));
  EXPECT_EQ(ui.popups(),
            (std::vector<std::string>(2, "|Function couldn't be executed - Stop measuring first")));
  EXPECT_EQ(log.lines.size(), 1u);
  stopMeasuring(p);
  EXPECT_EQ(p.meas.daq.remoteOutputs(), (std::vector<int>{1, 0, 1, 0}));
}

// A start that ends before the acquisition runs leaves the program idle, the slot as it was
// and the remote output off.
TEST(MeasStart, RefusedOrFailedLeavesTheProgramIdle) {
  const struct {
    const char* what;
    int slots, used, daqError;
    std::deque<int> answers;
    bool failStart;
    int result, starts, status, slotCount, measRefresh;
    const char* logged;
  } cases[] = {
      // clang-format off
      {"Abort in the question",        1, 1,  0, {AbortStart},    false, MeasCtlCancelled,    0, 5, 1,  0, ""},
      {"no slot behind a full storage", 10, 10, 0, {NextFreeIndex}, false, MeasCtlCannotAppend, 0, 0, 10, 0,
       "Maximum Measurings number already available"},
      {"the acquisition fails",        1, 0,  0, {},              true,  MeasErrStart,        1, 0, 1,  1, ""},
      {"a pending acquisition error",  1, 0,  9, {},              false, MeasErrDaqState,     0, 0, 1,  1, ""},
      // clang-format on
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    struct : MeasControlFixture {
      void TestBody() override {}
    } f;
    if (c.slots > 1) {
      f.slots(c.slots);
    }
    if (c.used) {
      f.markUsed({c.used});
    }
    std::tie(f.p.meas.params.daqErrorState, f.p.meas.params.remoteEnable) =
        std::tuple(c.daqError, 1);
    f.ui.askAnswers = c.answers;
    f.acq.failStart = c.failStart;
    EXPECT_EQ(
        (std::tuple{startMeasuring(f.p), f.p.isMeasuring(), f.acq.starts.size(),
                    f.panel.timer.size(), f.meas(0).status, f.p.data.model.measurementCount(0, 0),
                    f.refreshed(WindowId::Measurement, 0x30), f.p.meas.daq.remoteOutputs(),
                    f.log.text.find(c.logged) != std::string::npos}),
        (std::tuple{c.result, false, std::size_t(c.starts), 0u, c.status, c.slotCount,
                    c.measRefresh, std::vector<int>{}, true}));
  }
}

// "Next free index" starts behind the last used slot, or appends one when the last is used.
TEST_F(MeasControlFixture, NextFreeIndexJumpsBehindTheLastUsedSlot) {
  const struct {
    std::initializer_list<int> used;
    const char* button;
    int running;
  } cases[] = {{{5, 7}, "No: 8", 7}, {{5, 8}, "No: 9", 8}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.button);
    struct : MeasControlFixture {
      void TestBody() override {}
    } f;
    f.slots(8);
    f.markUsed(c.used);
    f.select(0, 0, 2);
    f.ui.askAnswers.push_back(NextFreeIndex);
    ASSERT_EQ(0, startMeasuring(f.p));
    // the windows show the slot that runs
    EXPECT_EQ((std::tuple{f.ui.transcript(), f.p.meas.processor.runningSelection().measurement,
                          f.ds().currentMeasurement, f.p.data.model.measurementCount(0, 0),
                          f.meas(c.running).status, f.meas(2).status}),
              (std::tuple{std::vector<std::string>{
                              "ask|" + f.ui.shown[0].title + "|measuring No. 5 already exists !|" +
                              f.ui.shown[0].buttons[0] + "|Switching on the next free index : " +
                              c.button + "|" + f.ui.shown[0].buttons[2]},
                          c.running, c.running, std::max(8, c.running + 1), 2, 0}));
  }
}

TEST_F(MeasControlFixture, OverwriteAllStartsOnTheSelectedSlotAndOverwritesTheSeries) {
  slots(3);
  markUsed({1, 2, 3});
  meas(1).force = 99.0;
  ui.askAnswers.push_back(OverwriteAll);
  ASSERT_EQ(0, startMeasuring(p));
  EXPECT_EQ(p.meas.processor.runningSelection().measurement, 0);
  runPull();
  // The series goes on into the next, used slot without asking again.
  EXPECT_EQ(
      (std::tuple{meas(0).status, p.meas.processor.runningSelection().measurement, meas(1).status}),
      (std::tuple{5, 1, 2}));
  runPull();
  EXPECT_EQ((std::tuple{meas(1).status, meas(1).force, ui.shown.size()}),
            (std::tuple{5, 3.125 + 1.0 / 8, 1u}));
}

TEST_F(MeasControlFixture, SeriesFilesPullAfterPullIntoTheNextSlots) {
  ASSERT_EQ(0, startMeasuring(p));
  for (int k = 0; k < 3; ++k)
    runPull();
  ASSERT_EQ(p.data.model.measurementCount(0, 0), 4);
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(std::tuple(meas(k).status, meas(k).inStatistics, meas(k).force),
              std::tuple(5, 1, 3.125 + k / 8.0));
    EXPECT_GT(meas(k).pointCount, 200) << k;
  }
  // The fourth specimen is being pulled; the storage's statistics follow each result. Each run
  // starts its graph afresh (no cursor of the last pull stays), each finished pull puts its
  // trigger cursor.
  const StorageCondition& t = *p.data.model.storageAt(0, 0);
  EXPECT_EQ((std::tuple{meas(3).status, p.isMeasuring(), panel.on, t.statCount, panel.spans.size(),
                        panel.cursors.size()}),
            (std::tuple{2, true, true, 3, 4u, 3u}));
  EXPECT_GE(std::min(refreshed(WindowId::Storage, refresh::Values),
                     refreshed(WindowId::Order, refresh::Values)),
            3);
}

TEST_F(MeasControlFixture, StopBeforeTheTriggerGivesTheSlotBackAsItWas) {
  // A filed result, overwritten with Enter, then stopped before the trigger.
  Measurement& m = meas(0);
  std::tie(m.status, m.force, m.inStatistics, m.points, m.pointCount) =
      std::tuple(5, 2.5, 1, std::vector<double>{0.5, 2.5, 2.4}, 3);
  const std::string before = test::describeDataSet(p.data.model);
  ui.askAnswers.push_back(OverwriteAll);
  ASSERT_EQ(0, startMeasuring(p));
  measTimerTick(p); // idle only
  ASSERT_EQ(0, stopMeasuring(p));
  EXPECT_EQ(test::describeDataSet(p.data.model), before);
  // No 0 counted in the statistics; stopping stops the timer; every window that shows the
  // slot redraws it.
  EXPECT_EQ(
      (std::tuple{p.isMeasuring(), m.points, p.data.model.storageAt(0, 0)->mean, panel.timer,
                  p.meas.processor.stopWasRequested(), refreshed(WindowId::Measurement, 0x30),
                  refreshed(WindowId::Storage, refresh::Values),
                  refreshed(WindowId::Order, refresh::Values)}),
      (std::tuple{false, std::vector<double>{0.5, 2.5, 2.4}, 2.5,
                  std::vector<std::pair<bool, double>>{{true, 0.2}, {false, 0.2}}, true, 2, 1, 1}));
}

TEST_F(MeasControlFixture, StopDuringTrackingWritesTheResultAndDoesNotAdvance) {
  acq.generator = [](int read) {
    std::vector<double> v;
    if (read == 0)
      v.assign(32, 0.0);
    else if (read == 1)
      for (int i = 1; i <= 200; ++i)
        v.push_back(i / 64.0);
    else
      v.assign(28, 3.125); // exactly up to the tear-off
    return v;
  };
  ASSERT_EQ(0, startMeasuring(p));
  for (int i = 0; i < 3; ++i)
    measTimerTick(p);
  ASSERT_EQ(p.meas.processor.state(), PULLED_OFF);
  stopMeasuring(p);
  EXPECT_EQ(
      (std::tuple{meas(0).status, meas(0).force, p.meas.processor.runningSelection().measurement,
                  p.data.model.measurementCount(0, 0), acq.starts.size()}),
      (std::tuple{5, 3.125, 0, 1, 1u}));
}

TEST_F(MeasControlFixture, SeriesEndsAtTheLastPossibleSlot) {
  p.data.model.limits().maxMeasurements = 10;
  slots(10);
  select(0, 0, 9);
  ASSERT_EQ(0, startMeasuring(p));
  runPull();
  ASSERT_FALSE(ui.popups().empty());
  EXPECT_EQ((std::tuple{meas(9).status, p.isMeasuring(), panel.on, ui.popups().back()}),
            (std::tuple{5, false, false, "|New Measuring Index cannot be created - Stop"}));
}

TEST_F(MeasControlFixture, BackupAtTheStartOfASeriesIsToldWhenItFails) {
  p.fileSystem = &disk;
  p.data.files.setDataFile(dir.path() / "ORDER.DAT");
  ASSERT_EQ(0, p.data.files.saveDataSet()); // starts the journal
  p.data.model.markChanged(meas(0));
  disk.failOn(FaultyFileSystem::Op::Write, std::errc::no_space_on_device, "ZARVIK.BAK");
  ASSERT_EQ(0, startMeasuring(p));
  ASSERT_FALSE(ui.popups().empty());
  EXPECT_EQ(ui.popups()[0].rfind("ZARVIK - Backup|The backup is no longer written", 0), 0u)
      << ui.popups()[0];
  EXPECT_TRUE(p.isMeasuring());
}

// What OK in the two measurement setup dialogs changes, and what it must leave alone.

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
