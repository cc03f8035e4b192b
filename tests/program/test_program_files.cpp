// The program's one file-system seam: a fault injected through Program::fileSystem reaches the
// data file, the graph file and the backup journal, and a failed save leaves the files that
// were there before. A stopped series reaches the journal before the process can die.
#include <gtest/gtest.h>

#include "common/zv_datafile_testkit.hpp"
#include "common/zv_dataset_describe.hpp"
#include "common/zv_meas_fakes.hpp"
#include "program/zv_meas_control.hpp"
#include "program/zv_program.hpp"

namespace zv {
namespace {

using Op = FaultyFileSystem::Op;

struct ProgramFiles : ::testing::Test {
  test::TestDir dir;
  test::ScriptedUi ui;
  test::FakeClock clock;
  MemoryRegistry registry{(dir.path() / "").string()};
  std::unique_ptr<Program> program;
  FaultyFileSystem faulty;

  std::filesystem::path data() const { return dir.file("ORDER.BIN"); }
  std::filesystem::path graph() const { return dir.file("ORDER.BIN.GRF"); }
  std::filesystem::path journal() const { return dir.path() / "Backup" / "ZARVIK.BAK"; }

  void start() {
    program = std::make_unique<Program>(ui, clock, registry, dir.path() / "fallback" / "");
    program->startUp({"zarvik"});
  }
  DataSetModel& model() { return program->data.model; }

  // A data set with a curve in every measurement, saved as ORDER.BIN with its graph file and
  // a fresh journal.
  void SetUp() override {
    start();
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
    start();
    program->data.files.setDataFile(data());
    EXPECT_EQ(0, program->data.files.loadDataSetReport(0));
    return test::describeDataSet(
        model(), [&](Measurement& m) { program->data.graphBackup.graph.graphReadCurve(&m); });
  }
};

TEST_F(ProgramFiles, AFailedDataFileReplacementKeepsTheOldFilesAndTheChanges) {
  const std::string before = test::describeDataSet(model());
  const std::string oldData = test::TestDir::readFile(data());
  const std::string oldGraph = test::TestDir::readFile(graph());
  const std::string oldJournal = test::TestDir::readFile(journal());
  renameSample("Renamed");
  program->backupDataSet();
  const std::string journalWithRename = test::TestDir::readFile(journal());
  EXPECT_GT(journalWithRename.size(), oldJournal.size());

  faulty.failOn(Op::Rename, std::errc::io_error, "ORDER.BIN");
  program->fileSystem = &faulty;
  EXPECT_EQ(DfSaveWrite, program->data.files.saveDataSet());
  EXPECT_TRUE(wentThroughFaulty("ORDER.BIN")) << "the save bypassed the program's file system";
  ASSERT_EQ(1u, ui.popups().size());
  EXPECT_NE(std::string::npos, ui.popups()[0].find(program->texts[MessageText::SaveError]));
  EXPECT_EQ(oldData, test::TestDir::readFile(data()));
  EXPECT_EQ(oldGraph, test::TestDir::readFile(graph()));
  EXPECT_EQ(journalWithRename, test::TestDir::readFile(journal())) << "the journal is still needed";
  EXPECT_NE(0u, model().isChanged());
  for (const auto& e : std::filesystem::directory_iterator(dir.path()))
    EXPECT_EQ(std::string::npos, e.path().filename().string().find(".tmp")) << e.path();

  // Back on the real files the same save goes through and a new start sees the rename.
  program->fileSystem = &realFileSystem();
  ASSERT_EQ(0, program->data.files.saveDataSet());
  const std::string saved = test::describeDataSet(model());
  EXPECT_NE(before, saved);
  program.reset();
  EXPECT_EQ(saved, reloaded());
}

TEST_F(ProgramFiles, AFailedGraphFileReplacementKeepsTheOldCurvesAndTheJournal) {
  const std::string oldGraph = test::TestDir::readFile(graph());
  renameSample("Renamed");
  program->backupDataSet();
  const std::string oldJournal = test::TestDir::readFile(journal());

  faulty.failOn(Op::Rename, std::errc::no_space_on_device, ".GRF");
  program->fileSystem = &faulty;
  EXPECT_EQ(DfSaveGraph, program->data.files.saveDataSet());
  EXPECT_TRUE(wentThroughFaulty(".GRF"));
  EXPECT_EQ(oldGraph, test::TestDir::readFile(graph()));
  EXPECT_EQ(oldJournal, test::TestDir::readFile(journal()));
  EXPECT_NE(0u, model().isChanged()) << "a failed graph save keeps the close question";
}

TEST_F(ProgramFiles, AFailedJournalRefreshIsToldButTheSaveCounts) {
  renameSample("Renamed");
  faulty.failOn(Op::OpenWrite, std::errc::no_space_on_device, "Backup");
  program->fileSystem = &faulty;
  EXPECT_EQ(0, program->data.files.saveDataSet());
  EXPECT_TRUE(wentThroughFaulty("Backup"));
  ASSERT_EQ(1u, ui.popups().size());
  EXPECT_NE(std::string::npos, ui.popups()[0].find(program->texts[MessageText::BackupSaveError]));
  EXPECT_EQ(0u, model().isChanged());
  // The old journal predates the save: left behind it would offer changes already saved.
  EXPECT_FALSE(std::filesystem::exists(journal()));
  const std::string saved = test::describeDataSet(model());
  program.reset();
  EXPECT_EQ(saved, reloaded());
}

TEST_F(ProgramFiles, AStopBeforeTheTriggerReachesTheJournalAtOnce) {
  test::ScriptedAcquisition acquisition;
  acquisition.generator = [](int) { return std::vector<double>(20, 0.0); }; // idle only
  test::FakeTesters testers;
  for (auto& list : testers.pistons)
    for (int i = 0; i < list.count(); ++i)
      test::calibrate(*list.piston(i));
  program->meas.processor.setAcquisition(acquisition);
  program->meas.processor.setTesters(testers);
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
  start();
  ui.askAnswers = {0, 0}; // reload; overwrite the data file with the rebuilt data set
  ui.fileAnswers = {data()};
  ASSERT_EQ(0, program->reloadBackupAtStart());
  program.reset();
  EXPECT_EQ(stopped, reloaded());
  EXPECT_EQ(0, model().measurementAt(0, 0, 2)->status) << "a stopped slot came back running";
}

TEST_F(ProgramFiles, TheRouteFollowsThePointerAndFallsBackToTheRealFiles) {
  faulty.failOn(Op::OpenWrite, std::errc::read_only_file_system);
  program->fileSystem = &faulty;
  std::unique_ptr<WritableFile> out;
  EXPECT_EQ(std::errc::read_only_file_system,
            program->fileRoute.openWrite(dir.file("x"), OpenMode::Truncate, out));
  program->fileSystem = nullptr;
  EXPECT_FALSE(program->fileRoute.openWrite(dir.file("x"), OpenMode::Truncate, out));
  program->fileSystem = &program->fileRoute; // never a loop
  EXPECT_EQ(&realFileSystem(), &program->fileRoute.target());
}

} // namespace
} // namespace zv
