// The backup journal's bytes: framing, syncing, torn and damaged objects, the baseline copy,
// the start-up question.
#include <gtest/gtest.h>

#include "common/zv_fake_ui.hpp"
#include "common/zv_testdir.hpp"
#include "support/zv_backup_journal.hpp"
#include "support/zv_graphfile_store.hpp"

namespace zv {
namespace {

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

TEST_F(ReloadQuestionTest, NoJournalNoQuestion) {
  EXPECT_EQ(reload_answer::Nothing, ask());
  EXPECT_TRUE(ui.shown.empty());
}

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

} // namespace
} // namespace zv
