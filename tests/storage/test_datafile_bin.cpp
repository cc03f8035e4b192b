// The binary data set file: exact layout, both record layouts, limits, corrupt files, the stop
// button, and a write-protected target.
#include <gtest/gtest.h>

#include <bit>
#include <cstring>

#include "common/zv_datafile_testkit.hpp"
#include "storage/zv_datafile_bin.hpp"

namespace zv {
namespace {

using test::StopAt;

using test::ModelRig;

// Little-endian file bytes built by hand.
class Bytes {
public:
  Bytes& i32(std::int32_t v) {
    for (int i = 0; i < 4; ++i)
      data_.push_back(static_cast<char>((static_cast<std::uint32_t>(v) >> (8 * i)) & 0xFF));
    return *this;
  }
  Bytes& f64(double v) {
    const auto u = std::bit_cast<std::uint64_t>(v);
    for (int i = 0; i < 8; ++i)
      data_.push_back(static_cast<char>((u >> (8 * i)) & 0xFF));
    return *this;
  }
  // text padded with fill bytes to size (no terminating NUL when the text fills it)
  Bytes& text(std::string_view t, std::size_t size, char fill = '\0') {
    std::string f(t.substr(0, size));
    f.resize(size, fill);
    data_ += f;
    return *this;
  }
  Bytes& zeros(std::size_t n) { return text("", n); }
  const std::string& str() const { return data_; }
  std::size_t size() const { return data_.size(); }

private:
  std::string data_;
};

// n little-endian numbers from the bytes at `at`.
template <class T> std::vector<T> numbersAt(const std::string& b, std::size_t at, int n) {
  std::vector<T> out;
  for (int k = 0; k < n; ++k) {
    std::uint64_t u = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i)
      u |= std::uint64_t{static_cast<unsigned char>(b[at + k * sizeof(T) + i])} << (8 * i);
    out.push_back(std::bit_cast<T>(
        static_cast<std::conditional_t<sizeof(T) == 4, std::uint32_t, std::uint64_t>>(u)));
  }
  return out;
}
using Ints = std::vector<std::int32_t>;
using Doubles = std::vector<double>;

// Current layout, hand-made: header and sample blocks.
Bytes header3(std::int32_t samples, std::int32_t storages) {
  Bytes b;
  b.i32(3).i32(64).i32(0).i32(samples).i32(storages);
  b.text("IDNR", 80).text("IDNAME", 80).text("TITLE", 80);
  return b;
}
void sample3(Bytes& b, int index, std::string_view name) {
  b.i32(index).text(name, 30);
}
void storage3(Bytes& b, int s, int t, int count, double range, std::string_view name) {
  b.i32(s).i32(t).i32(count).f64(range).f64(200.0).f64(3.0).text(name, 30).text("eval", 20);
}
void measurement3(Bytes& b, int s, int t, int m, double force) {
  b.i32(s).i32(t).i32(m).i32(55).i32(1).i32(5).i32(1).i32(250);
  b.f64(force).f64(20.0).f64(2.0).f64(100.0).text("Dev", 30);
}

struct BinRig : ModelRig {
  BinaryDataFile file{model, reporter, lang};

