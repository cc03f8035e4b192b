// The backup of the open data set: what the model's creations, deletions and changes write,
// the replay after a crash (random sessions too) and the start-up reload. Crashes at every file
// change of a save or reload are the crash tests' (tests/crash).
#include <random>

#include <gtest/gtest.h>

#include "common/zv_graph_backup_fixture.hpp"

namespace zv {
namespace {

using std::filesystem::exists;
using test::GraphBackupFixture;

struct Obj {
  int type, s, t, k;
  std::uint32_t length;
  friend bool operator==(const Obj&, const Obj&) = default;
};

struct RestoreTest : GraphBackupFixture {
  // The objects of the journal, batch markers left out.
  std::vector<Obj> objects() {
    BackupJournal reader;
    std::vector<Obj> out;
    if (reader.OpenBackupFile(journalPath()) != 0)
      return out;
    BackupObjectHeader h;
    while (reader.ReadBackupHeader(h) > 0)
      if (h.type != 0)
        out.push_back({h.type, h.sampleIndex, h.storageIndex, h.measurementIndex, h.dataLength});
    return out;
  }
  // The data set as File > Open gives it, curves read from the graph file.
  std::string reopenedDataSet() {
    reopen();
    EXPECT_EQ(0, files().lastGraphLoad());
    return world->describe();
  }
  // A start after a crash, answering the reload question with `answer` if it comes and a
  // reload's save dialog with the data file.
  int startAfterCrash(int answer = 0) {
    restart();
    scriptRestore(answer, dataFile);
    const int r = store().reloadBackupAtStart();
    questions = reloadQuestions();
    endRestore();
    return r;
  }
  int questions = 0;
  Measurement& meas(int s, int t, int k) { return *model().measurementAt(s, t, k); }
};

// Creations and deletions reach the journal at once, without waiting for the next backup.
TEST_F(RestoreTest, CreationsAndDeletionsSurviveACrashWithoutABackup) {
  startOver(2, 2, 1, 30);
  ASSERT_EQ(0, model().addSamples(3));
  ASSERT_EQ(0, model().addMeasurements(0, 1, 3));
  ASSERT_EQ(0, model().deleteStorage({0, 0, 0}));
  ASSERT_EQ(0, model().deleteMeasurement({0, 0, 1}));
  const std::string expected = world->describe();
  EXPECT_EQ(0, startAfterCrash(0));
  EXPECT_EQ(expected, reopenedDataSet());
}

TEST_F(RestoreTest, CreationAfterDeletionUsesPositionsNotStaleIndices) {
  newSavedDataSet(3, 1, 1);
  ASSERT_EQ(0, model().deleteSample({0, 0, 0}));
  // No renumbering yet: the records still carry their old indices.
  ASSERT_EQ(0, model().addMeasurements(1, 0, 2));
  EXPECT_EQ((Obj{4, 1, 0, 1, 94}), objects().back());
}

TEST_F(RestoreTest, ChangesGoInOneBatchButNotWhileMeasuring) {
  newSavedDataSet(2, 2, 2);
  model().sampleAt(1)->name = "Renamed";
  model().markChanged(*model().sampleAt(1));
  meas(0, 1, 1).force = 3.25;
  model().markChanged(meas(0, 1, 1));
  model().dataSet()->title = "Title";
  model().markChanged(*model().dataSet());

  world->measuring = true;
  EXPECT_EQ(0, store().backupDataSet());
  EXPECT_TRUE(objects().empty());
  world->measuring = false;
  EXPECT_EQ(0, store().backupDataSet());
  const std::vector<Obj> expected = {{1, 0, 0, 0, 260}, {4, 0, 1, 1, 94}, {2, 1, 0, 0, 34}};
  EXPECT_EQ(expected, objects());
  EXPECT_EQ(0u, model().totals().totalBackupChanges);
  EXPECT_EQ(0u, meas(0, 1, 1).backupChanges);
  // Nothing changed since: nothing written.
  EXPECT_EQ(0, store().backupDataSet());
  EXPECT_EQ(expected, objects());
}

// After a close the journal is gone and stays gone.
TEST_F(RestoreTest, ClosingRemovesTheJournal) {
  ASSERT_EQ(0, model().createDataSet());
  ASSERT_EQ(0, model().addSamples(2));
  ASSERT_EQ(0, files().saveAs(dataFile));
  EXPECT_TRUE(exists(journalPath()));
  ASSERT_EQ(0, files().close());
  EXPECT_EQ((std::tuple{store().backupActive(), exists(journalPath())}),
            (std::tuple{false, false}));
}

TEST_F(RestoreTest, BackupFailuresNeverStopEditingAndAreToldOnce) {
  newSavedDataSet(2, 1, 1);
  ui.shown.clear();
  fs.failOn(FaultyFileSystem::Op::Write, std::errc::no_space_on_device, "ZARVIK.BAK");
  EXPECT_EQ(0, model().addSamples(3));
  EXPECT_EQ(0, model().deleteSample({0, 0, 0}));
  model().markChanged(*model().sampleAt(0));
  EXPECT_LT(store().backupDataSet(), 0);
  EXPECT_EQ(2, model().sampleCount());
  EXPECT_NE(std::string::npos, errorLogText().find("Fehler bei Sicherung"));
  // Measuring goes on; the operator hears once that the backup is off, and when it is back.
  setResult(meas(1, 0, 0), 4.0, 20, 3);
  EXPECT_LT(store().backupMeasurementFinished(meas(1, 0, 0)), 0);
  const std::string lost = "ZARVIK - Backup|The backup is no longer written (No space left on "
                           "device).\nMeasuring goes on, but the changes made from now on are not "
                           "protected against a crash until the data set is saved.";
  EXPECT_EQ(std::vector<std::string>{lost}, ui.popups());
  EXPECT_NE(std::string::npos, log.text.find("The backup is no longer written"));
  fs.clearFaults();
  ASSERT_EQ(0, files().save());
  EXPECT_EQ((std::vector<std::string>{lost, "ZARVIK - Backup|The backup is written again."}),
            ui.popups());
  EXPECT_TRUE(store().backupActive());
}

TEST_F(RestoreTest, ReloadThatCannotLoadKeepsTheJournal) {
  newSavedDataSet(2, 1, 1);
  reopen();
  finish(1, 0, 0, 5.0, 10, 1);
  const std::string expected = world->describe();
  const std::string journal = test::TestDir::readFile(journalPath());
  restart();
  fs.failOn(FaultyFileSystem::Op::OpenRead, std::errc::io_error, "ORDER.BIN");
  scriptRestore(0, dataFile);
  // The program ends after the failed load was shown; nothing is lost.
  EXPECT_EQ((std::tuple{store().reloadBackupAtStart(), shownSinceScript("file"),
                        model().hasDataSet(), shownSinceScript("popup", "File - Open"),
                        test::TestDir::readFile(journalPath())}),
            (std::tuple{1, 0, false, 1, journal}));
  endRestore();
  EXPECT_EQ((std::tuple{startAfterCrash(0), questions}), (std::tuple{0, 1})); // readable again
  EXPECT_EQ(expected, reopenedDataSet());
}

TEST_F(RestoreTest, UnchangedJournalIsRemovedWithoutAQuestion) {
  newSavedDataSet(2, 1, 1);
  reopen();
  EXPECT_EQ((std::tuple{startAfterCrash(0), questions, exists(journalPath())}),
            (std::tuple{0, 0, false}));
}

// Random edits, finished measurements and periodic backups on either data file format; a crash
// at the end must give back exactly the data set the operator had. For a text data set the
// journal's records are the binary ones, replayed onto what the text file gave.
TEST_F(RestoreTest, RandomSessionsSurviveACrash) {
  for (unsigned seed = 1; seed <= 12; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    dataFile = dir.path() / (seed % 2 ? "ORDER.DAT" : "ORDER.BIN");
    startOver(3, 3, 2, 40);
    std::mt19937 rng(seed);
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    for (int step = 0; step < 60; ++step) {
      const int S = model().sampleCount(), T = model().storageCount();
      const int s = pick(S), t = pick(T);
      const int M = model().measurementCount(s, t);
      switch (pick(9)) {
      case 0:
        model().addSamples(S + 1);
        break;
      case 1:
        model().addStorages(T + 1);
        break;
      case 2:
        model().addMeasurements(s, t, M + 1);
        break;
      case 3:
        model().deleteSample({s, 0, 0});
        break;
      case 4:
        model().deleteStorage({s, t, 0});
        break;
      case 5:
        model().deleteMeasurement({s, t, pick(M)});
        break;
      case 6:
        finish(s, t, pick(M), pick(1000) / 100.0, 1 + pick(300), pick(10000));
        break;
      case 7: {
        StorageCondition& st = *model().storageAt(s, t);
        st.evaluation = "E" + std::to_string(step);
        model().markChanged(st);
        Measurement& m = meas(s, t, pick(M));
        m.inStatistics = 1 - m.inStatistics;
        model().markChanged(m);
        break;
      }
      default:
        store().backupDataSet();
      }
      model().renumber();
    }
    store().backupDataSet();
    const std::string expected = world->describe();
    EXPECT_EQ(0, startAfterCrash(0));
    // The rebuilt data set is offered for saving under its own file, in its own format; the
    // program goes on with no data set open.
    ASSERT_EQ(1, shownSinceScript("file"));
    EXPECT_EQ(
        (std::tuple{questions, ui.fileDialogs.back().defaultName,
                    ui.fileDialogs.back().startDirectory, exists(journalPath()),
                    model().hasDataSet(),
                    test::TestDir::readFile(dataFile).starts_with("[AUFTRAG]")}),
        (std::tuple{1, dataFile.filename().string(), dir.path(), false, false, seed % 2 == 1}));
    EXPECT_EQ(expected, reopenedDataSet());
  }
}

} // namespace
} // namespace zv
