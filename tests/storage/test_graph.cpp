// Curves of a data set in its graph file: saved after the data file, attached on load to the
// data file state they were saved with (or, on another state, where their measurement fits),
// read on demand.
#include <gtest/gtest.h>

#include "common/zv_faults.hpp"
#include "common/zv_graph_backup_fixture.hpp"
#include "platform/zv_latin1.hpp"

namespace zv {
namespace {

using test::GraphBackupFixture;
using test::testCurve;

struct GraphTest : GraphBackupFixture {
  GraphFile& graph() { return world->graph; }
  Measurement& meas(int s, int t, int k) { return *model().measurementAt(s, t, k); }
};

TEST_F(GraphTest, SavedCurvesComeBackOnDemand) {
  newSavedDataSet(3, 2, 2, 300);
  const std::string before = world->describe();
  reopen();
  EXPECT_EQ(0, files().lastGraphLoad());
  // One curve per storage was recorded; the empty second slots have none.
  EXPECT_EQ(6, model().dataSet()->plotCount);
  EXPECT_FALSE(meas(2, 1, 0).hasPoints());
  EXPECT_GT(meas(2, 1, 0).graphFilePos, 0);
  EXPECT_EQ(-1, meas(2, 1, 1).graphFilePos);
  ASSERT_EQ(0, graph().graphReadCurve(&meas(2, 1, 0)));
  EXPECT_EQ(testCurve(300, 210), meas(2, 1, 0).points);
  EXPECT_EQ(1210, meas(2, 1, 0).curveRate);
  EXPECT_EQ(0, graph().graphReadCurve(&meas(2, 1, 1))); // no curve: nothing, no error
  EXPECT_FALSE(meas(2, 1, 1).hasPoints());
  EXPECT_EQ(before, world->describe());
}

TEST_F(GraphTest, ResavingCopiesCurvesNotInMemoryAndDropsThemAgain) {
  newSavedDataSet(2, 2, 1, 500);
  // What the data set looks like with one curve replaced (all curves are in memory here).
  setResult(meas(1, 1, 0), 9.5, 40, 77);
  const std::string expected = world->describe();

  reopen();
  setResult(meas(1, 1, 0), 9.5, 40, 77);
  ASSERT_EQ(0, files().save());
  // Curves that were only read to be copied are out of memory again, reachable in the new file.
  EXPECT_FALSE(meas(0, 0, 0).hasPoints());
  EXPECT_TRUE(meas(1, 1, 0).hasPoints());
  EXPECT_EQ(4, model().dataSet()->plotCount);
  EXPECT_EQ(expected, world->describe());
  reopen();
  EXPECT_EQ(expected, world->describe());
}

TEST_F(GraphTest, MeasurementWithoutCurveAnywhereIsSkipped) {
  newSavedDataSet(1, 1, 3, 100);
  ASSERT_EQ(0, model().addMeasurements(0, 0, 3));
  meas(0, 0, 2).force = 2.0;    // a typed-over result, no curve
  meas(0, 0, 2).pointCount = 5; // claims points it does not have in memory or file
  ASSERT_EQ(0, files().save());
  EXPECT_EQ(1, model().dataSet()->plotCount);
  reopen();
  EXPECT_EQ(1, model().dataSet()->plotCount);
  EXPECT_EQ(-1, meas(0, 0, 2).graphFilePos);
}

TEST_F(GraphTest, DeletionsKeepEachCurveWithItsMeasurement) {
  newSavedDataSet(3, 3, 1, 64);
  reopen();
  ASSERT_EQ(0, model().deleteSample({0, 0, 0}));
  ASSERT_EQ(0, model().deleteStorage({0, 1, 0}));
  ASSERT_EQ(0, model().renumber());
  // Former sample 2, storage 2 is now (1, 1); its curve is the one recorded there.
  ASSERT_EQ(0, graph().graphReadCurve(&meas(1, 1, 0)));
  EXPECT_EQ(testCurve(64, 220), meas(1, 1, 0).points);
  ASSERT_EQ(0, graph().graphReadCurve(&meas(0, 0, 0)));
  EXPECT_EQ(testCurve(64, 100), meas(0, 0, 0).points);
  // Saved and loaded again, the file's indices follow the new grid.
  ASSERT_EQ(0, files().save());
  reopen();
  EXPECT_EQ(4, model().dataSet()->plotCount);
  ASSERT_EQ(0, graph().graphReadCurve(&meas(1, 1, 0)));
  EXPECT_EQ(testCurve(64, 220), meas(1, 1, 0).points);
}

TEST_F(GraphTest, IndexIsNeverRebuiltAfterTheGridChanged) {
  newSavedDataSet(3, 1, 1, 32);
  reopen();
  world->graphStore.GraphFileSetValid(false); // as if the index had been lost
  ASSERT_EQ(0, model().deleteSample({0, 0, 0}));
  // Rebuilding now would hand sample 0's old curve to the former sample 1: refused.
  EXPECT_EQ(graph_code::IndexFailed, graph().graphReadCurve(&meas(0, 0, 0)));
  EXPECT_FALSE(meas(0, 0, 0).hasPoints());
}

TEST_F(GraphTest, RecordOfAMissingMeasurementIsIgnoredAndNotCopied) {
  newSavedDataSet(2, 1, 1, 16);
  // Add a stray record for (5, 0, 0) to the graph file, stamped for the same data file.
  restart();
  std::error_code ec;
  const GraphFileStamps stamps{stampFile(fs, dataFile, ec), {}};
  GraphFileStore raw;
  ASSERT_EQ(0, raw.GraphFileOpenTemp(dataFile));
  ASSERT_EQ(0, raw.GraphFileWriteVersion(GraphFileVersion, stamps));
  for (auto [s, seed] : {std::pair{0, 0}, {5, 555}, {1, 100}}) {
    GraphRecordHeader h;
    GraphFileStore::GraphFileFillHeader(h, 8, 16, s, 0, 0, 1000);
    const auto pts = testCurve(16, seed);
    ASSERT_EQ(0, raw.datfileWriteHeader(h));
    ASSERT_EQ(0, raw.GraphFileWritePoints(pts.data(), pts.size()));
  }
  ASSERT_EQ(0, raw.GraphFileCloseTemp());
  ASSERT_EQ(0, raw.GraphFileCopyTempAndDelete(dataFile));

  ASSERT_EQ(0, files().open(dataFile));
  EXPECT_EQ(2, model().dataSet()->plotCount);
  ASSERT_EQ(0, files().save());
  const auto bytes = test::TestDir::readFile(graphPath());
  EXPECT_EQ(40u + 2 * (28u + 16 * 8u), bytes.size());
  reopen();
  ASSERT_EQ(0, graph().graphReadCurve(&meas(1, 0, 0)));
  EXPECT_EQ(testCurve(16, 100), meas(1, 0, 0).points);
}

TEST_F(GraphTest, OnAnotherDataFileStateCurvesThatFitAreAttachedAndTheFileIsKept) {
  // The data file changes behind the graph file's back (saved with "Save graphic data" off):
  // the point counts of some measurements no longer match their records.
  struct Case {
    std::vector<int> changed; // samples whose measurement 0 gets another point count
    int attached;
  };
  for (const Case& c : {Case{{1}, 2}, Case{{0, 1, 2}, 0}}) {
    SCOPED_TRACE(c.attached);
    dataFile = dir.path() / ("ORDER" + std::to_string(c.attached) + ".BIN");
    newSavedDataSet(3, 1, 1, 20);
    const std::string oldGraph = test::TestDir::readFile(graphPath());
    reopen();
    for (int s : c.changed)
      meas(s, 0, 0).pointCount = 7;
    handler().state().saveGraph = 0;
    ASSERT_EQ(0, files().save());
    ASSERT_EQ(oldGraph, test::TestDir::readFile(graphPath()));

    const std::size_t popupsBefore = ui.popups().size();
    log.lines.clear();
    reopen();
    EXPECT_EQ(c.attached, model().dataSet()->plotCount);
    ASSERT_FALSE(log.lines.empty());
    EXPECT_NE(log.lines.front().find(std::to_string(c.attached) + " curves attached, " +
                                     std::to_string(3 - c.attached) + " without"),
              std::string::npos)
        << log.lines.front();
    if (c.attached > 0) {
      EXPECT_EQ(0, files().lastGraphLoad());
      EXPECT_EQ(popupsBefore, ui.popups().size()); // no popup while some curves fit
      ASSERT_EQ(0, graph().graphReadCurve(&meas(2, 0, 0)));
      EXPECT_EQ(testCurve(20, 200), meas(2, 0, 0).points);
      EXPECT_EQ(-1, meas(1, 0, 0).graphFilePos);
    } else {
      EXPECT_EQ(graph_code::StampMismatch, files().lastGraphLoad());
      ASSERT_EQ(popupsBefore + 1, ui.popups().size());
      EXPECT_EQ("File - Open| Error when opening the Graphic file: " + dataFile.string() +
                    ", Error= " + std::to_string(graph_code::StampMismatch),
                ui.popups().back());
      EXPECT_TRUE(world->graph.attachedDataFile().empty());
    }
    EXPECT_FALSE(meas(1, 0, 0).hasPoints());

    // Saving writes a graph file of what was attached and keeps the old one aside whole.
    ASSERT_EQ(0, files().save());
    ASSERT_FALSE(world->graph.lastSetAside().empty());
    EXPECT_EQ(dir.path() / "Graph", world->graph.lastSetAside().parent_path());
    EXPECT_EQ(oldGraph, test::TestDir::readFile(world->graph.lastSetAside()));
    reopen();
    EXPECT_EQ(0, files().lastGraphLoad());
    EXPECT_EQ(c.attached, model().dataSet()->plotCount);
    EXPECT_EQ(dataFile, world->graph.attachedDataFile());
    ASSERT_EQ(0, files().close());
  }
}

TEST_F(GraphTest, SavingWithoutGraphKeepsTheCurvesInMemoryUntilClosed) {
  newSavedDataSet(1, 2, 2, 30);
  reopen();
  handler().state().saveGraph = 0;
  finish(0, 1, 1, 4.0, 25, 61);
  const std::string expected = world->describe();
  const std::string graphBefore = test::TestDir::readFile(graphPath());
  ASSERT_EQ(0, files().save());
  EXPECT_EQ(graphBefore, test::TestDir::readFile(graphPath()));
  EXPECT_EQ(testCurve(25, 61), meas(0, 1, 1).points);
  EXPECT_EQ(expected, world->describe());
  // The next save with graphs writes it; the data file did not change in between, so the
  // old graph file is still attached and its curves are copied.
  handler().state().saveGraph = 1;
  ASSERT_EQ(0, files().save());
  reopen();
  EXPECT_EQ(0, files().lastGraphLoad());
  EXPECT_EQ(expected, world->describe());
}

TEST_F(GraphTest, DamagedOrForeignGraphFileLoadsWithoutCurves) {
  newSavedDataSet(1, 1, 1, 20);
  for (std::string content : {std::string("junk"), std::string(40, '\0'), std::string()}) {
    dir.write(graphPath().filename().string(), content);
    reopen();
    EXPECT_EQ(graph_code::LoadIndexFailed, files().lastGraphLoad()) << content.size();
    EXPECT_EQ(0, model().dataSet()->plotCount);
  }
}

TEST_F(GraphTest, AFailedSaveKeepsDataAndGraphFileInStepAndSaysWhy) {
  using Op = FaultyFileSystem::Op;
  using test::Fault;
  struct Case {
    std::string file;
    int language;
    Fault fault;
    int code;
    std::string popup;
  };
  const Fault diskFull = Fault::call(Op::Write, std::errc::no_space_on_device, "TEMP");
  const Fault graphFull = Fault::call(Op::Write, std::errc::no_space_on_device, ".GRF");
  const std::string dataFailed = "File - Save|Error when saving the datafile - Abbruch\n";
  const std::string graphFailed = "Fehler bei Speichern des Graphikfiles - Abbruch\n";
  const Case cases[] = {
      {"DISK.BIN", 1, diskFull, DfSaveWrite, dataFailed + "No space left on device"},
      {"PROT.DAT", 1, Fault::writeProtect(), DfSaveWrite, dataFailed + "Permission denied"},
      {"GRAPH.BIN", 1, graphFull, DfSaveGraph,
       "File - Save|" + graphFailed + "No space left on device"},
      {"GRAPH.DAT", 0, graphFull, DfSaveGraph,
       "Datei - Speichern|" + graphFailed + "Kein Speicherplatz mehr auf dem Gerät"_l1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    lang.language = c.language;
    restart();
    dataFile = dir.path() / c.file;
    newSavedDataSet(2, 1, 1, 30);
    const std::string data = test::TestDir::readFile(dataFile);
    const std::string curves = test::TestDir::readFile(graphPath());
    finish(1, 0, 0, 9.0, 40, 7); // a new curve: both files would change
    c.fault.apply(fs, dataFile);
    ui.shown.clear();
    EXPECT_EQ(c.code, files().save());
    fs.clearFaults();
    EXPECT_EQ(std::vector<std::string>{c.popup}, ui.popups());
    EXPECT_EQ(data, test::TestDir::readFile(dataFile));
    EXPECT_EQ(curves, test::TestDir::readFile(graphPath()));
    EXPECT_NE(0u, model().isChanged());
    // Saved again, the pair is of one state: every curve attaches as saved.
    ASSERT_EQ(0, files().save());
    const std::string saved = world->describe();
    reopen();
    EXPECT_EQ(0, files().lastGraphLoad());
    EXPECT_EQ(saved, world->describe());
    ASSERT_EQ(0, files().close());
  }
  lang.language = 1;
}

TEST_F(GraphTest, DamagedCurveIsReportedNotShown) {
  newSavedDataSet(1, 1, 1, 50);
  std::string bytes = test::TestDir::readFile(graphPath());
  bytes[40 + 24 + 8] ^= 0x40;
  dir.write(graphPath().filename().string(), bytes);
  reopen(); // the stamp names the data file, not the curve bytes: the file attaches
  EXPECT_EQ(graph_code::ReadFailed, graph().graphReadCurve(&meas(0, 0, 0)));
  EXPECT_FALSE(meas(0, 0, 0).hasPoints());
  EXPECT_EQ(50, meas(0, 0, 0).pointCount);
}

TEST_F(GraphTest, TextDataFileKeepsItsCurvesThroughSavesAndDeletions) {
  dataFile = dir.path() / "ORDER.DAT";
  newSavedDataSet(3, 2, 2, 300);
  EXPECT_EQ(0u, test::TestDir::readFile(dataFile).find("[AUFTRAG]"));
  EXPECT_TRUE(std::filesystem::exists(dir.path() / "ORDER.DAT.GRF"));
  const std::string before = world->describe();
  reopen();
  EXPECT_EQ(0, files().lastGraphLoad());
  EXPECT_EQ(6, model().dataSet()->plotCount);
  EXPECT_FALSE(meas(1, 1, 0).hasPoints());
  EXPECT_EQ(before, world->describe());
  // The text file has no curve rate; the graph file brings it back with the curve.
  EXPECT_EQ(1110, meas(1, 1, 0).curveRate);

  ASSERT_EQ(0, model().deleteSample({0, 0, 0}));
  ASSERT_EQ(0, model().renumber());
  finish(1, 0, 1, 8.25, 90, 71);
  const std::string edited = world->describe();
  ASSERT_EQ(0, files().save());
  EXPECT_EQ(0u, test::TestDir::readFile(dataFile).find("[AUFTRAG]"));
  reopen();
  EXPECT_EQ(0, files().lastGraphLoad());
  EXPECT_EQ(5, model().dataSet()->plotCount);
  EXPECT_EQ(edited, world->describe());
}

} // namespace
} // namespace zv
