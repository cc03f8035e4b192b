// The graph and backup store inside the program: its directories from the start-up, the
// periodic backup of the menus and the main timer, and the reload offered at start-up.
#include <gtest/gtest.h>

#include "common/zv_fake_ui.hpp"
#include "common/zv_simple_datafile.hpp"
#include "common/zv_testdir.hpp"
#include "program/zv_program.hpp"

namespace zv {
namespace {

struct ProgramBackupTest : ::testing::Test {
  test::TestDir dir;
  test::ScriptedUi ui;
  test::FakeClock clock;
  MemoryRegistry registry;
  std::unique_ptr<Program> program;

  void start(std::optional<std::string> iniPath) {
    registry = MemoryRegistry(std::move(iniPath));
    program = std::make_unique<Program>(ui, clock, registry, dir.path() / "fallback" / "");
    program->startUp({"zarvik"});
  }
};

TEST_F(ProgramBackupTest, DirectoriesComeFromTheUserDirectoryOrTheFallback) {
  start((dir.path() / "user" / "ZARVIK.INI").string());
  EXPECT_EQ(dir.path() / "user" / "Graph" / "",
            program->graphBackup.graphStore.GraphFileGetTempPath());
  EXPECT_EQ(dir.path() / "user" / "Backup" / "", program->graphBackup.journal.backupDir());
  start(std::nullopt);
  EXPECT_EQ(dir.path() / "fallback" / "Graph" / "",
            program->graphBackup.graphStore.GraphFileGetTempPath());
  EXPECT_EQ(dir.path() / "fallback" / "Backup" / "", program->graphBackup.journal.backupDir());
  EXPECT_NE(0, program->graphBackup.journal.CmpFilePathToBackupDir(dir.path() / "fallback" /
                                                                   "Backup" / "A.BIN"));
}

TEST_F(ProgramBackupTest, MenusAndTimerWriteTheBackupButNotWhileMeasuring) {
  start((dir.path() / "").string());
  test::SimpleDataFiles files(program->auftr, program->graphBackup.store);
  AuftrModel& model = program->auftr;
  ASSERT_EQ(0, model.auftrCreate());
  ASSERT_EQ(0, model.auftrAddSamples(2));
  ASSERT_EQ(0, model.auftrAddStorages(2));
  files.setCurrentDataFile(dir.path() / "A.BIN");
  ASSERT_EQ(0, files.save());
  const auto journal = dir.path() / "Backup" / "ZARVIK.BAK";
  const auto size = std::filesystem::file_size(journal);

  model.auftrSample(1)->name = "X";
  model.auftrMarkChanged(*model.auftrSample(1));
  program->measuring = true;
  program->mainTimerTick();
  program->backupDataSet(); // a menu command while measuring
  EXPECT_EQ(size, std::filesystem::file_size(journal));
  program->measuring = false;
  program->mainTimerTick();
  EXPECT_GT(std::filesystem::file_size(journal), size);
  EXPECT_EQ(0u, model.totals().totalBackupChanges);
}

TEST_F(ProgramBackupTest, ReloadAtStartNeedsTheFileHandling) {
  start((dir.path() / "").string());
  test::SimpleDataFiles files(program->auftr, program->graphBackup.store);
  AuftrModel& model = program->auftr;
  ASSERT_EQ(0, model.auftrCreate());
  ASSERT_EQ(0, model.auftrAddSamples(1));
  ASSERT_EQ(0, model.auftrAddStorages(1));
  files.setCurrentDataFile(dir.path() / "A.BIN");
  ASSERT_EQ(0, files.save());
  ASSERT_EQ(0, model.auftrAddSamples(2)); // written at once: a crash now leaves a backup

  // A new process.
  start((dir.path() / "").string());
  EXPECT_TRUE(program->graphBackup.store.hasDataFileAccess()); // the program's file handling
  test::SimpleDataFiles again(program->auftr, program->graphBackup.store);
  program->graphBackup.store.setDataFileAccess(&again);
  ui.askAnswers = {2}; // End Program
  EXPECT_EQ(1, program->reloadBackupAtStart());
  EXPECT_EQ(1, program->quitRequested);
  ui.askAnswers = {0}; // Reload, then save
  EXPECT_EQ(0, program->reloadBackupAtStart());
  EXPECT_EQ(0, program->quitRequested);
  ASSERT_EQ(0, again.open(dir.path() / "A.BIN"));
  EXPECT_EQ(2, program->auftr.auftrSampleCount());
}

} // namespace
} // namespace zv
