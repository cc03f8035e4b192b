#include <gtest/gtest.h>

#include <tuple>

#include "common/zv_fake_ui.hpp"
#include "common/zv_reporting.hpp"
#include "core/zv_alloc_failure.hpp"
#include "core/zv_dataset.hpp"
#include "core/zv_evaluation_list.hpp"

namespace zv::test {
namespace {

// A data set model wired to scripted ports and a journal that records what it hears.
class RecordingBackup : public BackupSink {
public:
  std::vector<std::string> events;

  // Called before an event is recorded.
  virtual void beforeEvent() {}

  static std::string at(const Selection& s) {
    return std::to_string(s.sample) + "/" + std::to_string(s.storage) + "/" +
           std::to_string(s.measurement);
  }
  // Like the real journal, a written record counts as backed up. The text is made after
  // beforeEvent(), which may switch off an injected allocation failure.
  void headerCreated(DataSet& d) override {
    note([] { return std::string("header"); });
    d.backupChanges = 0;
  }
  void sampleCreated(Sample& s) override {
    note([&] { return "sample " + std::to_string(s.index); });
    s.backupChanges = 0;
  }
  void storageCreated(StorageCondition& t) override {
    note([&] { return "storage " + at({t.sampleIndex, t.storageIndex, 0}); });
    t.backupChanges = 0;
  }
  void measurementCreated(Measurement& m) override {
    note([&] { return "measurement " + at({m.sampleIndex, m.storageIndex, m.measurementIndex}); });
    m.backupChanges = 0;
  }
  void sampleDeleted(const Selection& s) override {
    note([&] { return "delete sample " + at(s); });
  }
  void storageDeleted(const Selection& s) override {
    note([&] { return "delete storage " + at(s); });
  }
  void measurementDeleted(const Selection& s) override {
    note([&] { return "delete measurement " + at(s); });
  }
  void recordChanged(RecordKind kind, const Selection& s) override {
    static const char* names[] = {"header", "sample", "storage", "measurement"};
    note([&] { return std::string("changed ") + names[static_cast<int>(kind)] + " " + at(s); });
  }
  template <class Text> void note(Text text) {
    beforeEvent();
    events.push_back(text());
  }
  int count(const std::string& prefix) const {
    int n = 0;
    for (const auto& e : events)
      n += e.rfind(prefix, 0) == 0;
    return n;
  }
};

struct ModelFixture : ::testing::Test, Reporting {
  DataSetModel model{reporter, lang};
  RecordingBackup backup;

  ModelFixture() { model.setBackupSink(&backup); }

  // The way a new data set is built.
  void newDataSet(int samples, int storages) {
    ASSERT_EQ(0, model.createDataSet());
    ASSERT_EQ(0, model.addSamples(samples));
    ASSERT_EQ(0, model.addStorages(storages));
    ASSERT_EQ(0, model.renumber());
  }
  DataSet& ds() { return *model.dataSet(); }

