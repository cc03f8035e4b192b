// The graph and backup store inside the program: its directories from the start-up, the
// periodic backup of the menus and the main timer, and the reload offered at start-up.
#include <gtest/gtest.h>

#include "common/zv_datafile_driver.hpp"
#include "common/zv_program_rig.hpp"
#include "program/zv_program.hpp"

namespace zv {
namespace {

struct ProgramBackupTest : ::testing::Test, test::ProgramRig {};

TEST_F(ProgramBackupTest, DirectoriesComeFromTheUserDirectoryOrTheFallback) {
  const auto directories = [&] {
    return std::pair(program->data.graphBackup.graphStore.GraphFileGetTempPath(),
                     program->data.graphBackup.journal.backupDir());
  };
  start((dir.path() / "user" / "ZARVIK.INI").string());
  EXPECT_EQ(directories(),
            std::pair(dir.path() / "user" / "Graph" / "", dir.path() / "user" / "Backup" / ""));
  start(std::nullopt);
  const auto fallback = dir.path() / "fallback";
  EXPECT_EQ(directories(), std::pair(fallback / "Graph" / "", fallback / "Backup" / ""));
  EXPECT_NE(
      0, program->data.graphBackup.journal.CmpFilePathToBackupDir(fallback / "Backup" / "A.BIN"));
}

TEST_F(ProgramBackupTest, MenusAndTimerWriteTheBackupButNotWhileMeasuring) {
  test::DataFileDriver files(program->data.files, program->errorLog);
  DataSetModel& model = program->data.model;
  dataSet(2, 2);
  ASSERT_EQ(0, files.saveAs(dir.path() / "A.BIN"));
  ASSERT_EQ(0, files.lastRefresh());
  const auto journal = dir.path() / "Backup" / "ZARVIK.BAK";
  const auto size = std::filesystem::file_size(journal);

  model.sampleAt(1)->name = "X";
  model.markChanged(*model.sampleAt(1));
  program->meas.processor.setMeasuring(true);
  program->mainTimerTick();
  program->backupDataSet(); // a menu command while measuring
  EXPECT_EQ(size, std::filesystem::file_size(journal));
  program->meas.processor.setMeasuring(false);
  program->mainTimerTick();
  EXPECT_GT(std::filesystem::file_size(journal), size);
  EXPECT_EQ(0u, model.totals().totalBackupChanges);
}

TEST_F(ProgramBackupTest, ReloadAtStartLoadsAndSavesThroughTheProgramsFileHandling) {
  const auto dataFile = dir.path() / "A.BIN";
  {
    test::DataFileDriver files(program->data.files, program->errorLog);
    DataSetModel& model = program->data.model;
    dataSet(1, 1);
    ASSERT_EQ(0, files.saveAs(dataFile));
    ASSERT_EQ(0, model.addSamples(2)); // written at once: a crash now leaves a backup
    model.sampleAt(1)->name = "After";
    model.markChanged(*model.sampleAt(1));
    program->mainTimerTick();
  }

  // A new process: the restore loads and saves through the program's own file handling.
  start(userDir());
  EXPECT_TRUE(program->data.graphBackup.store.hasDataFileAccess());
  ui.askAnswers = {2}; // End Program
  EXPECT_EQ(1, program->reloadBackupAtStart());
  EXPECT_EQ(1, program->quitRequested());
  EXPECT_TRUE(ui.fileDialogs.empty());
  ui.askAnswers = {0, 0}; // Reload, then overwrite the data file
  ui.fileAnswers = {dataFile};
  EXPECT_EQ(0, program->reloadBackupAtStart());
  EXPECT_EQ(0, program->quitRequested());
  EXPECT_TRUE(ui.askAnswers.empty());
  ASSERT_EQ(1u, ui.fileDialogs.size());
  EXPECT_EQ("A.BIN", ui.fileDialogs[0].defaultName);
  // The program starts with no data set, and the data file holds what the crash left.
  EXPECT_FALSE(program->data.model.hasDataSet());
  EXPECT_FALSE(program->data.isLoaded());
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "Backup" / "ZARVIK.BAK"));
  test::DataFileDriver files(program->data.files, program->errorLog);
  ASSERT_EQ(0, files.open(dataFile));
  EXPECT_EQ(0, files.lastGraphLoad());
  EXPECT_EQ(std::tuple(2, "After"),
            std::tuple(program->data.model.sampleCount(), program->data.model.sampleAt(1)->name));
}

} // namespace
} // namespace zv
