#include <gtest/gtest.h>

#include "common/zv_fake_ui.hpp"
#include "common/zv_testdir.hpp"
#include "program/zv_selection.hpp"
#include "program/zv_tables.hpp"

namespace zv {
namespace {

struct TablesFixture : ::testing::Test {
  test::TestDir dir;
  test::ScriptedUi ui;
  test::FakeClock clock;
  MemoryRegistry registry;
  test::RecordingRefresh refreshes;
  Program p{ui, clock, registry, dir.path() / ""};

  TablesFixture() {
    p.refreshSink = &refreshes;
    p.startUp({"zarvik"});
    auto& m = p.data.model;
    m.defaults().defaultArea = 1.0;
    EXPECT_EQ(0, m.createDataSet());
    m.addSamples(3);
    m.addStorages(3);
    m.renumber();
  }
  StorageCondition& current() { return *p.data.model.currentStorage(); }
  Measurement& measurement(int k) { return current().measurements[static_cast<std::size_t>(k)]; }
  void addMeasurements(int n) {
    p.data.model.addMeasurements(0, 0, n);
    p.data.model.renumber();
  }
  bool refreshed(WindowId w, std::uint32_t bit) const {
    for (auto [win, bits] : refreshes.requests)
      if (win == w && (bits & bit))
        return true;
    return false;
  }
};

TEST_F(TablesFixture, TypedOverForceChangesStatusAndStatisticsAtOnce) {
  addMeasurements(2);
  ASSERT_TRUE(setMeasurementForce(p, 0, 1.0));
  ASSERT_TRUE(setMeasurementForce(p, 1, 2.0));
  EXPECT_EQ(static_cast<int>(MeasurementStatus::TypedOver), measurement(0).status);
  // Status does not count a measurement in; the On/Off flag does.
  EXPECT_EQ(0, currentStatistics(p).statCount);
  setMeasurementOn(p, 0, true);
  setMeasurementOn(p, 1, true);
  EXPECT_DOUBLE_EQ(1.5, currentStatistics(p).mean);
  EXPECT_TRUE(refreshed(WindowId::Order, refresh::Values));
  EXPECT_TRUE(refreshed(WindowId::Storage, refresh::Values));
  EXPECT_EQ(" 1.50 +- 0.71 +- 6.35 (2) ", orderCellText(p, 0, 0)); // count, sa and vb
  EXPECT_GT(p.data.model.isChanged(), 0u);
}

TEST_F(TablesFixture, TypedForcesKeepEveryDigitAndTheCellsTheConfiguredDecimals) {
  ASSERT_TRUE(setMeasurementForce(p, 0, 1.2345));
  EXPECT_EQ(1.2345, measurement(0).force);
  setMeasurementOn(p, 0, true);
  p.config.clipboard.TablePrec = 3;
  EXPECT_EQ(" 1.234 +- 0.000 +- 0.000 (1) ", orderCellText(p, 0, 0));
  // The editor closed on the value the slot holds types nothing over.
  measurement(0).status = static_cast<int>(MeasurementStatus::MeasuringValid);
  ASSERT_TRUE(setMeasurementForce(p, 0, 1.2345));
  EXPECT_EQ(static_cast<int>(MeasurementStatus::MeasuringValid), measurement(0).status);
}

TEST_F(TablesFixture, SwitchingTheOnlyCountedMeasurementOffShowsZeros) {
  setMeasurementForce(p, 0, 2.5);
  setMeasurementOn(p, 0, true);
  setStorageEvaluation(p, "AU");
  EXPECT_EQ(" 2.50 +- 0.00 +- 0.00 (1) AU", orderCellText(p, 0, 0));
  setMeasurementOn(p, 0, false);
  EXPECT_EQ(" 0.00 +- 0.00 +- 0.00 (0) AU", orderCellText(p, 0, 0));
}

TEST_F(TablesFixture, BadNumbersAreRefusedAndNothingChanges) {
  const double area = measurement(0).area;
  for (double bad : {0.0, -3.0})
    EXPECT_FALSE(setMeasurementArea(p, 0, bad));
  for (double bad : {std::nan(""), -0.5})
    EXPECT_FALSE(setMeasurementForce(p, 0, bad));
  EXPECT_EQ(std::tuple(area, 0), std::tuple(measurement(0).area, measurement(0).status));
  EXPECT_EQ(4u, ui.popups().size());
  EXPECT_EQ("Input Error", ui.shown[0].title);
  EXPECT_TRUE(setMeasurementArea(p, 0, 500.0));
  EXPECT_DOUBLE_EQ(500.0, measurement(0).area);
  EXPECT_FALSE(setMeasurementOn(p, 7, true)); // no such row
}

TEST_F(TablesFixture, RenamingRules) {
  EXPECT_FALSE(renameSample(p, 1, "P1"));
  ASSERT_EQ(1u, ui.popups().size());
  EXPECT_EQ("Input Error|Probe=2 - The name mustn't be available twice, please enter newly",
            ui.popups()[0]);
  EXPECT_EQ("P2", p.data.model.sampleAt(1)->name);

  EXPECT_FALSE(renameStorage(p, 2, "L1"));
  EXPECT_EQ("Input Error|Lagerung=3 - The name mustn't be available twice, please enter newly",
            ui.popups()[1]);
  EXPECT_FALSE(renameSample(p, 0, ""));
  EXPECT_EQ("Input Error|The name must at least have one character", ui.popups()[2]);

  const auto before = p.data.model.isChanged();
  EXPECT_TRUE(renameSample(p, 0, "P1")); // its own name: accepted, nothing changes
  EXPECT_EQ(before, p.data.model.isChanged());

  EXPECT_TRUE(renameSample(p, 1, std::string(40, 'x')));
  EXPECT_EQ(std::string(29, 'x'), p.data.model.sampleAt(1)->name);
  EXPECT_TRUE(renameStorage(p, 0, "Wet"));
  EXPECT_EQ("Wet", p.data.model.storageAt(0, 0)->name);
  EXPECT_TRUE(refreshed(WindowId::Measurement, refresh::Rings));

  p.setLanguage(0);
  EXPECT_FALSE(renameSample(p, 2, "Wet") && renameSample(p, 2, "P1"));
  EXPECT_EQ("Eingabefehler|Probe=3 - Der Name existiert bereits, bitte neu eingeben",
            ui.popups().back());
}

TEST_F(TablesFixture, ParametersChangeTheStorageButNotItsMeasurements) {
  const double measured = measurement(0).range;
  ASSERT_TRUE(setStorageRange(p, 2));
  EXPECT_DOUBLE_EQ(30.0, current().range);
  EXPECT_DOUBLE_EQ(measured, measurement(0).range);
  EXPECT_FALSE(setStorageRange(p, 9));
  EXPECT_DOUBLE_EQ(30.0, current().range);
  ASSERT_TRUE(setStorageEvaluation(p, "a very long evaluation text"));
  EXPECT_EQ(19u, current().evaluation.size());
}

TEST_F(TablesFixture, CellSelectionAndOrderFields) {
  const DataSet& d = *p.data.model.dataSet();
  selectCell(p, 2, 1);
  EXPECT_EQ(std::tuple(2, 1), std::tuple(d.currentSample, d.currentStorage));
  // The measurement window shows the new cell's curve, force and status at once.
  EXPECT_TRUE(refreshed(WindowId::Measurement, refresh::Values));
  EXPECT_TRUE(refreshed(WindowId::Storage, refresh::Values));
  selectCell(p, 5, 1); // outside: ignored
  EXPECT_EQ(2, d.currentSample);
  setOrderField(p, OrderField::Title, std::string(100, 't'));
  setOrderField(p, OrderField::IdentName, "Batch 7");
  EXPECT_EQ(std::tuple(d.title, d.identName), std::tuple(std::string(79, 't'), "Batch 7"));
}

TEST_F(TablesFixture, WindowTitleTextLeavesThePathToTheWindow) {
  const TextPair order{"Order Table", "Auftragstabelle"};
  p.data.files.setDataFile("/data/a.DAT"); // bytes of the file system, not Latin-1 text
  EXPECT_EQ("ZARVIK 2012 USB - Order Table  ", tableWindowTitle(p, order));
}

struct CountingBackup : PeriodicBackup {
  int calls = 0;
  void backupDataSet() override { ++calls; }
};

TEST_F(TablesFixture, RingsFollowTheSelectionAndBackUp) {
  CountingBackup backup;
  p.data.setPeriodicBackup(backup);
  p.data.model.addMeasurements(1, 2, 4);
  p.data.model.renumber();
  EXPECT_EQ((std::vector<std::string>{"P1", "P2", "P3"}), sampleRingItems(p));
  EXPECT_EQ((std::vector<std::string>{"L1", "L2", "L3"}), storageRingItems(p));
  EXPECT_EQ(std::vector<std::string>{"1"}, measurementRingItems(p));

  EXPECT_FALSE(selectSample(p, 0)); // already current: nothing happens
  EXPECT_EQ(0, backup.calls);
  EXPECT_TRUE(selectSample(p, 1));
  EXPECT_TRUE(selectStorage(p, 2));
  EXPECT_EQ((std::vector<std::string>{"1", "2", "3", "4"}), measurementRingItems(p));
  EXPECT_TRUE(selectMeasurement(p, 3));
  EXPECT_EQ(3, p.data.model.dataSet()->currentMeasurement);
  EXPECT_EQ(3, backup.calls);
  EXPECT_TRUE(refreshed(WindowId::Storage, refresh::RowLayout));

  // A storage with fewer measurements pulls the measurement selection back.
  EXPECT_TRUE(selectStorage(p, 0));
  EXPECT_EQ(0, p.data.model.dataSet()->currentMeasurement);
  EXPECT_FALSE(selectMeasurement(p, 5));

  p.meas.processor.setMeasuring(true);
  EXPECT_TRUE(selectSample(p, 2));
  EXPECT_EQ(4, backup.calls); // no backup while measuring
}

} // namespace
} // namespace zv
