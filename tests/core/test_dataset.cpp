#include <gtest/gtest.h>

#include "core/zv_alloc_failure.hpp"
#include "core/zv_core_fixture.hpp"

namespace zv {
namespace {

using test::ModelFixture;

TEST_F(ModelFixture, NewDataSetFromBuiltInDefaults) {
  newDataSet(3, 3);
  EXPECT_TRUE(gridIsRectangular(3, 3));
  EXPECT_EQ("[N/mm2]", ds().title);
  EXPECT_EQ("--", ds().identNumber);
  EXPECT_EQ("New", ds().identName);
  EXPECT_EQ(3, ds().sampleCount);
  EXPECT_EQ(3, ds().storageCount);
  EXPECT_EQ(9, ds().measurementTotal);
  for (int s = 0; s < 3; ++s) {
    EXPECT_EQ("P" + std::to_string(s + 1), model.sampleAt(s)->name);
    for (int t = 0; t < 3; ++t) {
      const StorageCondition* st = model.storageAt(s, t);
      EXPECT_EQ("L" + std::to_string(t + 1), st->name);
      EXPECT_EQ(s, st->sampleIndex);
      EXPECT_EQ(t, st->storageIndex);
      EXPECT_EQ(10.0, st->range);
      EXPECT_EQ(100.0, st->speed);
      EXPECT_EQ(1.0, st->area);
      EXPECT_EQ(31.45, st->mean);
      EXPECT_EQ(99.0, st->maximum);
      ASSERT_EQ(1u, st->measurements.size());
      const Measurement& m = st->measurements[0];
      EXPECT_EQ(0, m.status);
      EXPECT_EQ(0, m.inStatistics);
      EXPECT_EQ(1, m.curveRate);
      EXPECT_EQ(-1, m.graphFilePos);
      EXPECT_EQ(10.0, m.rangeVolts);
      EXPECT_EQ(1.0, m.calGain);
      EXPECT_EQ(st->area, m.area);
      EXPECT_FALSE(m.hasPoints());
    }
  }
  EXPECT_NE(0u, model.isChanged());
  // The journal hears the header, the samples, then each sample's storages with their
  // measurement, and every written record counts as backed up.
  ASSERT_EQ(1 + 3 + 9 + 9, static_cast<int>(backup.events.size()));
  EXPECT_EQ("header", backup.events[0]);
  EXPECT_EQ("sample 0", backup.events[1]);
  EXPECT_EQ("storage 0/0/0", backup.events[4]);
  EXPECT_EQ("measurement 0/0/0", backup.events[5]);
  EXPECT_EQ("measurement 2/2/0", backup.events.back());
  EXPECT_EQ(0u, model.storageAt(2, 2)->backupChanges);
  EXPECT_EQ(1u, model.storageAt(2, 2)->saveChanges);
}

TEST_F(ModelFixture, FirstSampleHasNoStoragesUntilTheyAreAdded) {
  model.createDataSet();
  EXPECT_EQ(0, model.storageCount());
  EXPECT_EQ(0, model.addSamples(1));
  EXPECT_EQ(0, model.storageCount());
  EXPECT_EQ(0, model.addSamples(2));
  EXPECT_EQ(0, model.storageCount());
  EXPECT_EQ(0, model.addStorages(2));
  EXPECT_TRUE(gridIsRectangular(2, 2));
  // Later samples take the grid's width.
  EXPECT_EQ(0, model.addSamples(3));
  EXPECT_TRUE(gridIsRectangular(3, 2));
}

TEST_F(ModelFixture, GrowthWithoutDataSetFails) {
  EXPECT_EQ(ModelNoDataSet, model.addSamples(2));
  EXPECT_EQ(ModelNoDataSet, model.addStorages(2));
  EXPECT_EQ(ModelNoStorage, model.addMeasurements(0, 0, 2));
  EXPECT_EQ(ModelNoDataSet, model.renumber());
  EXPECT_EQ(0, model.deleteDataSet());
  EXPECT_EQ(0, model.sampleCount());
  EXPECT_EQ(nullptr, model.currentStorage());
}

TEST_F(ModelFixture, SamplesPastTheLimitKeepTheGridRectangular) {
  newDataSet(3, 3);
  EXPECT_EQ(ModelLimitReached, model.addSamples(25));
  EXPECT_TRUE(gridIsRectangular(20, 3));
  EXPECT_EQ("P20", model.sampleAt(19)->name);
  EXPECT_EQ(std::vector<std::string>{"Maximum Sample number already available"}, log.lines);
  EXPECT_TRUE(ui.popups().empty());
  // Every new storage reached the journal.
  EXPECT_EQ(9 + 17 * 3, backup.count("storage "));
  // At the limit nothing more is created, but the message repeats.
  EXPECT_EQ(ModelLimitReached, model.addSamples(21));
  EXPECT_TRUE(gridIsRectangular(20, 3));
  EXPECT_EQ(2u, log.lines.size());
  // Growing to a count already there is no growth.
  EXPECT_EQ(0, model.addSamples(5));
}

TEST_F(ModelFixture, StoragesPastTheLimitGrowEverySample) {
  newDataSet(3, 3);
  model.limits().setMaxStorages(12);
  EXPECT_EQ(ModelLimitReached, model.addStorages(15));
  EXPECT_TRUE(gridIsRectangular(3, 12));
  EXPECT_EQ(std::vector<std::string>{"Maximum Storage number already available"}, log.lines);
  EXPECT_EQ("L12", model.storageAt(2, 11)->name);
  EXPECT_EQ(2, model.storageAt(2, 11)->sampleIndex);
}

// Memory running out part-way through a growth drops what the call had built: the grid stays
// as it was and the journal hears nothing of records that were never completed.
TEST_F(ModelFixture, OutOfMemoryDuringGrowthLeavesTheGridAsItWas) {
  newDataSet(2, 2);
  // The journal hears of a growth only once it is complete; its own recording must not fail.
  struct Journal : test::RecordingBackup {
    void beforeEvent() override { test::failAllocationAfter(-1); }
  } journal;
  model.setBackupSink(&journal);
  struct Step {
    const char* what;
    int (*grow)(DataSetModel&);
    int samples, storages;
  };
  const Step steps[] = {
      {"storages", [](DataSetModel& m) { return m.addStorages(4); }, 2, 4},
      {"samples", [](DataSetModel& m) { return m.addSamples(4); }, 4, 4},
  };
  for (const Step& step : steps) {
    int failures = 0;
    for (long k = 0;; ++k) {
      const int samplesBefore = model.sampleCount();
      const int storagesBefore = model.storageCount();
      journal.events.clear();
      log.lines.clear();
      test::failAllocationAfter(k);
      const int r = step.grow(model);
      test::failAllocationAfter(-1);
      if (r == 0)
        break;
      ++failures;
      ASSERT_EQ(ModelCannotCreate, r) << step.what << " " << k;
      ASSERT_TRUE(gridIsRectangular(samplesBefore, storagesBefore)) << step.what << " " << k;
      EXPECT_TRUE(journal.events.empty());
      ASSERT_EQ(1u, log.lines.size());
      EXPECT_NE(std::string::npos, log.lines[0].find("cannot be created")) << log.lines[0];
    }
    EXPECT_GT(failures, 2) << step.what;
    EXPECT_TRUE(gridIsRectangular(step.samples, step.storages)) << step.what;
  }
}

TEST_F(ModelFixture, OutOfMemoryWhileAddingMeasurementsKeepsTheSeries) {
  newDataSet(1, 1);
  struct Journal : test::RecordingBackup {
    void beforeEvent() override { test::failAllocationAfter(-1); }
  } journal;
  model.setBackupSink(&journal);
  for (long k = 0;; ++k) {
    test::failAllocationAfter(k);
    const int r = model.addMeasurements(0, 0, 6);
    test::failAllocationAfter(-1);
    if (r == 0)
      break;
    ASSERT_EQ(ModelCannotCreate, r) << k;
    ASSERT_EQ(1, model.measurementCount(0, 0)) << k;
  }
  EXPECT_EQ(6, model.measurementCount(0, 0));
}

TEST_F(ModelFixture, MeasurementsPastTheLimit) {
  newDataSet(1, 1);
  EXPECT_EQ(0, model.addMeasurements(0, 0, 4));
  EXPECT_EQ(4, model.measurementCount(0, 0));
  EXPECT_EQ(ModelMeasurementLimit, model.addMeasurements(0, 0, 12));
  EXPECT_EQ(10, model.measurementCount(0, 0));
  EXPECT_EQ(std::vector<std::string>{"Maximum Measurings number already available"}, log.lines);
  EXPECT_EQ(9, model.measurementAt(0, 0, 9)->measurementIndex);
  EXPECT_EQ(ModelNoStorage, model.addMeasurements(0, 1, 2));
  // A series already past a lowered limit: asking for the count it has is no growth.
  model.limits().setMaxMeasurements(20);
  ASSERT_EQ(0, model.addMeasurements(0, 0, 12));
  model.limits().setMaxMeasurements(10);
  log.lines.clear();
  EXPECT_EQ(0, model.addMeasurements(0, 0, 12));
  EXPECT_TRUE(log.lines.empty());
}

TEST_F(ModelFixture, LimitsAreClampedIntoTheirRange) {
  DataSetLimits& l = model.limits();
  l.setMaxMeasurements(5);
  EXPECT_EQ(10, l.maxMeasurements);
  l.setMaxMeasurements(500);
  EXPECT_EQ(100, l.maxMeasurements);
  l.setMaxSamples(-3);
  EXPECT_EQ(10, l.maxSamples);
  l.setMaxStorages(55);
  EXPECT_EQ(55, l.maxStorages);
  EXPECT_EQ(100, DataSetLimits::clampLimit(5'000'000'000LL));
}

TEST_F(ModelFixture, DeletingTheOnlyRecordIsRefused) {
  newDataSet(1, 1);
  model.resetChanges();
  backup.events.clear();
  EXPECT_EQ(ModelRefused, model.deleteSample({0, 0, 0}));
  EXPECT_EQ(ModelRefused, model.deleteStorage({0, 0, 0}));
  EXPECT_EQ(ModelMeasurementLimit, model.deleteMeasurement({0, 0, 0}));
  EXPECT_EQ((std::vector<std::string>{"Data set consists of at least one Sample",
                                      "Data set consists of at least one Storage",
                                      "Data set consists of at least one Measuring"}),
            log.lines);
  EXPECT_TRUE(gridIsRectangular(1, 1));
  EXPECT_EQ(0u, model.isChanged());
  // A refused deletion must not reach the journal: replayed after a crash it would delete.
  EXPECT_TRUE(backup.events.empty());
  EXPECT_TRUE(ui.popups().empty());
}

TEST_F(ModelFixture, DeletingRecordsThatDoNotExist) {
  newDataSet(2, 2);
  backup.events.clear();
  EXPECT_EQ(ModelNoSuchRecord, model.deleteSample({5, 0, 0}));
  EXPECT_EQ(ModelNoSuchRecord, model.deleteStorage({0, -1, 0}));
  EXPECT_EQ(ModelNoSuchRecord, model.deleteSample({2, 0, 0}));  // one past the last
  EXPECT_EQ(ModelNoSuchRecord, model.deleteStorage({0, 2, 0})); // one past the last
  model.addMeasurements(0, 0, 2);
  backup.events.clear();
  EXPECT_EQ(ModelNoSuchRecord, model.deleteMeasurement({0, 0, 2}));
  EXPECT_EQ(ModelNoStorage, model.deleteMeasurement({0, 7, 0}));
  EXPECT_TRUE(backup.events.empty());
  EXPECT_TRUE(gridIsRectangular(2, 2));
}

TEST_F(ModelFixture, SelectionAfterDeletingSamples) {
  newDataSet(4, 2);
  ds().currentSample = 3;
  EXPECT_EQ(0, model.deleteSample({3, 0, 0}));
  EXPECT_EQ(2, ds().currentSample);
  EXPECT_EQ("delete sample 3/0/0", backup.events.back());
  // Deleting a row before the selection leaves the index, which now names the next record.
  ds().currentSample = 1;
  EXPECT_EQ(0, model.deleteSample({0, 0, 0}));
  EXPECT_EQ(1, ds().currentSample);
  EXPECT_EQ("P3", model.currentSample()->name);
  // Index fields stay stale until renumbering.
  EXPECT_EQ(1, model.sampleAt(0)->index);
  model.renumber();
  EXPECT_EQ(0, model.sampleAt(0)->index);
  EXPECT_EQ(0, model.measurementAt(0, 1, 0)->sampleIndex);
  EXPECT_EQ(2, ds().sampleCount);
}

TEST_F(ModelFixture, DeletingAStorageRemovesTheColumnEverywhere) {
  newDataSet(3, 3);
  ds().currentStorage = 2;
  model.resetChanges();
  EXPECT_EQ(0, model.deleteStorage({1, 2, 0}));
  EXPECT_TRUE(gridIsRectangular(3, 2));
  EXPECT_EQ(1, ds().currentStorage);
  EXPECT_NE(0u, model.isChanged());
  EXPECT_EQ("delete storage 1/2/0", backup.events.back());
  EXPECT_EQ(0, model.deleteStorage({0, 0, 0}));
  EXPECT_EQ("L2", model.storageAt(2, 0)->name);
}

TEST_F(ModelFixture, DeletingAMeasurementClampsTheSelection) {
  newDataSet(1, 2);
  model.addMeasurements(0, 1, 3);
  ds().currentStorage = 1;
  ds().currentMeasurement = 2;
  allocPoints(*model.measurementAt(0, 1, 2), 100);
  EXPECT_EQ(0, model.deleteMeasurement({0, 1, 2}));
  EXPECT_EQ(2, model.currentMeasurementCount());
  EXPECT_EQ(1, ds().currentMeasurement);
  EXPECT_EQ("delete measurement 0/1/2", backup.events.back());
}

TEST_F(ModelFixture, RenumberValidatesAgainstTheActiveDevice) {
  newDataSet(2, 2);
  BuiltInDeviceLists device;
  device.areas.insert(2.5);
  model.setDeviceLists(&device);
  StorageCondition* st = model.storageAt(1, 1);
  st->range = 25.0;
  st->speed = 200.0;
  st->area = 2.5;
  model.storageAt(0, 0)->area = 2.6;
  EXPECT_EQ(0, model.renumber());
  EXPECT_EQ(10.0, st->range); // not a piston of the device: its first piston
  EXPECT_EQ(200.0, st->speed);
  EXPECT_EQ(2.5, st->area);
  EXPECT_EQ(1.0, model.storageAt(0, 0)->area);
  // Measurements keep the values they were taken with.
  model.measurementAt(0, 0, 0)->range = 25.0;
  model.renumber();
  EXPECT_EQ(25.0, model.measurementAt(0, 0, 0)->range);
}

TEST_F(ModelFixture, RenumberClampsStatusFlagsAndSelection) {
  newDataSet(1, 2);
  model.addMeasurements(0, 0, 3);
  ds().currentMeasurement = 2;
  Measurement& m = *model.measurementAt(0, 0, 1);
  m.status = 9;
  m.inStatistics = -1;
  EXPECT_STREQ("Invalid", measurementStatusText(m.status, lang));
  Measurement& other = *model.measurementAt(0, 0, 2);
  other.status = -4;
  other.inStatistics = 7;
  EXPECT_EQ(0, model.renumber());
  EXPECT_EQ(5, m.status);
  EXPECT_EQ(0, m.inStatistics);
  EXPECT_EQ(0, other.status);
  EXPECT_EQ(1, other.inStatistics);
  // The series of 3 and the series of 1: the selection ends below the smaller one.
  EXPECT_EQ(0, ds().currentMeasurement);
  EXPECT_EQ(4, ds().measurementTotal);
}

TEST_F(ModelFixture, RenumberKeepsTheRateOfARecordedCurve) {
  newDataSet(1, 1);
  model.addMeasurements(0, 0, 2);
  model.measurementAt(0, 0, 0)->curveRate = 1000;
  model.measurementAt(0, 0, 1)->curveRate = 0;
  model.renumber();
  EXPECT_EQ(1000, model.measurementAt(0, 0, 0)->curveRate);
  EXPECT_EQ(1, model.measurementAt(0, 0, 1)->curveRate);
}

TEST(MeasurementStatusText, BothLanguagesAndOutOfRange) {
  Language en;
  Language de{0};
  EXPECT_STREQ("Measuring Valid", measurementStatusText(5, en));
  EXPECT_STREQ("Messung g\xFCltig", measurementStatusText(5, de));
  EXPECT_STREQ("Invalid", measurementStatusText(6, en));
  EXPECT_STREQ("Ung\xFCltig", measurementStatusText(-1, de));
}

TEST_F(ModelFixture, NameLookups) {
  newDataSet(3, 3);
  EXPECT_EQ(-1, model.findSampleName("P2", 1)); // renaming to its own name
  EXPECT_EQ(2, model.findSampleName("P2", 0));  // a duplicate: index + 1
  EXPECT_EQ(0, model.findSampleName("p2", 0));  // case-sensitive
  EXPECT_EQ(0, model.findSampleName("P4", 0));
  EXPECT_EQ(3, model.findStorageName("L3", 1, 0));
  EXPECT_EQ(-1, model.findStorageName("L3", 1, 2));
  EXPECT_EQ(0, model.findStorageName("L3", 7, 0));
  // A name is compared as it would be stored: 29 bytes.
  const std::string stored(29, 'x');
  model.sampleAt(2)->name = stored;
  EXPECT_EQ(3, model.findSampleName(stored + "yyyy", 0));
}

TEST_F(ModelFixture, LookupsNeverIndexOutOfRange) {
  newDataSet(2, 2);
  EXPECT_EQ(nullptr, model.sampleAt(-1));
  EXPECT_EQ(nullptr, model.sampleAt(2));
  EXPECT_EQ(nullptr, model.storageAt(0, 2));
  EXPECT_EQ(nullptr, model.storageAt(-1, 0));
  EXPECT_EQ(nullptr, model.measurementAt(0, 0, 1));
  EXPECT_NE(nullptr, model.measurementAt(1, 1, 0));
  EXPECT_EQ(0, model.measurementCount(5, 5));
  ds().currentSample = 9;
  EXPECT_EQ(nullptr, model.currentStorage());
  EXPECT_EQ(0, model.currentMeasurementCount());
  model.clampCurrentSample();
  EXPECT_EQ(1, ds().currentSample);
}

TEST_F(ModelFixture, ChangeCounters) {
  newDataSet(1, 1);
  model.resetChanges();
  EXPECT_EQ(0u, model.isChanged());
  EXPECT_EQ(0u, model.storageAt(0, 0)->saveChanges);
  backup.events.clear();

  model.markChanged(*model.measurementAt(0, 0, 0));
  model.markChanged(*model.storageAt(0, 0));
  model.markChanged(*model.sampleAt(0));
  model.markChanged(ds());
  EXPECT_EQ(4u, model.totals().totalSaveChanges);
  EXPECT_EQ(4u, model.totals().totalBackupChanges);
  EXPECT_EQ(1u, model.measurementAt(0, 0, 0)->backupChanges);
  EXPECT_EQ(1u, ds().saveChanges);
  EXPECT_EQ((std::vector<std::string>{"changed measurement 0/0/0", "changed storage 0/0/0",
                                      "changed sample 0/0/0", "changed header 0/0/0"}),
            backup.events);

  model.markTotalsChanged();
  EXPECT_EQ(5u, model.isChanged());
  model.resetChanges();
  EXPECT_EQ(0u, model.isChanged());
  EXPECT_EQ(0u, model.totals().totalBackupChanges);
  EXPECT_EQ(0u, model.measurementAt(0, 0, 0)->backupChanges);
  EXPECT_EQ(0u, ds().saveChanges);
}

TEST_F(ModelFixture, DeleteDropsTheDataSet) {
  newDataSet(2, 2);
  EXPECT_EQ(0, model.deleteDataSet());
  EXPECT_FALSE(model.hasDataSet());
  EXPECT_EQ(0, model.sampleCount());
  EXPECT_NE(0u, model.isChanged());
  EXPECT_EQ(ModelNoDataSet, model.addSamples(1));
  // A new one starts from the defaults again.
  model.defaults().identName = "Order 7";
  model.defaults().samplePrefix = "S";
  model.defaults().storagePrefix = "T";
  newDataSet(2, 4);
  EXPECT_EQ("Order 7", ds().identName);
  EXPECT_EQ("S2", model.sampleAt(1)->name);
  EXPECT_EQ("T4", model.storageAt(1, 3)->name);
}

TEST_F(ModelFixture, FixedFieldsKeepTheirTerminator) {
  model.defaults().evaluation = std::string(31, 'E');
  model.defaults().identNumber = std::string(120, 'N');
  model.defaults().storagePrefix = std::string(29, 'L');
  newDataSet(1, 12);
  EXPECT_EQ(std::string(19, 'E'), model.storageAt(0, 0)->evaluation);
  EXPECT_EQ(79u, ds().identNumber.size());
  EXPECT_EQ(29u, model.storageAt(0, 11)->name.size());
}

TEST_F(ModelFixture, DefaultsComeFromTheActiveDevice) {
  BuiltInDeviceLists device;
  device.pistons.insert(5.0);
  device.speeds.insert(50.0);
  device.areas.insert(0.5);
  model.setDeviceLists(&device);
  model.markTotalsChanged();
  model.initDefaults();
  EXPECT_EQ(5.0, model.defaults().defaultRange);
  EXPECT_EQ(50.0, model.defaults().defaultSpeed);
  EXPECT_EQ(0.5, model.defaults().defaultArea);
  EXPECT_EQ(0u, model.isChanged());
  newDataSet(1, 1);
  EXPECT_EQ(0.5, model.storageAt(0, 0)->area);
  EXPECT_EQ(0.5, model.measurementAt(0, 0, 0)->area);
}

TEST_F(ModelFixture, NewMeasurementGetsItsBondTension) {
  struct Factors : BondTensionSource {
    BondTensionFactors bondTensionFactors() const override { return {0.25, 1000.0}; }
  } factors;
  model.setBondTensionSource(&factors);
  newDataSet(1, 1);
  model.storageAt(0, 0)->area = 2.0;
  model.addMeasurements(0, 0, 2);
  EXPECT_EQ(0.25, model.measurementAt(0, 0, 1)->bondTension);
  EXPECT_EQ(2.0, model.measurementAt(0, 0, 1)->area);
}

TEST(PointsBuffer, AllocateAndFree) {
  Measurement m;
  EXPECT_EQ(800, allocPoints(m, 100));
  EXPECT_EQ(100u, m.points.size());
  EXPECT_EQ(100, m.pointCount);
  m.points[99] = 4.5;
  EXPECT_EQ(80, allocPoints(m, 10));
  EXPECT_EQ(0.0, m.points[9]);
  EXPECT_EQ(0, allocPoints(m, 0));
  EXPECT_FALSE(m.hasPoints());
  // A byte size that does not fit the result is refused, never wrapped.
  EXPECT_EQ(ModelOutOfMemory, allocPoints(m, 300'000'000));
  EXPECT_FALSE(m.hasPoints());
  allocPoints(m, 3);
  freePoints(m);
  EXPECT_FALSE(m.hasPoints());
  EXPECT_EQ(0, m.pointCount);
}

} // namespace
} // namespace zv