  // Every sample has the same number of storages, each with at least one measurement.
  ::testing::AssertionResult gridIsRectangular(int samples, int storages) {
    if (model.sampleCount() != samples)
      return ::testing::AssertionFailure() << "samples " << model.sampleCount();
    for (int s = 0; s < samples; ++s) {
      const Sample* sample = model.sampleAt(s);
      if (static_cast<int>(sample->storages.size()) != storages)
        return ::testing::AssertionFailure()
               << "sample " << s << " has " << sample->storages.size() << " storages";
      for (const auto& t : sample->storages)
        if (t.measurements.empty())
          return ::testing::AssertionFailure() << "storage without measurement in sample " << s;
    }
    return ::testing::AssertionSuccess();
  }
};

using Texts = std::vector<std::string>;
using Codes = std::vector<int>;

TEST_F(ModelFixture, NewDataSetFromBuiltInDefaults) {
  newDataSet(3, 3);
  EXPECT_TRUE(gridIsRectangular(3, 3));
  EXPECT_EQ((std::tuple{"[N/mm2]", "--", "New", 3, 3, 9}),
            (std::tuple{ds().title, ds().identNumber, ds().identName, ds().sampleCount,
                        ds().storageCount, ds().measurementTotal}));
  // Every cell is built alike; the last sample's middle storage stands for them.
  const StorageCondition& st = *model.storageAt(2, 1);
  const Measurement& m = st.measurements[0];
  EXPECT_EQ((std::tuple{"P3", "L2", 2, 1}),
            (std::tuple{model.sampleAt(2)->name, st.name, st.sampleIndex, st.storageIndex}));
  EXPECT_EQ((std::tuple{10.0, 100.0, 1.0, 31.45, 99.0}),
            (std::tuple{st.range, st.speed, st.area, st.mean, st.maximum}));
  EXPECT_EQ((std::tuple{0, 0, 1, -1, st.range, st.speed, st.area, false}),
            (std::tuple{m.status, m.inStatistics, m.curveRate, m.graphFilePos, m.range, m.speed,
                        m.area, m.hasPoints()}));
  EXPECT_NE(0u, model.isChanged());
  // The journal hears the header, the samples, then each sample's storages with their
  // measurement, and every written record counts as backed up.
  ASSERT_EQ(1u + 3 + 9 + 9, backup.events.size());
  EXPECT_EQ(
      (Texts{"header", "sample 0", "storage 0/0/0", "measurement 0/0/0", "measurement 2/2/0"}),
      (Texts{backup.events[0], backup.events[1], backup.events[4], backup.events[5],
             backup.events.back()}));
  EXPECT_EQ((std::tuple{0u, 1u}),
            (std::tuple{model.storageAt(2, 2)->backupChanges, model.storageAt(2, 2)->saveChanges}));
}

TEST_F(ModelFixture, SamplesPastTheLimitKeepTheGridRectangular) {
  newDataSet(3, 3);
  EXPECT_EQ(ModelLimitReached, model.addSamples(25));
  EXPECT_TRUE(gridIsRectangular(20, 3));
  // Every new storage reached the journal.
  EXPECT_EQ((std::tuple{"P20", Texts{"Maximum Sample number already available"}, 0u, 9 + 17 * 3}),
            (std::tuple{model.sampleAt(19)->name, log.lines, ui.popups().size(),
                        backup.count("storage ")}));
  // At the limit nothing more is created, but the message repeats.
  EXPECT_EQ(ModelLimitReached, model.addSamples(21));
  EXPECT_TRUE(gridIsRectangular(20, 3));
  EXPECT_EQ(2u, log.lines.size());
  EXPECT_EQ(0, model.addSamples(5)); // a count already there is no growth
}

TEST_F(ModelFixture, StoragesPastTheLimitGrowEverySample) {
  newDataSet(3, 3);
  model.limits().setMaxStorages(12);
  EXPECT_EQ(ModelLimitReached, model.addStorages(15));
  EXPECT_TRUE(gridIsRectangular(3, 12));
  EXPECT_EQ(Texts{"Maximum Storage number already available"}, log.lines);
  EXPECT_EQ((std::tuple{"L12", 2}),
            (std::tuple{model.storageAt(2, 11)->name, model.storageAt(2, 11)->sampleIndex}));
}

// The journal hears of a growth only once it is complete; its own recording must not fail.
struct GrowthJournal : RecordingBackup {
  void beforeEvent() override { failAllocationAfter(-1); }
};

// Memory running out part-way through a growth drops what the call had built: the grid and the
// series stay as they were and the journal hears nothing of records that were never completed.
TEST_F(ModelFixture, OutOfMemoryDuringGrowthLeavesTheGridAsItWas) {
  newDataSet(2, 2);
  GrowthJournal journal;
  model.setBackupSink(&journal);
  struct Step {
    const char* what;
    int (*grow)(DataSetModel&);
    int samples, storages, failures; // the grid afterwards, the allocations that may fail
  };
  const Step steps[] = {
      {"storages", [](DataSetModel& m) { return m.addStorages(4); }, 2, 4, 3},
      {"samples", [](DataSetModel& m) { return m.addSamples(4); }, 4, 4, 3},
      {"measurements", [](DataSetModel& m) { return m.addMeasurements(0, 0, 6); }, 4, 4, 1},
  };
  for (const Step& step : steps) {
    int failures = 0;
    for (long k = 0;; ++k) {
      SCOPED_TRACE(std::string(step.what) + " " + std::to_string(k));
      const int samplesBefore = model.sampleCount(), storagesBefore = model.storageCount(),
                measurementsBefore = model.measurementCount(0, 0);
      journal.events.clear();
      log.lines.clear();
      failAllocationAfter(k);
      const int r = step.grow(model);
      failAllocationAfter(-1);
      if (r == 0)
        break;
      ++failures;
      ASSERT_EQ(ModelCannotCreate, r);
      ASSERT_TRUE(gridIsRectangular(samplesBefore, storagesBefore));
      ASSERT_EQ(measurementsBefore, model.measurementCount(0, 0));
      EXPECT_TRUE(journal.events.empty());
      ASSERT_EQ(1u, log.lines.size());
      EXPECT_NE(std::string::npos, log.lines[0].find("cannot be created")) << log.lines[0];
    }
    EXPECT_GE(failures, step.failures) << step.what;
    EXPECT_TRUE(gridIsRectangular(step.samples, step.storages)) << step.what;
  }
  EXPECT_EQ(6, model.measurementCount(0, 0));
}

TEST_F(ModelFixture, MeasurementsPastTheLimit) {
  newDataSet(1, 1);
  EXPECT_EQ((Codes{0, 4, ModelMeasurementLimit, 10}),
            (Codes{model.addMeasurements(0, 0, 4), model.measurementCount(0, 0),
                   model.addMeasurements(0, 0, 12), model.measurementCount(0, 0)}));
  EXPECT_EQ(Texts{"Maximum Measurings number already available"}, log.lines);
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
  const int lowMeasurements = l.maxMeasurements;
  l.setMaxMeasurements(500);
  l.setMaxSamples(-3);
  l.setMaxStorages(55);
  EXPECT_EQ((Codes{10, 100, 10, 55, 100}),
            (Codes{lowMeasurements, l.maxMeasurements, l.maxSamples, l.maxStorages,
                   DataSetLimits::clampLimit(5'000'000'000LL)}));
}

TEST_F(ModelFixture, DeletingTheOnlyRecordIsRefused) {
  newDataSet(1, 1);
  model.resetChanges();
  backup.events.clear();
  EXPECT_EQ((Codes{ModelRefused, ModelRefused, ModelMeasurementLimit}),
            (Codes{model.deleteSample({0, 0, 0}), model.deleteStorage({0, 0, 0}),
                   model.deleteMeasurement({0, 0, 0})}));
  EXPECT_EQ((Texts{"Data set consists of at least one Sample",
                   "Data set consists of at least one Storage",
                   "Data set consists of at least one Measuring"}),
            log.lines);
  EXPECT_TRUE(gridIsRectangular(1, 1));
  // A refused deletion must not reach the journal: replayed after a crash it would delete.
  EXPECT_EQ((std::tuple{0u, 0u, 0u}),
            (std::tuple{model.isChanged(), backup.events.size(), ui.popups().size()}));
}

TEST_F(ModelFixture, SelectionAfterDeletingSamples) {
  newDataSet(4, 2);
  ds().currentSample = 3;
  model.resetChanges();
  EXPECT_EQ((std::tuple{0, 2, "delete sample 3/0/0", true}),
            (std::tuple{model.deleteSample({3, 0, 0}), int{ds().currentSample},
                        std::string{backup.events.back()}, model.isChanged() != 0u}));
  // Deleting a row before the selection leaves the index, which now names the next record.
  ds().currentSample = 1;
  EXPECT_EQ(0, model.deleteSample({0, 0, 0}));
  EXPECT_EQ((std::tuple{1, "P3"}), (std::tuple{ds().currentSample, model.currentSample()->name}));
  EXPECT_EQ(1, model.sampleAt(0)->index); // index fields stay stale until renumbering
  model.renumber();
  EXPECT_EQ((Codes{0, 0, 2}), (Codes{model.sampleAt(0)->index,
                                     model.measurementAt(0, 1, 0)->sampleIndex, ds().sampleCount}));
}

TEST_F(ModelFixture, DeletingAStorageRemovesTheColumnEverywhere) {
  newDataSet(3, 3);
  ds().currentStorage = 2;
  model.resetChanges();
  EXPECT_EQ(0, model.deleteStorage({1, 2, 0}));
  EXPECT_TRUE(gridIsRectangular(3, 2));
  EXPECT_EQ((std::tuple{1, true, "delete storage 1/2/0", 0, "L2"}),
            (std::tuple{int{ds().currentStorage}, model.isChanged() != 0u,
                        std::string{backup.events.back()}, model.deleteStorage({0, 0, 0}),
                        model.storageAt(2, 0)->name}));
}

TEST_F(ModelFixture, DeletingAMeasurementClampsTheSelection) {
  newDataSet(1, 2);
  model.addMeasurements(0, 1, 3);
  ds().currentStorage = 1;
  ds().currentMeasurement = 2;
  allocPoints(*model.measurementAt(0, 1, 2), 100);
  EXPECT_EQ((std::tuple{0, 2, 1, "delete measurement 0/1/2"}),
            (std::tuple{model.deleteMeasurement({0, 1, 2}), model.currentMeasurementCount(),
                        ds().currentMeasurement, backup.events.back()}));
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
  model.measurementAt(0, 0, 0)->range = 25.0;
  EXPECT_EQ(0, model.renumber());
  // A range that is not a piston of the device becomes its first piston; an unknown area its
  // first area; measurements keep the values they were taken with.
  EXPECT_EQ((std::tuple{10.0, 200.0, 2.5, 1.0, 25.0}),
            (std::tuple{st->range, st->speed, st->area, model.storageAt(0, 0)->area,
                        model.measurementAt(0, 0, 0)->range}));
}

TEST_F(ModelFixture, RenumberClampsStatusFlagsSelectionAndRates) {
  newDataSet(1, 2);
  model.addMeasurements(0, 0, 3);
  ds().currentMeasurement = 2;
  Measurement& m = *model.measurementAt(0, 0, 0);
  Measurement& other = *model.measurementAt(0, 0, 1);
  Measurement& third = *model.measurementAt(0, 0, 2);
  std::tie(m.status, m.inStatistics, m.curveRate) = std::tuple{9, -1, 1000};
  std::tie(other.status, other.inStatistics, other.curveRate) = std::tuple{-4, 7, 0};
  third.status = 5;
  EXPECT_EQ(0, model.renumber());
  // A recorded curve keeps its rate; a rate of 0 becomes 1.
  EXPECT_EQ((Codes{5, 0, 1000, 0, 1, 1, 5}),
            (Codes{m.status, m.inStatistics, m.curveRate, other.status, other.inStatistics,
                   other.curveRate, third.status}));
  // The series of 3 and the series of 1: the selection ends below the smaller one.
  EXPECT_EQ((std::tuple{0, 4}), (std::tuple{ds().currentMeasurement, ds().measurementTotal}));
}

TEST_F(ModelFixture, NameLookups) {
  newDataSet(3, 3);
  // Renaming to its own name, a duplicate (index + 1), case-sensitive, unknown.
  EXPECT_EQ((Codes{-1, 2, 0, 0, 3, -1, 0}),
            (Codes{model.findSampleName("P2", 1), model.findSampleName("P2", 0),
                   model.findSampleName("p2", 0), model.findSampleName("P4", 0),
                   model.findStorageName("L3", 1, 0), model.findStorageName("L3", 1, 2),
                   model.findStorageName("L3", 7, 0)}));
  // A name is compared as it would be stored: 29 bytes.
  const std::string stored(29, 'x');
  model.sampleAt(2)->name = stored;
  EXPECT_EQ(3, model.findSampleName(stored + "yyyy", 0));
}

TEST_F(ModelFixture, ChangeCounters) {
  newDataSet(1, 1);
  model.resetChanges();
  EXPECT_EQ((std::tuple{0u, 0u}),
            (std::tuple{model.isChanged(), model.storageAt(0, 0)->saveChanges}));
  backup.events.clear();
  model.markChanged(*model.measurementAt(0, 0, 0));
  model.markChanged(*model.storageAt(0, 0));
  model.markChanged(*model.sampleAt(0));
  model.markChanged(ds());
  EXPECT_EQ((std::tuple{4u, 4u, 1u, 1u}),
            (std::tuple{model.totals().totalSaveChanges, model.totals().totalBackupChanges,
                        model.measurementAt(0, 0, 0)->backupChanges, ds().saveChanges}));
  EXPECT_EQ((Texts{"changed measurement 0/0/0", "changed storage 0/0/0", "changed sample 0/0/0",
                   "changed header 0/0/0"}),
            backup.events);
  model.markTotalsChanged();
  ASSERT_EQ(5u, model.isChanged());
  model.resetChanges();
  EXPECT_EQ((std::tuple{0u, 0u, 0u, 0u}),
            (std::tuple{model.isChanged(), model.totals().totalBackupChanges,
                        model.measurementAt(0, 0, 0)->backupChanges, ds().saveChanges}));
}

TEST_F(ModelFixture, DeleteDropsTheDataSetAndANewOneTakesTheDefaults) {
  newDataSet(2, 2);
  EXPECT_EQ((std::tuple{0, false, 0, true, ModelNoDataSet}),
            (std::tuple{model.deleteDataSet(), model.hasDataSet(), model.sampleCount(),
                        model.isChanged() != 0u, model.addSamples(1)}));
  model.defaults().identName = "Order 7";
  model.defaults().samplePrefix = "S";
  model.defaults().storagePrefix = "T";
  newDataSet(2, 4);
  EXPECT_EQ((std::tuple{"Order 7", "S2", "T4"}),
            (std::tuple{ds().identName, model.sampleAt(1)->name, model.storageAt(1, 3)->name}));
}

TEST_F(ModelFixture, FixedFieldsKeepTheirTerminator) {
  model.defaults().evaluation = std::string(31, 'E');
  model.defaults().identNumber = std::string(120, 'N');
  model.defaults().storagePrefix = std::string(29, 'L');
  newDataSet(1, 12);
  EXPECT_EQ(std::string(19, 'E'), model.storageAt(0, 0)->evaluation);
  EXPECT_EQ((std::tuple{79u, 29u}),
            (std::tuple{ds().identNumber.size(), model.storageAt(0, 11)->name.size()}));
}

TEST_F(ModelFixture, DefaultsAndBondTensionComeFromTheDevice) {
  BuiltInDeviceLists device;
  device.pistons.insert(5.0);
  device.speeds.insert(50.0);
  device.areas.insert(0.5);
  model.setDeviceLists(&device);
  model.markTotalsChanged();
  model.initDefaults();
  const DataSetDefaults& d = model.defaults();
  EXPECT_EQ((std::tuple{5.0, 50.0, 0.5}),
            (std::tuple{d.defaultRange, d.defaultSpeed, d.defaultArea}));
  EXPECT_EQ(0u, model.isChanged());
  struct Factors : BondTensionSource {
    BondTensionFactors bondTensionFactors() const override { return {0.25, 1000.0}; }
  } factors;
  model.setBondTensionSource(&factors);
  newDataSet(1, 1);
  EXPECT_EQ((std::tuple{0.5, 0.5}),
            (std::tuple{model.storageAt(0, 0)->area, model.measurementAt(0, 0, 0)->area}));
  model.storageAt(0, 0)->area = 2.0;
  model.addMeasurements(0, 0, 2);
  EXPECT_EQ((std::tuple{0.25, 2.0}), (std::tuple{model.measurementAt(0, 0, 1)->bondTension,
                                                 model.measurementAt(0, 0, 1)->area}));
}

TEST(PointsBuffer, AllocateAndFree) {
  Measurement m;
  EXPECT_EQ((std::tuple{true, 100u, 100}),
            (std::tuple{allocPoints(m, 100) > 0, m.points.size(), m.pointCount}));
  m.points[9] = 4.5;
  allocPoints(m, 10); // a new curve starts from zero
  EXPECT_EQ((std::tuple{0.0, 0, false}),
            (std::tuple{double{m.points[9]}, allocPoints(m, 0), m.hasPoints()}));
  // A byte size that does not fit the result is refused, never wrapped.
  EXPECT_EQ((std::tuple{ModelOutOfMemory, false}),
            (std::tuple{allocPoints(m, 300'000'000), m.hasPoints()}));
  allocPoints(m, 3);
  freePoints(m);
  EXPECT_EQ((std::tuple{false, 0}), (std::tuple{m.hasPoints(), m.pointCount}));
}

using EvaluationOfStorage = ModelFixture;

TEST_F(EvaluationOfStorage, CopiedIntoTheCurrentStorage) {
  newDataSet(2, 2);
  ds().currentSample = 1;
  ds().currentStorage = 1;
  model.resetChanges();
  EXPECT_EQ(0, setCurrentStorageEvaluation(model, std::string(20, 'K')));
  EXPECT_EQ((std::tuple{std::string(19, 'K'), 1u}),
            (std::tuple{model.storageAt(1, 1)->evaluation, model.storageAt(1, 1)->saveChanges}));
  EXPECT_NE(0u, model.isChanged());
}

} // namespace
} // namespace zv::test
