// The program's one file-system seam: a fault injected through Program::fileSystem reaches the
// data file, the graph file and the backup journal, and a failed save leaves the files that
// were there before. A stopped series reaches the journal before the process can die. Then the
// graph and backup store inside the program (below).
#include <gtest/gtest.h>

#include "common/zv_datafile_driver.hpp"
#include "common/zv_datafile_testkit.hpp"
#include "common/zv_dataset_describe.hpp"
#include "common/zv_program_rig.hpp"
#include "program/zv_meas_control.hpp"
#include "program/zv_program.hpp"

namespace zv {
namespace {

using Op = FaultyFileSystem::Op;

struct ProgramFiles : ::testing::Test, test::ProgramRig {
  FaultyFileSystem& faulty = disk;

  std::filesystem::path data() const { return dir.file("ORDER.BIN"); }
  std::filesystem::path graph() const { return dir.file("ORDER.BIN.GRF"); }
  std::filesystem::path journal() const { return dir.path() / "Backup" / "ZARVIK.BAK"; }

  // A data set with a curve in every measurement, saved as ORDER.BIN with its graph file and
  // a fresh journal.
  void SetUp() override {
    test::buildDataSet(model(), 2, 2, {2});
    int seed = 1;
    for (auto& s : model().dataSet()->samples)
      for (auto& t : s.storages)
        for (auto& m : t.measurements) {
          m.points = test::testCurve(300, seed++);
          m.pointCount = 300;
        }
    program->data.files.setDataFile(data());
    ASSERT_EQ(0, program->data.files.saveDataSet());
    ASSERT_TRUE(std::filesystem::exists(graph()));
    ASSERT_TRUE(std::filesystem::exists(journal()));
    ui.shown.clear();
  }

  void renameSample(const std::string& name) {
    model().sampleAt(1)->name = name;
    model().markChanged(*model().sampleAt(1));
  }
  bool wentThroughFaulty(const std::string& part) const {
    for (const auto& c : faulty.calls())
      if (c.path.string().find(part) != std::string::npos ||
          c.to.string().find(part) != std::string::npos)
        return true;
    return false;
  }
  // What a new start reads back from the files, curves included.
  std::string reloaded() {
    start(userDir());
    program->data.files.setDataFile(data());
    EXPECT_EQ(0, program->data.files.loadDataSetReport(0));
    return test::describeDataSet(
        model(), [&](Measurement& m) { program->data.graphBackup.graph.graphReadCurve(&m); });
  }
};

// The data file, the graph file and the journal are written through the program's file system:
// a fault injected there fails the step it aims at, and nothing bypasses it. What each failure
// leaves behind is the storage tests' business.
TEST_F(ProgramFiles, EverySaveStepGoesThroughTheProgramsFileSystem) {
  struct Step {
    const char* part;
    Op op;
    int result;
  };
  for (const Step& step :
       {Step{"ORDER.BIN", Op::Rename, DfSaveWrite}, Step{".GRF", Op::Rename, DfSaveGraph},
        Step{"Backup", Op::OpenWrite, 0}}) {
    SCOPED_TRACE(step.part);
    renameSample(std::string("Renamed ") + step.part);
    faulty.clearFaults();
    faulty.failOn(step.op, std::errc::io_error, step.part);
    program->fileSystem = &faulty;
    ui.shown.clear();
    EXPECT_EQ(step.result, program->data.files.saveDataSet());
    EXPECT_TRUE(wentThroughFaulty(step.part));
    EXPECT_EQ(1u, ui.popups().size());
    EXPECT_EQ(step.result != 0, model().isChanged() != 0);
  }
  // Back on the real files the save goes through and a new start sees the last rename.
  program->fileSystem = &realFileSystem();
  ASSERT_EQ(0, program->data.files.saveDataSet());
  const std::string saved = test::describeDataSet(model());
  program.reset();
  EXPECT_EQ(saved, reloaded());
}

TEST_F(ProgramFiles, AStopBeforeTheTriggerReachesTheJournalAtOnce) {
  acq.generator = [](int) { return std::vector<double>(20, 0.0); }; // idle only
  scriptMeasuring();
  ASSERT_EQ(0, model().addMeasurements(0, 0, 3)); // a free slot behind the used ones
  DataSet& d = *model().dataSet();
  d.currentSample = d.currentStorage = 0;
  d.currentMeasurement = 2;
  ASSERT_EQ(0, startMeasuring(*program));
  measTimerTick(*program);
  ASSERT_EQ(2, model().measurementAt(0, 0, 2)->status);
  ASSERT_EQ(0, stopMeasuring(*program));
  EXPECT_EQ(0, model().measurementAt(0, 0, 2)->status);
  const std::string stopped = test::describeDataSet(model());

  // The process dies before the main timer ticks; the next start reloads the journal.
  program.reset();
  start(userDir());
  ui.askAnswers = {0, 0}; // reload; overwrite the data file with the rebuilt data set
  ui.fileAnswers = {data()};
  ASSERT_EQ(0, program->reloadBackupAtStart());
  program.reset();
  EXPECT_EQ(stopped, reloaded());
  EXPECT_EQ(0, model().measurementAt(0, 0, 2)->status) << "a stopped slot came back running";
}

// The graph and backup store inside the program: its directories from the start-up, the
// periodic backup of the menus and the main timer, and the reload offered at start-up.

struct ProgramBackupTest : ::testing::Test, test::ProgramRig {};

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
