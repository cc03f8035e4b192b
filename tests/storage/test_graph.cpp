// The graph file: its bytes (records, checksums, the stamp block, the copy kept of a file that
// has to make way) and the curves of a data set in it: saved after the data file, attached on
// load to the data file state they were saved with (or, on another state, where their
// measurement fits), read on demand.
#include <gtest/gtest.h>

#include "common/zv_faults.hpp"
#include "common/zv_graph_backup_fixture.hpp"
#include "platform/zv_latin1.hpp"
#include "support/zv_crc32.hpp"
#include "support/zv_graphfile_store.hpp"

namespace zv {
namespace {

using test::GraphBackupFixture;
using test::testCurve;
using test::TestDir;

TEST(Crc32, KnownValueAndContinuation) {
  const std::string text = "123456789";
  EXPECT_EQ(0xCBF43926u, crc32(text.data(), text.size()));
  EXPECT_EQ(0u, crc32(nullptr, 0));
  // Any split gives the same checksum, including splits inside the 8-byte steps.
  std::string long_(1000, '\0');
  for (std::size_t i = 0; i < long_.size(); ++i)
    long_[i] = static_cast<char>(i * 7 + 3);
  const std::uint32_t whole = crc32(long_.data(), long_.size());
  for (std::size_t cut : {1u, 7u, 8u, 9u, 500u, 999u})
    EXPECT_EQ(whole, crc32(long_.data() + cut, long_.size() - cut, crc32(long_.data(), cut)));
}

TEST(FastChecksumTest, PiecesChangesAndOrder) {
  std::string data(1003, '\0');
  for (std::size_t i = 0; i < data.size(); ++i)
    data[i] = static_cast<char>(i * 31 + 7);
  FastChecksum whole;
  whole.update(data.data(), data.size());
  // Any split into pieces gives the same value.
  for (std::size_t a : {1u, 3u, 8u, 13u, 32u, 33u, 500u}) {
    FastChecksum parts;
    parts.update(data.data(), a);
    parts.update(data.data() + a, 7);
    parts.update(data.data() + a + 7, data.size() - a - 7);
    EXPECT_EQ(whole.value(), parts.value()) << a;
  }
  // Every single flipped bit, a swap of two words and a lost trailing zero byte change it.
  for (std::size_t i = 0; i < data.size(); i += 17) {
    for (int bit = 0; bit < 8; bit += 3) {
      std::string flipped = data;
      flipped[i] = static_cast<char>(flipped[i] ^ (1 << bit));
      FastChecksum c;
      c.update(flipped.data(), flipped.size());
      EXPECT_NE(whole.value(), c.value()) << i << " " << bit;
    }
  }
  std::string swapped = data;
  std::swap_ranges(swapped.begin() + 64, swapped.begin() + 72, swapped.begin() + 96);
  FastChecksum s;
  s.update(swapped.data(), swapped.size());
  EXPECT_NE(whole.value(), s.value());
  const std::string zeros(16, '\0');
  FastChecksum z15, z16;
  z15.update(zeros.data(), 15);
  z16.update(zeros.data(), 16);
  EXPECT_NE(z15.value(), z16.value());
}

TEST(GraphFileStoreTest, SetAsideKeepsCopiesUnderFreeNames) {
  TestDir dir;
  GraphFileStore store;
  store.GraphFileSetTempDir(dir.path() / "Graph");
  const auto data = dir.write("A.DAT", "x");
  // Nothing there yet: nothing copied. The original stays until it is replaced.
  std::vector<std::string> copies;
  for (const char* content : {"", "first", "second"}) {
    if (*content) {
      dir.write("A.DAT.GRF", content);
    }
    std::filesystem::path copied;
    EXPECT_EQ(0, store.GraphFileSetAside(data, copied));
    copies.push_back(copied.empty() ? "-"
                                    : copied.lexically_relative(dir.path()).generic_string() + "=" +
                                          TestDir::readFile(copied));
  }
  EXPECT_EQ(copies,
            (std::vector<std::string>{"-", "Graph/A.DAT.1.GRF=first", "Graph/A.DAT.2.GRF=second"}));
  EXPECT_EQ(
      (std::tuple{TestDir::readFile(dir.path() / "Graph" / "A.DAT.1.GRF"), dir.read("A.DAT.GRF")}),
      (std::tuple{"first", "second"}));
}

// ---- the curves of a data set -------------------------------------------------------------------

struct GraphTest : GraphBackupFixture {
  GraphFile& graph() { return world->graph; }
  Measurement& meas(int s, int t, int k) { return *model().measurementAt(s, t, k); }
  void startOverAs(const char* name, int samples, int storages, int measurements, int points) {
    dataFile = dir.path() / name;
    startOver(samples, storages, measurements, points);
  }
};

// Either data file format: curves come back on demand (the text file has no curve rate, the
// graph file brings it), and deletions keep each curve with its measurement through a save.
TEST_F(GraphTest, SavedCurvesComeBackOnDemandAndFollowDeletions) {
  for (const char* name : {"ORDER.BIN", "ORDER.DAT"}) {
    SCOPED_TRACE(name);
    startOverAs(name, 3, 2, 2, 300);
    // Beside the data file: a version and stamp block of 40 bytes, then one record of a 28-byte
    // header and the points for each of the six curves.
    EXPECT_EQ(std::filesystem::file_size(dir.path() / (std::string(name) + ".GRF")),
              4u + 36u + 6 * (28u + 300 * 8u));
    const std::string before = world->describe();
    reopen();
    // One curve per storage was recorded; the empty second slots have none.
    EXPECT_EQ((std::tuple{files().lastGraphLoad(), model().dataSet()->plotCount,
                          meas(2, 1, 0).hasPoints(), meas(2, 1, 0).graphFilePos > 0,
                          meas(2, 1, 1).graphFilePos}),
              (std::tuple{0, 6, false, true, -1}));
    EXPECT_EQ((std::tuple{graph().graphReadCurve(&meas(2, 1, 0)), meas(2, 1, 0).points,
                          meas(2, 1, 0).curveRate, graph().graphReadCurve(&meas(2, 1, 1)),
                          meas(2, 1, 1).hasPoints()}),
              (std::tuple{0, testCurve(300, 210), 1210, 0, false}));
    EXPECT_EQ(before, world->describe());

    ASSERT_EQ(0, model().deleteSample({0, 0, 0}));
    ASSERT_EQ(0, model().deleteStorage({0, 1, 0}));
    ASSERT_EQ(0, model().renumber());
    // Former sample 2, storage 0 is now (1, 0); its curve is the one recorded there.
    EXPECT_EQ((std::tuple{graph().graphReadCurve(&meas(1, 0, 0)), meas(1, 0, 0).points}),
              (std::tuple{0, testCurve(300, 200)}));
    finish(1, 0, 1, 8.25, 90, 71);
    const std::string edited = world->describe();
    ASSERT_EQ(0, files().save());
    EXPECT_EQ(std::string(name).ends_with("DAT"),
              TestDir::readFile(dataFile).starts_with("[AUFTRAG]"));
    reopen();
    EXPECT_EQ((std::tuple{files().lastGraphLoad(), model().dataSet()->plotCount}),
              (std::tuple{0, 3}));
    EXPECT_EQ(edited, world->describe());
  }
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
    const std::string oldGraph = TestDir::readFile(graphPath());
    reopen();
    for (int s : c.changed)
      meas(s, 0, 0).pointCount = 7;
    handler().state().saveGraph = 0;
    ASSERT_EQ(0, files().save());
    ASSERT_EQ(oldGraph, TestDir::readFile(graphPath()));

    const std::size_t popupsBefore = ui.popups().size();
    log.lines.clear();
    reopen();
    EXPECT_EQ(c.attached, model().dataSet()->plotCount);
    ASSERT_FALSE(log.lines.empty());
    EXPECT_NE(log.lines.front().find(std::to_string(c.attached) + " curves attached, " +
                                     std::to_string(3 - c.attached) + " without"),
              std::string::npos)
        << log.lines.front();
    if (c.attached > 0) { // no popup while some curves fit
      EXPECT_EQ((std::tuple{files().lastGraphLoad(), ui.popups().size(),
                            graph().graphReadCurve(&meas(2, 0, 0)), meas(2, 0, 0).points,
                            meas(1, 0, 0).graphFilePos}),
                (std::tuple{0, popupsBefore, 0, testCurve(20, 200), -1}));
    } else {
      ASSERT_EQ(popupsBefore + 1, ui.popups().size());
      EXPECT_EQ(
          (std::tuple{files().lastGraphLoad(), ui.popups().back(),
                      world->graph.attachedDataFile().empty()}),
          (std::tuple{graph_code::StampMismatch,
                      "File - Open| Error when opening the Graphic file: " + dataFile.string() +
                          ", Error= " + std::to_string(graph_code::StampMismatch),
                      true}));
    }
    EXPECT_FALSE(meas(1, 0, 0).hasPoints());

    // Saving writes a graph file of what was attached and keeps the old one aside whole.
    ASSERT_EQ(0, files().save());
    const auto aside = world->graph.lastSetAside();
    EXPECT_EQ((std::tuple{aside.parent_path(), TestDir::readFile(aside)}),
              (std::tuple{dir.path() / "Graph", oldGraph}));
    reopen();
    EXPECT_EQ((std::tuple{files().lastGraphLoad(), model().dataSet()->plotCount,
                          world->graph.attachedDataFile()}),
              (std::tuple{0, c.attached, dataFile}));
    ASSERT_EQ(0, files().close());
  }
}

TEST_F(GraphTest, SavingWithoutGraphKeepsTheCurvesInMemoryUntilClosed) {
  newSavedDataSet(1, 2, 2, 30);
  reopen();
  handler().state().saveGraph = 0;
  finish(0, 1, 1, 4.0, 25, 61);
  const std::string expected = world->describe();
  const std::string graphBefore = TestDir::readFile(graphPath());
  ASSERT_EQ(0, files().save());
  EXPECT_EQ((std::tuple{TestDir::readFile(graphPath()), meas(0, 1, 1).points, world->describe()}),
            (std::tuple{graphBefore, testCurve(25, 61), expected}));
  // The next save with graphs writes it; the data file did not change in between, so the
  // old graph file is still attached and its curves are copied.
  handler().state().saveGraph = 1;
  ASSERT_EQ(0, files().save());
  reopen();
  EXPECT_EQ((std::tuple{files().lastGraphLoad(), world->describe()}), (std::tuple{0, expected}));
}

TEST_F(GraphTest, DamagedOrForeignGraphFileLoadsWithoutCurves) {
  newSavedDataSet(1, 1, 1, 20);
  for (std::string content : {std::string("junk"), std::string(40, '\0'), std::string()}) {
    dir.write(graphPath().filename().string(), content);
    reopen();
    EXPECT_EQ((std::tuple{files().lastGraphLoad(), model().dataSet()->plotCount}),
              (std::tuple{graph_code::LoadIndexFailed, 0}));
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
    const std::string data = TestDir::readFile(dataFile);
    const std::string curves = TestDir::readFile(graphPath());
    finish(1, 0, 0, 9.0, 40, 7); // a new curve: both files would change
    c.fault.apply(fs, dataFile);
    ui.shown.clear();
    EXPECT_EQ(c.code, files().save());
    fs.clearFaults();
    EXPECT_EQ((std::tuple{ui.popups(), TestDir::readFile(dataFile), TestDir::readFile(graphPath()),
                          model().isChanged() != 0}),
              (std::tuple{std::vector<std::string>{c.popup}, data, curves, true}));
    // Saved again, the pair is of one state: every curve attaches as saved.
    ASSERT_EQ(0, files().save());
    const std::string saved = world->describe();
    reopen();
    EXPECT_EQ((std::tuple{files().lastGraphLoad(), world->describe()}), (std::tuple{0, saved}));
    ASSERT_EQ(0, files().close());
  }
  lang.language = 1;
}

TEST_F(GraphTest, DamagedCurveIsReportedNotShown) {
  newSavedDataSet(1, 1, 1, 50);
  std::string bytes = TestDir::readFile(graphPath());
  bytes[40 + 24 + 8] ^= 0x40;
  dir.write(graphPath().filename().string(), bytes);
  reopen(); // the stamp names the data file, not the curve bytes: the file attaches
  EXPECT_EQ((std::tuple{graph().graphReadCurve(&meas(0, 0, 0)), meas(0, 0, 0).hasPoints(),
                        meas(0, 0, 0).pointCount}),
            (std::tuple{graph_code::ReadFailed, false, 50}));
}

} // namespace
} // namespace zv
