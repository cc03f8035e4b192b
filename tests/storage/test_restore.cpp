// The backup of the open data set: the journal's bytes (framing, syncing, a torn end, the
// start-up question), its records, what the model's creations, deletions and changes write, the
// replay after a crash (random sessions too) and the start-up reload. Crashes at every file
// change of a save or reload are the crash tests' (tests/crash).
#include <random>

#include <gtest/gtest.h>

#include "common/zv_fake_ui.hpp"
#include "common/zv_graph_backup_fixture.hpp"
#include "storage/zv_restore_records.hpp"
#include "support/zv_backup_journal.hpp"
#include "support/zv_graphfile_store.hpp"

namespace zv {
namespace {

using std::filesystem::exists;
using test::GraphBackupFixture;
using test::ScriptedUi;
using test::TestDir;
using Op = FaultyFileSystem::Op;

struct JournalTest : ::testing::Test {
  TestDir dir;
  FaultyFileSystem fs;
  BackupJournal journal{fs};
  std::filesystem::path data;

  JournalTest() {
    journal.SetBackupDir(dir.path() / "Backup");
    data = dir.write("ORDER.DAT", "[AUFTRAG]\r\nTitle=x\r\n");
  }

  // Saves an object of `type` whose data is `length` bytes of the value `fill`.
  int put(std::uint16_t type, std::uint32_t length, int mode = backup_mode::Single, int s = 0) {
    std::vector<unsigned char> bytes(length, static_cast<unsigned char>(type * 3 + length));
    BackupObjectHeader h;
    BackupJournal::FillBackupHeader(h, length, type, BackupObjectVersion,
                                    static_cast<std::uint16_t>(s), 0, 0);
    return journal.SaveBackupObject(h, bytes.data(), mode);
  }
  // Types of the objects a reader gets, and whether the journal ended damaged.
  std::vector<int> replay(bool* damaged = nullptr) {
    BackupJournal reader;
    std::vector<int> types;
    EXPECT_EQ(0, reader.OpenBackupFile(journal.GetBackupPath()));
    BackupObjectHeader h;
    std::vector<unsigned char> bytes;
    while (reader.ReadBackupHeader(h) > 0) {
      EXPECT_EQ(static_cast<int>(h.dataLength), reader.ReadBackupObject(h, bytes));
      for (unsigned char b : bytes)
        EXPECT_EQ(static_cast<unsigned char>(h.type * 3 + h.dataLength), b);
      types.push_back(h.type);
    }
    if (damaged)
      *damaged = reader.damaged();
    return types;
  }
  std::string journalBytes() const { return TestDir::readFile(journal.GetBackupPath()); }
  void writeJournal(const std::string& bytes) const {
    std::ofstream(journal.GetBackupPath(), std::ios::binary | std::ios::trunc) << bytes;
  }
};

TEST_F(JournalTest, ObjectsComeBackInWrittenOrder) {
  ASSERT_EQ(0, journal.CreateBackup(data));
  EXPECT_TRUE(std::filesystem::exists(dir.path() / "Backup")); // created on demand
  ASSERT_EQ(0, put(2, 34));
  ASSERT_EQ(0, put(0, 0, backup_mode::BatchOpen));
  ASSERT_EQ(0, put(3, 86, backup_mode::InBatch));
  ASSERT_EQ(0, put(4, 94, backup_mode::InBatch));
  ASSERT_EQ(0, put(0, 0, backup_mode::BatchClose));
  ASSERT_EQ(0, put(9, 94 + 80000)); // a curve of 10000 points: longer than 16 bits can say
  ASSERT_EQ(0, put(6, 0));
  bool damaged = true;
  EXPECT_EQ((std::vector<int>{2, 0, 3, 4, 0, 9, 6}), replay(&damaged));
  EXPECT_FALSE(damaged);
}

TEST_F(JournalTest, SinglesAreSyncedAtOnceBatchesAtTheirClose) {
  ASSERT_EQ(0, journal.CreateBackup(data));
  fs.clearCalls();
  ASSERT_EQ(0, put(2, 34));
  ASSERT_EQ(2u, fs.calls().size());
  EXPECT_EQ((std::tuple{fs.calls()[0].op, fs.calls()[1].op}), (std::tuple{Op::Write, Op::Sync}));

  fs.clearCalls();
  const auto before = std::filesystem::file_size(journal.GetBackupPath());
  ASSERT_EQ(0, put(0, 0, backup_mode::BatchOpen));
  ASSERT_EQ(0, put(3, 86, backup_mode::InBatch));
  ASSERT_EQ(0, put(3, 86, backup_mode::InBatch));
  EXPECT_TRUE(fs.calls().empty());
  EXPECT_EQ(before, std::filesystem::file_size(journal.GetBackupPath()));
  ASSERT_EQ(0, put(0, 0, backup_mode::BatchClose));
  ASSERT_EQ(2u, fs.calls().size()); // one write, one fsync for the whole batch
  EXPECT_EQ(Op::Sync, fs.calls()[1].op);
  EXPECT_EQ((std::vector<int>{2, 0, 3, 3, 0}), replay());
}

// A crash can cut the journal anywhere in its last object: the reader then returns every
// object before it and says the end was damaged.
TEST_F(JournalTest, TornLastObjectAtEveryLength) {
  ASSERT_EQ(0, journal.CreateBackup(data));
  ASSERT_EQ(0, put(2, 34));
  ASSERT_EQ(0, put(3, 86));
  const std::string whole = journalBytes();
  ASSERT_EQ(0, put(4, 94));
  const std::string longer = journalBytes();
  for (std::size_t cut = whole.size() + 1; cut < longer.size(); ++cut) {
    writeJournal(longer.substr(0, cut));
    bool damaged = false;
    ASSERT_EQ((std::vector<int>{2, 3}), replay(&damaged)) << cut;
    EXPECT_TRUE(damaged);
  }
  writeJournal(whole);
  bool damaged = true;
  EXPECT_EQ((std::vector<int>{2, 3}), replay(&damaged));
  EXPECT_FALSE(damaged);
}

TEST_F(JournalTest, FailedWriteStopsAppendingAndKeepsWhatWasWritten) {
  ASSERT_EQ(0, journal.CreateBackup(data));
  ASSERT_EQ(0, put(2, 34));
  fs.failOn(Op::Sync, std::errc::io_error, "", 0, 1);
  EXPECT_EQ(BackupError, put(6, 0));
  EXPECT_TRUE(journal.isBroken());
  // The next objects would be replayed onto the wrong records without the lost one.
  EXPECT_EQ(BackupBroken, put(3, 86));
  bool damaged = true;
  const auto types = replay(&damaged);
  // The failed object may or may not have reached the disk; nothing after it did.
  EXPECT_TRUE(types == std::vector<int>({2}) || types == std::vector<int>({2, 6}));
  EXPECT_FALSE(damaged);
  // A new journal starts clean.
  ASSERT_EQ(0, journal.CreateBackup(data));
  EXPECT_FALSE(journal.isBroken());
  EXPECT_EQ(0, put(3, 86));
  EXPECT_EQ((std::vector<int>{3}), replay());
}

struct ReloadQuestionTest : JournalTest {
  ScriptedUi ui;
  Language lang;
  std::string dataPath, target;
  std::filesystem::path backupFile;
  int ask() { return journal.ReloadBackup(ui, lang, dataPath, backupFile, target); }
};

TEST_F(ReloadQuestionTest, ReloadDiscardAndEnd) {
  ASSERT_EQ(0, journal.CreateBackup(data));
  ASSERT_EQ(0, put(2, 34));
  ASSERT_EQ(0, put(4, 94));
  journal.closeWriter();

  ui.askAnswers = {0};
  EXPECT_EQ(reload_answer::Reload, ask());
  ASSERT_EQ(1u, ui.shown.size());
  const test::Shown& q = ui.shown[0];
  EXPECT_EQ((std::tuple{dataPath, target, backupFile, q.title, q.buttons,
                        q.text.find(data.string()) != std::string::npos,
                        q.text.find("with 2 recorded changes") != std::string::npos}),
            (std::tuple{data.string(), data.string(), journal.GetBackupPath(), "ZARVIK - Backup",
                        std::vector<std::string>{"Reload", "Discard", "End Program"}, true, true}));

  // Discard asks once more; Back returns to the first question; the close box ends.
  std::vector<int> results;
  for (std::deque<int> answers : {std::deque<int>{1, 1, 1, 0}, {1, 1, 2}, {-1}}) {
    ui.askAnswers = answers;
    results.push_back(ask());
  }
  EXPECT_EQ(results, (std::vector<int>{reload_answer::Discard, reload_answer::EndProgram,
                                       reload_answer::EndProgram}));
  EXPECT_TRUE(std::filesystem::exists(journal.GetBackupPath())); // asking changes nothing
}

TEST_F(ReloadQuestionTest, UnreadableJournalIsMovedAsideWithAMessage) {
  std::filesystem::create_directories(dir.path() / "Backup");
  writeJournal("not a journal at all");
  auto aside = journal.GetBackupPath();
  aside += ".damaged";
  EXPECT_EQ((std::tuple{ask(), ui.popups().size(), std::filesystem::exists(journal.GetBackupPath()),
                        TestDir::readFile(aside)}),
            (std::tuple{reload_answer::Nothing, 1u, false, "not a journal at all"}));
}

// A journal record of a measurement with its curve carries exactly the points it announces.
TEST(JournalRecords, CurveRoundTripAndSizeChecks) {
  Measurement m;
  m.force = 2.5;
  m.deviceName = std::string(40, 'x'); // longer than the field
  m.points = {1.0, -2.0, 3.5, 4.0};
  m.pointCount = 3; // only the announced points go in
  std::vector<unsigned char> out;
  records::packMeasurement(out, m, 0, 1, 2, true);
  ASSERT_EQ(out.size(), records::MeasurementSize + 3 * 8);

  Measurement back;
  back.graphFilePos = 77;
  ASSERT_TRUE(records::unpackMeasurement(out.data(), out.size(), back, true));
  EXPECT_EQ(back.points, (std::vector<double>{1.0, -2.0, 3.5}));
  EXPECT_EQ(std::tie(back.pointCount, back.force), std::make_tuple(3, 2.5));
  EXPECT_EQ(back.deviceName, std::string(Measurement::DeviceNameSize - 1, 'x'));
  EXPECT_EQ(back.graphFilePos, -1); // the journal's curve replaces the graph file's

  // A curve shorter or longer than announced, or a plain record of the wrong size, is refused
  // and leaves the measurement untouched.
  Measurement untouched;
  untouched.force = 9.0;
  EXPECT_FALSE(records::unpackMeasurement(out.data(), out.size() - 8, untouched, true));
  EXPECT_FALSE(records::unpackMeasurement(out.data(), out.size() - 3, untouched, true));
  EXPECT_FALSE(records::unpackMeasurement(out.data(), out.size(), untouched, false));
  EXPECT_FALSE(records::unpackMeasurement(out.data(), 50, untouched, false));
  EXPECT_EQ(untouched.force, 9.0);
}

// ---- the backup store
// ----------------------------------------------------------------------------

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
  restart(); // the journal brings back the records, not the defaults the program has now
  model().defaults().storagePrefix = "Other";
  scriptRestore(0, dataFile);
  EXPECT_EQ(0, store().reloadBackupAtStart());
  endRestore();
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
  fs.failOn(Op::Write, std::errc::no_space_on_device, "ZARVIK.BAK");
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
  const std::string journal = TestDir::readFile(journalPath());
  restart();
  fs.failOn(Op::OpenRead, std::errc::io_error, "ORDER.BIN");
  scriptRestore(0, dataFile);
  // The program ends after the failed load was shown; nothing is lost.
  EXPECT_EQ(
      (std::tuple{store().reloadBackupAtStart(), shownSinceScript("file"), model().hasDataSet(),
                  shownSinceScript("popup", "File - Open"), TestDir::readFile(journalPath())}),
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
                    model().hasDataSet(), TestDir::readFile(dataFile).starts_with("[AUFTRAG]")}),
        (std::tuple{1, dataFile.filename().string(), dir.path(), false, false, seed % 2 == 1}));
    EXPECT_EQ(expected, reopenedDataSet());
  }
}

} // namespace
} // namespace zv