  int save(const std::filesystem::path& p, Progress* progress = nullptr) {
    if (int r = file.openBinaryWriteFile(p); r != 0)
      return r;
    const int r = file.writeBinaryDataSet(model.sampleCount(), model.storageCount(), progress);
    const int c = file.closeBinaryWriteFile(r != 0);
    return r != 0 ? r : c;
  }
  int load(std::string_view image) {
    model.createDataSet();
    return file.readBinaryDataSet(image, nullptr);
  }
};

TEST(BinaryFile, LayoutOfHeaderAndRecordsIsByteExact) {
  BinRig rig;
  test::buildDataSet(rig.model, 3, 3, {1});
  const auto p = rig.dir.file("A.BIN");
  ASSERT_EQ(rig.save(p), 0);
  const std::string b = test::TestDir::readFile(p);
  ASSERT_EQ(b.size(), 1982u); // 260 + 3 x (34 + 3 x (86 + 94))

  EXPECT_EQ(numbersAt<std::int32_t>(b, 0, 5), (Ints{3, 64, 0, 3, 3}));
  EXPECT_EQ(b.substr(20, 8), std::string("ID-4711\0", 8));
  EXPECT_EQ(b.substr(27, 73), std::string(73, '\0')); // the field is zero-filled
  EXPECT_EQ(b.substr(100, 16), std::string("Stahlträger Süd"_l1) + '\0');
  EXPECT_EQ(b.substr(180, 8), std::string("[N/mm2]\0", 8));
  // Sample 1 (second block) starts after the first block of 34 + 3 x 180 bytes.
  const std::size_t s1 = 260 + 34 + 3 * 180;
  EXPECT_EQ(numbersAt<std::int32_t>(b, s1, 1), Ints{1});
  EXPECT_EQ(b.substr(s1 + 4, 3), std::string("S8\0", 3));
  const std::size_t t = s1 + 34 + 180; // storage (1, 1)
  const StorageCondition& st = rig.model.dataSet()->samples[1].storages[1];
  EXPECT_EQ(numbersAt<std::int32_t>(b, t, 3), (Ints{1, 1, 1}));
  EXPECT_EQ(numbersAt<double>(b, t + 12, 3), (Doubles{st.range, st.speed, st.area}));
  EXPECT_EQ(b.substr(t + 36, 5), std::string("T1-1\0", 5));
  EXPECT_EQ(b.substr(t + 66, 20), std::string(20, '\0')); // empty evaluation
  const std::size_t m = t + 86;
  const Measurement& ms = st.measurements[0];
  EXPECT_EQ(numbersAt<std::int32_t>(b, m, 8),
            (Ints{1, 1, 0, ms.pointCount, ms.inStatistics, ms.status, ms.channel, ms.curveRate}));
  EXPECT_EQ(numbersAt<double>(b, m + 32, 4), (Doubles{1010.125, 20.0, 2.0, 300.0}));
  EXPECT_EQ(b.substr(m + 64, 9), std::string("Tester 1\0", 9));
}

TEST(BinaryFile, RoundTripKeepsEveryStoredField) {
  BinRig rig;
  test::buildDataSet(rig.model, 4, 5, {1, 3, 10, 2});
  const auto p = rig.dir.file("R.BIN");
  ASSERT_EQ(rig.save(p), 0);
  const DataSet original = *rig.model.dataSet();

  BinRig back;
  back.model.createDataSet();
  ASSERT_EQ(back.file.readBinaryDataSet(p, nullptr), 0);
  const DataSet& d = *back.model.dataSet();
  EXPECT_EQ(d.dataCode, 3);
  test::expectSameContent(original, d, true);
  EXPECT_EQ(d.samples[0].storages[1].statCount, 3); // the record's count until recomputed
  EXPECT_FALSE(test::TestDir::readFile(p).empty());
  EXPECT_FALSE(std::filesystem::exists(rig.dir.file("TEMP.BIN")));
}

TEST(BinaryFile, AStorageWithoutMeasurementsWritesNoRecords) {
  BinRig rig;
  test::buildDataSet(rig.model, 1, 2, {1});
  rig.model.dataSet()->samples[0].storages[0].measurements.clear();
  const auto p = rig.dir.file("Z.BIN");
  ASSERT_EQ(rig.save(p), 0);
  const std::string b = test::TestDir::readFile(p);
  ASSERT_EQ(b.size(), 260u + 34 + 86 + 86 + 94);
  EXPECT_EQ(numbersAt<std::int32_t>(b, 260 + 34 + 8, 1), Ints{0});
  BinRig back;
  ASSERT_EQ(back.load(b), 0);
  // The storage keeps the measurement every storage is created with.
  EXPECT_EQ(back.model.dataSet()->samples[0].storages[0].measurements.size(), 1u);
  EXPECT_EQ(back.model.dataSet()->samples[0].storages[1].measurements[0].force, 10.125);
}

TEST(BinaryFile, OlderLayoutIsReadFromItsOwnOffsets) {
  // Fields at their offsets in records of a fixed size; the bytes between them are ignored.
  auto record = [](std::size_t size, char fill, std::initializer_list<std::pair<int, Bytes>> at) {
    std::string r(size, fill);
    for (const auto& [offset, v] : at)
      r.replace(static_cast<std::size_t>(offset), v.size(), v.str());
    return r;
  };
  Bytes b;
  b.i32(12345).i32(77).i32(88).i32(1).i32(2);
  b.text(record(288, 0,
                {{0, Bytes().text("OLD-NR", 6)},
                 {80, Bytes().text("OLD-NAME", 8)},
                 {204, Bytes().text("OLD-TITLE", 9)}}),
         288);
  b.text(record(40, 0, {{0, Bytes().i32(-1).i32(0).text("Probe A", 30)}}), 40);
  for (int j = 0; j < 2; ++j) {
    b.i32(2 - j).text(record(216, '\x7f',
                             {{4, Bytes().i32(0).i32(j)},
                              {16, Bytes().text(j ? "Lager B" : "Lager A", 30)},
                              {88, Bytes().f64(30.0).f64(200.0).f64(3.0)},
                              {112, Bytes().text("Kohäsion"_l1, 20)}}),
                      216);
    for (int k = 0; k < 2 - j; ++k)
      b.text(record(184, '\x55',
                    {{0, Bytes().i32(40 + k)},
                     {12, Bytes().i32(0).i32(j).i32(k).i32(1)},
                     {32, Bytes().f64(1.5 + k)},
                     {48, Bytes().f64(10.0).f64(1.0).f64(100.0).i32(1)},
                     {76, Bytes().text("Altgerät"_l1, 30)},
                     {144, Bytes().i32(5)}}),
             184);
  }
  ASSERT_EQ(b.size(), 308u + 40 + 2 * 220 + 3 * 184);

  BinRig rig;
  ASSERT_EQ(rig.load(b.str()), 0);
  EXPECT_EQ(rig.model.dataSet()->dataCode, 12345);
  EXPECT_EQ(test::contentText(*rig.model.dataSet(), false),
            "OLD-NR|OLD-NAME|OLD-TITLE\nProbe A\n Lager A|Kohäsion 30 200 3\n"
            "  1.5 40 1 5 1 Altgerät 10 1\n  2.5 41 1 5 1 Altgerät 10 1\n"
            " Lager B|Kohäsion 30 200 3\n  1.5 40 1 5 1 Altgerät 10 1\n"_l1);
}

TEST(BinaryFile, DataCodesOtherThanThreeAnd12345AreRefused) {
  BinRig rig;
  Bytes b = header3(1, 1);
  std::string bytes = b.str();
  bytes[0] = 2;
  EXPECT_EQ(rig.load(bytes), BinBadDataCode);
  EXPECT_TRUE(rig.logged("data code 2"));
  EXPECT_TRUE(rig.model.dataSet()->samples.empty()); // nothing was read
}

TEST(BinaryFile, SampleAndStorageCountsAreCutToTheLimitsAndSurplusGroupsSkipped) {
  // 12 samples of 12 storages, limits 10 x 10: the surplus storage groups of every sample are
  // skipped, so every sample that is read comes from its own block.
  Bytes b = header3(12, 12);
  for (int i = 0; i < 12; ++i) {
    sample3(b, i, "P" + std::to_string(i));
    for (int j = 0; j < 12; ++j) {
      const int count = (i + j) % 3; // 0, 1 or 2 measurement records
      storage3(b, i, j, count, 20.0, "L" + std::to_string(i) + "." + std::to_string(j));
      for (int k = 0; k < count; ++k)
        measurement3(b, i, j, k, i * 100 + j + 0.5 * k);
    }
  }
  BinRig rig;
  rig.model.limits().setMaxSamples(10);
  rig.model.limits().setMaxStorages(10);
  ASSERT_EQ(rig.load(b.str()), 0);
  const DataSet& d = *rig.model.dataSet();
  ASSERT_EQ(d.samples.size(), 10u);
  for (int i = 0; i < 10; ++i) {
    const Sample& s = d.samples[static_cast<std::size_t>(i)];
    EXPECT_EQ(s.name, "P" + std::to_string(i));
    ASSERT_EQ(s.storages.size(), 10u);
    for (int j = 0; j < 10; ++j) {
      const StorageCondition& t = s.storages[static_cast<std::size_t>(j)];
      EXPECT_EQ(t.name, "L" + std::to_string(i) + "." + std::to_string(j));
      const int count = (i + j) % 3;
      ASSERT_EQ(t.measurements.size(), static_cast<std::size_t>(std::max(count, 1)));
      for (int k = 0; k < count; ++k)
        EXPECT_EQ(t.measurements[static_cast<std::size_t>(k)].force, i * 100 + j + 0.5 * k);
    }
  }
}

TEST(BinaryFile, ACountOfZeroReadsTheOneBlockThatFollows) {
  struct Case {
    int samples, storages; // in the header
    int blocks, groups;    // written after it
  };
  for (const Case c : {Case{0, 0, 1, 1}, Case{0, 2, 1, 2}, Case{2, 0, 2, 1}}) {
    SCOPED_TRACE(std::to_string(c.samples) + " x " + std::to_string(c.storages));
    Bytes b = header3(c.samples, c.storages);
    for (int i = 0; i < c.blocks; ++i) {
      sample3(b, i, "P" + std::to_string(i));
      for (int j = 0; j < c.groups; ++j) {
        storage3(b, i, j, 2, 20.0 + j, "L" + std::to_string(j));
        measurement3(b, i, j, 0, 1.5);
        measurement3(b, i, j, 1, 2.5);
      }
    }
    BinRig rig;
    ASSERT_EQ(rig.load(b.str()), 0);
    const DataSet& d = *rig.model.dataSet();
    ASSERT_EQ(d.samples.size(), static_cast<std::size_t>(c.blocks));
    ASSERT_EQ(rig.model.storageCount(), c.groups);
    const StorageCondition& last = d.samples.back().storages.back();
    EXPECT_EQ(d.samples.back().name, "P" + std::to_string(c.blocks - 1));
    EXPECT_EQ(last.name, "L" + std::to_string(c.groups - 1));
    ASSERT_EQ(last.measurements.size(), 2u);
    EXPECT_EQ(last.measurements[1].force, 2.5);
    // Without the block the file is cut short.
    BinRig cut;
    EXPECT_EQ(cut.load(header3(c.samples, c.storages).str()), BinTruncated);
  }
}

TEST(BinaryFile, TooManyMeasurementsFailTheLoadWithAMessage) {
  Bytes b = header3(1, 1);
  sample3(b, 0, "P");
  storage3(b, 0, 0, 11, 10.0, "L");
  for (int k = 0; k < 11; ++k)
    measurement3(b, 0, 0, k, k);
  BinRig rig;
  EXPECT_EQ(rig.load(b.str()), BinGrowFailed);
  EXPECT_TRUE(rig.logged("Maximum Measurings number already available"));
  EXPECT_TRUE(rig.logged("11 measurements in the file, at most allowed: 10 (sample 1, storage 1)"));
}

TEST(BinaryFile, TextFieldsWithoutNulAreCutAtTheFieldSize) {
  Bytes b = header3(1, 1);
  // fill every text field completely: no NUL anywhere
  std::string bytes = b.str();
  std::memset(bytes.data() + 20, 'I', 240);
  Bytes rest;
  rest.i32(0).text("", 30, 'N');
  rest.i32(0).i32(0).i32(1).f64(10).f64(100).f64(1).text("", 30, 'L').text("", 20, 'E');
  rest.i32(0).i32(0).i32(0).i32(0).i32(0).i32(0).i32(0).i32(1);
  rest.f64(1).f64(10).f64(1).f64(100).text("", 30, 'D');
  BinRig rig;
  ASSERT_EQ(rig.load(bytes + rest.str()), 0);
  const DataSet& d = *rig.model.dataSet();
  EXPECT_EQ(d.identNumber, std::string(79, 'I'));
  EXPECT_EQ(d.title, std::string(79, 'I'));
  EXPECT_EQ(d.samples[0].name, std::string(29, 'N'));
  EXPECT_EQ(d.samples[0].storages[0].name, std::string(29, 'L'));
  EXPECT_EQ(d.samples[0].storages[0].evaluation, std::string(19, 'E'));
  EXPECT_EQ(d.samples[0].storages[0].measurements[0].deviceName, std::string(29, 'D'));
}

TEST(BinaryFile, TruncatedAndCorruptFilesFailCleanly) {
  BinRig writer;
  test::buildDataSet(writer.model, 2, 3, {2, 1});
  const auto p = writer.dir.file("T.BIN");
  ASSERT_EQ(writer.save(p), 0);
  const std::string full = test::TestDir::readFile(p);
  // Every cut of the file fails with a clear code; only the whole file loads.
  BinRig rig;
  for (std::size_t n = 0; n < full.size(); ++n) {
    const int r = rig.load(std::string_view(full).substr(0, n));
    EXPECT_TRUE(r == BinTruncated) << "cut at " << n << " gave " << r;
  }
  BinRig whole;
  EXPECT_EQ(whole.load(full), 0);

  // Negative counts.
  BinRig neg;
  EXPECT_EQ(neg.load(header3(-1, 2).str()), BinBadCount);
  Bytes b = header3(1, 1);
  sample3(b, 0, "P");
  storage3(b, 0, 0, -5, 10.0, "L");
  BinRig negM;
  EXPECT_EQ(negM.load(b.str()), BinBadCount);
  EXPECT_TRUE(negM.logged("negative count"));

  // Counts far beyond the file are refused before anything is built for them.
  BinRig huge;
  EXPECT_EQ(huge.load(header3(5, 2'000'000'000).str()), BinTruncated);
  EXPECT_TRUE(huge.model.dataSet()->samples.empty());
  Bytes m = header3(1, 1);
  sample3(m, 0, "P");
  storage3(m, 0, 0, 2'000'000'000, 10.0, "L");
  BinRig hugeM;
  EXPECT_EQ(hugeM.load(m.str()), BinTruncated);
}

TEST(BinaryFile, StopWhileSavingOrLoading) {
  BinRig rig;
  test::buildDataSet(rig.model, 4, 2, {1});
  const auto p = rig.dir.write("K.BIN", "old content");
  StopAt stop(2);
  EXPECT_EQ(rig.save(p, &stop), 1);
  EXPECT_EQ(stop.seen, (std::vector<int>{25, 50}));
  EXPECT_EQ(test::TestDir::readFile(p), "old content");
  EXPECT_FALSE(std::filesystem::exists(rig.dir.file("TEMP.BIN")));
  StopAt never(100);
  ASSERT_EQ(rig.save(p, &never), 0);
  EXPECT_EQ(never.seen, (std::vector<int>{25, 50, 75, 100}));

  BinRig back;
  back.model.createDataSet();
  StopAt loading(2);
  EXPECT_EQ(back.file.readBinaryDataSet(p, &loading), 1);
  EXPECT_EQ(loading.seen, (std::vector<int>{25, 50}));
}

TEST(BinaryFile, WriteProtectedTargetIsRefusedBeforeWriting) {
  ModelRig rig;
  test::buildDataSet(rig.model, 1, 1, {1});
  FaultyFileSystem fs;
  BinaryDataFile file(rig.model, rig.reporter, rig.lang, fs);
  const auto p = rig.dir.write("W.BIN", "old");
  fs.writeProtect(p);
  EXPECT_EQ(file.openBinaryWriteFile(p), BinOpenWriteFailed);
  EXPECT_TRUE(rig.logged("openBinaryWriteFile() OpenFile()"));
  EXPECT_FALSE(file.writeFileOpen());
  EXPECT_EQ(test::TestDir::readFile(p), "old");
}

} // namespace
} // namespace zv
