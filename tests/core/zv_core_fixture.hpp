#pragma once
// A data set model wired to scripted ports and a journal that records what it hears.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/zv_fake_ui.hpp"
#include "common/zv_reporting.hpp"
#include "common/zv_testdir.hpp"
#include "core/zv_dataset.hpp"

namespace zv::test {

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

} // namespace zv::test
