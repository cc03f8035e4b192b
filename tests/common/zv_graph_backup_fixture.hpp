#pragma once
// The whole graph and backup store around a data set model with the program's own data file
// handling, wired as the program wires them, on a file system that can be told to fail (so a
// fault reaches the data file, the graph file and the journal alike). The file dialogs and
// questions go to a ScriptedUi. restart() throws the program state away and builds it afresh
// on the same files, as a new process would.
#include <memory>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "common/zv_datafile_driver.hpp"
#include "common/zv_dataset_describe.hpp"
#include "common/zv_fake_ui.hpp"
#include "common/zv_reporting.hpp"
#include "common/zv_testdir.hpp"
#include "core/zv_dataset.hpp"
#include "storage/zv_datafile.hpp"
#include "storage/zv_graphfile.hpp"
#include "storage/zv_restore.hpp"
#include "support/zv_backup_journal.hpp"
#include "support/zv_graphfile_store.hpp"
#include "support/zv_texts.hpp"

namespace zv::test {

// The model, the graph and backup store and the data file handling of one process; userDir
// holds the Graph and Backup directories.
struct GraphBackupWorld {
  GraphBackupWorld(Reporter& reporter, Ui& ui, const Language& lang, FileSystem& fs,
                   const std::filesystem::path& userDir)
      : model(reporter, lang), graphStore(fs), journal(fs), graph(model, graphStore, reporter, fs),
        store(model, graph, journal, reporter, lang, fs),
        handler({model, reporter, ui, lang, texts, fs}), access(handler),
        files(handler, reporter.errorLog()) {
    texts.select(lang);
    model.setBackupSink(&store);
    store.setMeasuringQuery([this] { return measuring; });
    graphStore.GraphFileSetTempDir(userDir / "Graph" / "");
    journal.SetBackupDir(userDir / "Backup" / "");
    model.initDefaults();
    handler.dataFileInit();
    handler.setHooks(&store);
    handler.setBackupDirectoryCheck(
        [this](const std::filesystem::path& p) { return journal.CmpFilePathToBackupDir(p) != 0; });
    store.setDataFileAccess(&access);
  }
  GraphBackupWorld(const GraphBackupWorld&) = delete;
  GraphBackupWorld& operator=(const GraphBackupWorld&) = delete;

  DataSetModel model;
  GraphFileStore graphStore;
  BackupJournal journal;
  GraphFile graph;
  BackupStore store;
  ProgramTexts texts;
  DataFileHandler handler;
  DataFileRestoreAccess access;
  DataFileDriver files;
  bool measuring = false;

  std::string describe() {
    return describeDataSet(model, [this](Measurement& m) { graph.graphReadCurve(&m); });
  }
};

struct GraphBackupFixture : ::testing::Test, Reporting {
  FaultyFileSystem fs;
  std::unique_ptr<GraphBackupWorld> world;
  std::filesystem::path dataFile;

  GraphBackupFixture() {
    world = std::make_unique<GraphBackupWorld>(reporter, ui, lang, fs, dir.path());
    dataFile = dir.path() / "ORDER.BIN";
  }

  DataSetModel& model() { return world->model; }
  BackupStore& store() { return world->store; }
  DataFileDriver& files() { return world->files; }
  DataFileHandler& handler() { return world->handler; }
  std::filesystem::path journalPath() const { return dir.path() / "Backup" / "ZARVIK.BAK"; }
  std::filesystem::path graphPath() const { return GraphFileStore::graphPathFor(dataFile); }

  // A new process on the same files.
  void restart() {
    fs.clearFaults();
    world.reset();
    world = std::make_unique<GraphBackupWorld>(reporter, ui, lang, fs, dir.path());
  }

  // A new process that opens the saved data file as File > Open does.
  void reopen() {
    restart();
    ASSERT_EQ(0, files().open(dataFile));
  }
  // An empty directory and a new process holding a new saved data set, opened again.
  void startOver(int samples, int storages, int measurements, int points) {
    world.reset(); // the last session ends as a crashed one does: the system closes its files
    for (auto& e : std::filesystem::directory_iterator(dir.path()))
      std::filesystem::remove_all(e.path());
    restart();
    newSavedDataSet(samples, storages, measurements, points);
    reopen();
  }

  // A new data set of samples x storages with `measurements` slots each, saved to dataFile
  // (which starts its backup), measurements 0 of every storage holding a curve.
  void newSavedDataSet(int samples, int storages, int measurements, int points = 200) {
    ASSERT_EQ(0, model().createDataSet());
    ASSERT_EQ(0, model().addSamples(samples));
    ASSERT_EQ(0, model().addStorages(storages));
    for (int s = 0; s < samples; ++s)
      for (int t = 0; t < storages; ++t) {
        ASSERT_EQ(0, model().addMeasurements(s, t, measurements));
        Measurement& m = *model().measurementAt(s, t, 0);
        setResult(m, 1.0 + s + 0.1 * t, points, 100 * s + 10 * t);
      }
    ASSERT_EQ(0, model().renumber());
    ASSERT_EQ(0, files().saveAs(dataFile));
    ASSERT_EQ(0, files().lastRefresh());
    ASSERT_TRUE(store().backupActive());
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
    Measurement* m = model().measurementAt(s, t, k);
    ASSERT_NE(nullptr, m);
    setResult(*m, force, points, seed);
    model().markChanged(*m);
    ASSERT_EQ(0, store().backupMeasurementFinished(*m));
  }

  // The answers of a start-up restore: the reload question's answer and, for a reload, the
  // file the save dialog answers (confirming the overwrite question when the file exists).
  // Answers not asked for are dropped by endRestore().
  void scriptRestore(int answer, std::optional<std::filesystem::path> saveTo) {
    ui.askAnswers = {answer};
    if (answer == 0) {
      ui.fileAnswers = {saveTo};
      ui.askAnswers.push_back(0);
    }
    shownMark_ = ui.shown.size();
  }
  void endRestore() {
    ui.askAnswers.clear();
    ui.fileAnswers.clear();
  }
  // The restore's questions and dialogs since scriptRestore, by kind.
  int shownSinceScript(const std::string& kind, const std::string& title = {}) const {
    int n = 0;
    for (std::size_t i = shownMark_; i < ui.shown.size(); ++i)
      if (ui.shown[i].kind == kind && (title.empty() || ui.shown[i].title == title))
        ++n;
    return n;
  }
  // Questions of the reload (titled as the backup's question) since scriptRestore.
  int reloadQuestions() const { return shownSinceScript("ask", "ZARVIK - Backup"); }

private:
  std::size_t shownMark_ = 0;
};

} // namespace zv::test
