// The graph file's bytes: records, checksums, the stamp block, atomic replacement and the
// copy kept of a graph file that has to make way.
#include <gtest/gtest.h>

#include "common/zv_graph_backup_fixture.hpp"
#include "support/zv_crc32.hpp"
#include "support/zv_graphfile_store.hpp"

namespace zv {
namespace {

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

struct Curve {
  GraphRecordHeader header;
  std::vector<double> points;
};

// Writes a graph file for dataFile through the store's temporary-file steps.
int writeGraph(GraphFileStore& store, const std::filesystem::path& dataFile,
               const std::vector<Curve>& curves, const GraphFileStamps& stamps = {}) {
  if (int r = store.GraphFileOpenTemp(dataFile))
    return r;
  if (int r = store.GraphFileWriteVersion(GraphFileVersion, stamps))
    return r;
  for (const auto& c : curves) {
    if (int r = store.datfileWriteHeader(c.header))
      return r;
    if (int r = store.GraphFileWritePoints(c.points.data(), c.points.size()))
      return r;
  }
  if (int r = store.GraphFileCloseTemp())
    return r;
  return store.GraphFileCopyTempAndDelete(dataFile);
}

// Every record the walk finds, with its points.
std::vector<Curve> readGraph(GraphFileStore& store, const std::filesystem::path& dataFile) {
  std::vector<Curve> out;
  store.GraphFileSetDatafileName(dataFile);
  if (store.GraphFileOpen() != 0)
    return out;
  std::int32_t version = 0;
  EXPECT_EQ(0, store.GraphFileReadVersion(version));
  EXPECT_EQ(GraphFileVersion, version);
  for (int more = store.GraphSetFileFirstPos(); more > 0;) {
    const auto pos = store.GraphFileGetFilePos();
    Curve c;
    if (store.datfileReadHeader(c.header) != 0)
      break;
    if (store.GraphFileReadPoints(c.header, c.points) != 0)
      break;
    out.push_back(c);
    more = store.GraphSetFileNextPos(c.header, pos);
  }
  return out;
}

Curve curve(int points, int s, int t, int k, int rate = 500) {
  Curve c;
  GraphFileStore::GraphFileFillHeader(c.header, 8, points, s, t, k, rate);
  c.points = test::testCurve(points, 10 * s + t + k);
  return c;
}

TEST(GraphFileStoreTest, RecordsAndStampsRoundTrip) {
  TestDir dir;
  GraphFileStore store;
  const auto data = dir.write("A.DAT", "data");
  const GraphFileStamps stamps{{true, 4, 0x1234}, {true, 99, 0xABCD}};
  const std::vector<Curve> curves = {curve(10, 0, 0, 0), curve(0, 0, 1, 0), curve(3000, 2, 1, 5)};
  ASSERT_EQ(0, writeGraph(store, data, curves, stamps));

  EXPECT_EQ(dir.file("A.DAT.GRF"), GraphFileStore::graphPathFor(data));
  EXPECT_EQ(4u + 36u + 3 * 28u + (10 + 3000) * 8u,
            std::filesystem::file_size(dir.file("A.DAT.GRF")));
  const auto back = readGraph(store, data);
  ASSERT_EQ(3u, back.size());
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ((std::tuple{back[i].points, back[i].header.measurementIndex,
                          back[i].header.pointsPerSecond}),
              (std::tuple{curves[i].points, curves[i].header.measurementIndex, 500}));
  }
  EXPECT_EQ((std::tuple{store.GraphFileGetStamps().data, store.GraphFileGetStamps().previous}),
            (std::tuple{stamps.data, stamps.previous}));
}

TEST(GraphFileStoreTest, DamageIsRecognised) {
  TestDir dir;
  GraphFileStore store;
  const auto data = dir.write("A.DAT", "x");
  ASSERT_EQ(0, writeGraph(store, data, {curve(100, 0, 0, 0), curve(100, 0, 0, 1)}));
  const auto graph = GraphFileStore::graphPathFor(data);
  std::string bytes = TestDir::readFile(graph);

  // A file cut inside the second record gives the first one only.
  dir.write("A.DAT.GRF", bytes.substr(0, bytes.size() - 50));
  EXPECT_EQ(1u, readGraph(store, data).size());

  // A damaged stamp block makes the file unusable.
  std::string stamp = bytes;
  stamp[14] ^= 1;
  dir.write("A.DAT.GRF", stamp);
  store.GraphFileSetDatafileName(data);
  ASSERT_EQ(0, store.GraphFileOpen());
  std::int32_t version = 0;
  EXPECT_EQ(GraphStoreBadFormat, store.GraphFileReadVersion(version));
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

} // namespace
} // namespace zv
