#pragma once
// A whole graph and backup store around a data set model, on a file system that can be told
// to fail, with the small data file handling of zv_simple_datafile.hpp. restart() throws the
// program state away and builds it afresh on the same files, as a new process would.
#include <cmath>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "common/zv_fake_ui.hpp"
#include "common/zv_simple_datafile.hpp"
#include "common/zv_testdir.hpp"
#include "core/zv_auftr_def.hpp"
#include "storage/zv_graphfile.hpp"
#include "storage/zv_restore.hpp"
#include "support/zv_backup_journal.hpp"
#include "support/zv_graphfile_store.hpp"

namespace zv::test {

struct GraphBackupFixture : ::testing::Test {
  TestDir dir;
  FakeClock clock;
  ErrorLog errorLog{clock, dir.path()};
  ScriptedUi ui;
  RecordingLog log;
  Reporter reporter{errorLog, ui};
  Language lang;
  FaultyFileSystem fs;
  std::unique_ptr<GraphBackupWorld> world;
  std::filesystem::path dataFile;

  GraphBackupFixture() {
    reporter.setLogTarget(&log);
    world = std::make_unique<GraphBackupWorld>(reporter, lang, fs, dir.path());
    dataFile = dir.path() / "ORDER.BIN";
  }

  AuftrModel& model() { return world->model; }
  BackupStore& store() { return world->store; }
  SimpleDataFiles& files() { return world->files; }
  std::filesystem::path journalPath() const { return dir.path() / "Backup" / "ZARVIK.BAK"; }
  std::filesystem::path graphPath() const { return GraphFileStore::graphPathFor(dataFile); }

  // A new process on the same files.
  void restart() {
    fs.clearFaults();
    world.reset();
    world = std::make_unique<GraphBackupWorld>(reporter, lang, fs, dir.path());
  }

  // A new data set of samples x storages with `measurements` slots each, saved to dataFile
  // (which starts its backup), measurements 0 of every storage holding a curve.
  void newSavedDataSet(int samples, int storages, int measurements, int points = 200) {
    ASSERT_EQ(0, model().auftrCreate());
    ASSERT_EQ(0, model().auftrAddSamples(samples));
    ASSERT_EQ(0, model().auftrAddStorages(storages));
    for (int s = 0; s < samples; ++s)
      for (int t = 0; t < storages; ++t) {
        ASSERT_EQ(0, model().auftrAddMeasurements(s, t, measurements));
        Measurement& m = *model().auftrMeasurement(s, t, 0);
        setResult(m, 1.0 + s + 0.1 * t, points, 100 * s + 10 * t);
      }
    ASSERT_EQ(0, model().auftrRenumber());
    files().setCurrentDataFile(dataFile);
    ASSERT_EQ(0, files().save());
    ASSERT_EQ(0, files().lastRefresh);
  }

  // What the measurement control leaves in a finished measurement.
  static void setResult(Measurement& m, double force, int points, int seed) {
    m.force = force;
    m.status = 5;
    m.inStatistics = 1;
    m.channel = 1;
    m.deviceName = "Tester " + std::to_string(seed % 7);
    m.curveRate = 1000 + seed;
    m.points = testCurve(points, seed);
    m.pointCount = points;
  }

  // A finished measurement as the measurement control reports it.
  void finish(int s, int t, int k, double force, int points, int seed) {
    Measurement* m = model().auftrMeasurement(s, t, k);
    ASSERT_NE(nullptr, m);
    setResult(*m, force, points, seed);
    model().auftrMarkChanged(*m);
    ASSERT_EQ(0, store().backupMeasurementFinished(*m));
  }
};

} // namespace zv::test
