#include <gtest/gtest.h>

#include "common/zv_program_rig.hpp"
#include "program/zv_selection.hpp"
#include "program/zv_tables.hpp"

namespace zv {
namespace {

struct TablesFixture : ::testing::Test, test::ProgramRig {
  Program& p = *program;
  TablesFixture() {
    model().defaults().defaultArea = 1.0;
    dataSet(3, 3);
  }
  StorageCondition& current() { return *p.data.model.currentStorage(); }
  Measurement& measurement(int k) { return current().measurements[static_cast<std::size_t>(k)]; }
  void addMeasurements(int n) {
    p.data.model.addMeasurements(0, 0, n);
    p.data.model.renumber();
  }
};

TEST_F(TablesFixture, TypedOverForceChangesStatusAndStatisticsAtOnce) {
  addMeasurements(2);
  ASSERT_TRUE(setMeasurementForce(p, 0, 1.0));
  ASSERT_TRUE(setMeasurementForce(p, 1, 2.0));
  // Status does not count a measurement in; the On/Off flag does.
  EXPECT_EQ(std::tuple(measurement(0).status, currentStatistics(p).statCount),
            std::tuple(static_cast<int>(MeasurementStatus::TypedOver), 0));
  setMeasurementOn(p, 0, true);
  setMeasurementOn(p, 1, true);
  EXPECT_EQ((std::tuple{currentStatistics(p).mean, orderCellText(p, 0, 0),
                        refreshedBit(WindowId::Order, refresh::Values),
                        refreshedBit(WindowId::Storage, refresh::Values), model().isChanged() > 0}),
            (std::tuple{1.5, " 1.50 +- 0.71 +- 6.35 (2) ", true, true, true})); // count, sa and vb
}

// A typed force keeps every digit, the cell shows the configured decimals, and switching the
// only counted measurement off shows zeros.
TEST_F(TablesFixture, TypedForcesKeepEveryDigitAndTheCellsTheConfiguredDecimals) {
  ASSERT_TRUE(setMeasurementForce(p, 0, 1.2345));
  EXPECT_EQ(1.2345, measurement(0).force);
  setMeasurementOn(p, 0, true);
  setStorageEvaluation(p, "AU");
  const std::string twoDecimals = orderCellText(p, 0, 0);
  p.config.clipboard.TablePrec = 3;
  EXPECT_EQ(
      (std::vector<std::string>{twoDecimals, orderCellText(p, 0, 0),
                                (setMeasurementOn(p, 0, false), orderCellText(p, 0, 0))}),
      (std::vector<std::string>{" 1.23 +- 0.00 +- 0.00 (1) AU", " 1.234 +- 0.000 +- 0.000 (1) AU",
                                " 0.000 +- 0.000 +- 0.000 (0) AU"}));
  // The editor closed on the value the slot holds types nothing over.
  measurement(0).status = static_cast<int>(MeasurementStatus::MeasuringValid);
  ASSERT_TRUE(setMeasurementForce(p, 0, 1.2345));
  EXPECT_EQ(static_cast<int>(MeasurementStatus::MeasuringValid), measurement(0).status);
}

TEST_F(TablesFixture, BadNumbersAreRefusedAndNothingChanges) {
  const double area = measurement(0).area;
  EXPECT_FALSE(setMeasurementArea(p, 0, 0.0));
  for (double bad : {std::nan(""), -0.5})
    EXPECT_FALSE(setMeasurementForce(p, 0, bad));
  EXPECT_EQ((std::tuple{area, 0, ui.popups().size(), ui.shown[0].title}),
            (std::tuple{measurement(0).area, measurement(0).status, 3u, "Input Error"}));
  EXPECT_TRUE(setMeasurementArea(p, 0, 500.0));
  EXPECT_EQ(500.0, measurement(0).area);
}

TEST_F(TablesFixture, RenamingRules) {
  EXPECT_EQ((std::vector<bool>{renameSample(p, 1, "P1"), renameStorage(p, 2, "L1"),
                               renameSample(p, 0, "")}),
            (std::vector<bool>{false, false, false}));
  EXPECT_EQ(ui.popups(),
            (std::vector<std::string>{
                "Input Error|Probe=2 - The name mustn't be available twice, please enter newly",
                "Input Error|Lagerung=3 - The name mustn't be available twice, please enter newly",
                "Input Error|The name must at least have one character"}));
  EXPECT_EQ("P2", p.data.model.sampleAt(1)->name);

  const auto before = p.data.model.isChanged();
  EXPECT_TRUE(renameSample(p, 0, "P1")); // its own name: accepted, nothing changes
  EXPECT_EQ(before, p.data.model.isChanged());

  EXPECT_TRUE(renameSample(p, 1, std::string(40, 'x')) && renameStorage(p, 0, "Wet"));
  EXPECT_EQ((std::tuple{model().sampleAt(1)->name, model().storageAt(0, 0)->name,
                        refreshedBit(WindowId::Measurement, refresh::Rings)}),
            (std::tuple{std::string(29, 'x'), "Wet", true}));
}

TEST_F(TablesFixture, ParametersChangeTheStorageButNotItsMeasurements) {
  const double measured = measurement(0).range;
  EXPECT_EQ((std::vector<bool>{setStorageRange(p, 2), setStorageRange(p, 9),
                               setStorageEvaluation(p, "a very long evaluation text")}),
            (std::vector<bool>{true, false, true}));
  EXPECT_EQ(std::tuple(current().range, measurement(0).range, current().evaluation.size()),
            std::tuple(30.0, measured, 19u));
}

TEST_F(TablesFixture, CellSelectionAndOrderFields) {
  const DataSet& d = *p.data.model.dataSet();
  selectCell(p, 2, 1);
  // The measurement window shows the new cell's curve, force and status at once.
  EXPECT_EQ((std::tuple{d.currentSample, d.currentStorage,
                        refreshedBit(WindowId::Measurement, refresh::Values),
                        refreshedBit(WindowId::Storage, refresh::Values)}),
            (std::tuple{2, 1, true, true}));
  setOrderField(p, OrderField::Title, std::string(100, 't'));
  setOrderField(p, OrderField::IdentName, "Batch 7");
  EXPECT_EQ(std::tuple(d.title, d.identName), std::tuple(std::string(79, 't'), "Batch 7"));
}

TEST_F(TablesFixture, RingsFollowTheSelectionAndBackUp) {
  test::CountingBackup backup;
  p.data.setPeriodicBackup(backup);
  p.data.model.addMeasurements(1, 2, 4);
  p.data.model.renumber();
  using Items = std::vector<std::string>;
  EXPECT_EQ((std::tuple{sampleRingItems(p), storageRingItems(p), measurementRingItems(p)}),
            (std::tuple{Items{"P1", "P2", "P3"}, Items{"L1", "L2", "L3"}, Items{"1"}}));

  EXPECT_FALSE(selectSample(p, 0)); // already current: nothing happens
  EXPECT_EQ(0, backup.calls);
  EXPECT_TRUE(selectSample(p, 1) && selectStorage(p, 2));
  EXPECT_EQ(measurementRingItems(p), (Items{"1", "2", "3", "4"}));
  EXPECT_TRUE(selectMeasurement(p, 3));
  EXPECT_EQ((std::tuple{ds().currentMeasurement, backup.calls,
                        refreshedBit(WindowId::Storage, refresh::RowLayout)}),
            (std::tuple{3, 3, true}));

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
