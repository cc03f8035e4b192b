#pragma once
// A data set model with a recording reporter and scripted Ui, data sets with a distinct value
// in every stored field, a field-by-field comparison, and recording graph/backup hooks.
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/zv_fake_ui.hpp"
#include "common/zv_fakes.hpp"
#include "common/zv_reporting.hpp"
#include "common/zv_testdir.hpp"
#include "core/zv_dataset.hpp"
#include "platform/zv_latin1.hpp"
#include "storage/zv_datafile_hooks.hpp"
#include "support/zv_errorlog.hpp"
#include "support/zv_message.hpp"

namespace zv::test {

// A progress dialog whose Stop is pressed at the given update; it keeps every percentage.
class StopAt : public Progress {
public:
  explicit StopAt(int update) : stopAt_(update) {}
  bool update(int percent) override {
    seen.push_back(percent);
    return static_cast<int>(seen.size()) >= stopAt_;
  }
  std::vector<int> seen;

private:
  int stopAt_;
};

struct ModelRig : Reporting {
  DataSetModel model{reporter, lang};

  ModelRig() : Reporting("log") {}
};

// S samples of T storages holding counts[(i * T + j) % counts.size()] measurements each;
// every stored field gets a value that tells where it belongs. All ranges, speeds and areas
// are entries of the built-in device lists.
inline void buildDataSet(DataSetModel& model, int samples, int storages,
                         const std::vector<int>& counts) {
  ASSERT_EQ(model.createDataSet(), 0);
  ASSERT_EQ(model.addSamples(samples), 0);
  ASSERT_EQ(model.addStorages(storages), 0);
  DataSet& d = *model.dataSet();
  d.identNumber = "ID-4711";
  d.identName = "Stahlträger Süd"_l1;
  d.title = "[N/mm2]";
  for (int i = 0; i < samples; ++i) {
    Sample& s = d.samples[static_cast<std::size_t>(i)];
    s.name = "S" + std::to_string(i * 7 + 1);
    for (int j = 0; j < storages; ++j) {
      const int n = counts[static_cast<std::size_t>(i * storages + j) % counts.size()];
      ASSERT_EQ(model.addMeasurements(i, j, n), 0);
      StorageCondition& t = s.storages[static_cast<std::size_t>(j)];
      t.name = "T" + std::to_string(i) + "-" + std::to_string(j);
      t.evaluation = (i + j) % 2 ? "A/B" : "";
      t.range = 10.0 * ((i + j) % 3 + 1);
      t.speed = 100.0 * ((i + 2 * j) % 3 + 1);
      t.area = 1.0 * ((2 * i + j) % 3 + 1);
      for (int k = 0; k < static_cast<int>(t.measurements.size()); ++k) {
        Measurement& m = t.measurements[static_cast<std::size_t>(k)];
        m.force = i * 1000 + j * 10 + k + 0.125;
        m.pointCount = k * 7 + i;
        m.inStatistics = k % 2;
        m.status = (i + j + k) % 6;
        m.channel = (i + k) % 2;
        m.deviceName = "Tester " + std::to_string(j);
        m.curveRate = 1000 + k;
        m.range = 20.0;
        m.area = 2.0 + k;
        m.speed = 300.0 - k;
      }
    }
  }
  model.renumber();
  model.resetChanges();
}

// What a data set file keeps, one line per record, for comparing two data sets. withCurveRate:
// the binary file keeps the measurement's speed and curve rate, text does not.
inline std::string contentText(const DataSet& d, bool withCurveRate) {
  std::ostringstream o;
  o.precision(17);
  o << d.identNumber << '|' << d.identName << '|' << d.title << '\n';
  for (const Sample& s : d.samples) {
    o << s.name << '\n';
    for (const StorageCondition& t : s.storages) {
      o << " " << t.name << '|' << t.evaluation << ' ' << t.range << ' ' << t.speed << ' ' << t.area
        << '\n';
      for (const Measurement& m : t.measurements) {
        o << "  " << m.force << ' ' << m.pointCount << ' ' << m.inStatistics << ' ' << m.status
          << ' ' << m.channel << ' ' << m.deviceName.view() << ' ' << m.range << ' ' << m.area;
        if (withCurveRate)
          o << ' ' << m.speed << ' ' << m.curveRate;
        o << '\n';
      }
    }
  }
  return o.str();
}
inline void expectSameContent(const DataSet& a, const DataSet& b, bool withCurveRate) {
  EXPECT_EQ(contentText(a, withCurveRate), contentText(b, withCurveRate));
}

// Records the graph and backup calls and answers them with the codes a test sets.
class RecordingHooks : public GraphBackupHooks {
public:
  std::vector<std::string> calls;
  int graphSaveResult = 0;
  int graphLoadResult = 0;
  int refreshResult = 0;
  int closeBackupResult = 0;

  int graphSave(const std::string& path) override {
    calls.push_back("graphSave " + path);
    return graphSaveResult;
  }
  int graphLoad(const std::string& path) override {
    calls.push_back("graphLoad " + path);
    return graphLoadResult;
  }
  int graphFileCloseAll() override {
    calls.push_back("graphFileCloseAll");
    return 0;
  }
  int refreshBackup(const std::string& path) override {
    calls.push_back("refreshBackup " + path);
    return refreshResult;
  }
  int closeBackup() override {
    calls.push_back("closeBackup");
    return closeBackupResult;
  }
};

} // namespace zv::test
