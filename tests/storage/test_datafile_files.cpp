// The data set files: the binary file (exact layout, both record layouts, limits and corrupt
// files) and the text file (exact text, the cuts and clamps on reading, optional keys, the -15xx
// codes).
#include <gtest/gtest.h>

#include <array>
#include <bit>

#include "common/zv_datafile_testkit.hpp"
#include "storage/test_config_common.hpp"
#include "storage/zv_datafile_bin.hpp"
#include "storage/zv_datafile_txt.hpp"

namespace zv {
namespace {

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
  const std::string& str() const { return data_; }
  std::size_t size() const { return data_.size(); }

private:
  std::string data_;
};

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
void storage3(Bytes& b, int s, int t, int count, double range, std::string_view name,
              double speed = 200.0, double area = 3.0, std::string_view evaluation = "eval") {
  b.i32(s).i32(t).i32(count).f64(range).f64(speed).f64(area).text(name, 30).text(evaluation, 20);
}
// points, in statistics, status, channel, curve rate
void measurement3(Bytes& b, int s, int t, int m, double force,
                  std::array<std::int32_t, 5> fields = {55, 1, 5, 1, 250}, double speed = 100.0,
                  std::string_view device = "Dev") {
  b.i32(s).i32(t).i32(m);
  for (std::int32_t f : fields)
    b.i32(f);
  b.f64(force).f64(20.0).f64(2.0).f64(speed).text(device, 30);
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

// The file of buildDataSet's data set with one measurement per storage (none in storage 0/0
// when `emptyFirst`), built field by field from the same rules.
std::string imageOf(int samples, int storages, bool emptyFirst = false) {
  Bytes b;
  b.i32(3).i32(64).i32(0).i32(samples).i32(storages);
  b.text("ID-4711", 80).text("Stahlträger Süd"_l1, 80).text("[N/mm2]", 80);
  for (int i = 0; i < samples; ++i) {
    sample3(b, i, "S" + std::to_string(i * 7 + 1));
    for (int j = 0; j < storages; ++j) {
      const bool empty = emptyFirst && i == 0 && j == 0;
      storage3(b, i, j, empty ? 0 : 1, 10.0 * ((i + j) % 3 + 1),
               "T" + std::to_string(i) + "-" + std::to_string(j), 100.0 * ((i + 2 * j) % 3 + 1),
               (2 * i + j) % 3 + 1, (i + j) % 2 ? "A/B" : "");
      if (!empty) {
        measurement3(b, i, j, 0, i * 1000 + j * 10 + 0.125, {i, 0, (i + j) % 6, i % 2, 1000}, 300.0,
                     "Tester " + std::to_string(j));
      }
    }
  }
  return b.str();
}

TEST(BinaryFile, LayoutOfHeaderAndRecordsIsByteExact) {
  BinRig rig;
  test::buildDataSet(rig.model, 3, 3, {1});
  const auto p = rig.dir.file("A.BIN");
  ASSERT_EQ(rig.save(p), 0);
  EXPECT_EQ(imageOf(3, 3).size(), 1982u); // 260 + 3 x (34 + 3 x (86 + 94))
  EXPECT_EQ(test::TestDir::readFile(p), imageOf(3, 3));
}

TEST(BinaryFile, AStorageWithoutMeasurementsWritesNoRecords) {
  BinRig rig;
  test::buildDataSet(rig.model, 1, 2, {1});
  rig.model.dataSet()->samples[0].storages[0].measurements.clear();
  const auto p = rig.dir.file("Z.BIN");
  ASSERT_EQ(rig.save(p), 0);
  const std::string b = test::TestDir::readFile(p);
  EXPECT_EQ(b, imageOf(1, 2, true));
  BinRig back;
  ASSERT_EQ(back.load(b), 0);
  // The storage keeps the measurement every storage is created with.
  const Sample& s = back.model.dataSet()->samples[0];
  EXPECT_EQ((std::tuple{s.storages[0].measurements.size(), s.storages[1].measurements[0].force}),
            (std::tuple{1u, 10.125}));
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
  const DataSet& d = *rig.model.dataSet();
  EXPECT_EQ((std::tuple{d.dataCode, d.samples[0].storages[0].measurements[1].speed}),
            (std::tuple{12345, 100.0}));
  EXPECT_EQ(test::contentText(d, false),
            "OLD-NR|OLD-NAME|OLD-TITLE\nProbe A\n Lager A|Kohäsion 30 200 3\n"
            "  1.5 40 1 5 1 Altgerät 10 1\n  2.5 41 1 5 1 Altgerät 10 1\n"
            " Lager B|Kohäsion 30 200 3\n  1.5 40 1 5 1 Altgerät 10 1\n"_l1);
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
  // Counts of zero read the one sample and storage block that follows.
  Bytes zero = header3(0, 0);
  sample3(zero, 0, "P");
  storage3(zero, 0, 0, 1, 20.0, "L");
  measurement3(zero, 0, 0, 0, 0.5);
  BinRig one;
  EXPECT_EQ((std::tuple{one.load(zero.str()), one.model.measurementAt(0, 0, 0)->force}),
            (std::tuple{0, 0.5}));
  EXPECT_EQ(one.load(header3(0, 0).str()), BinTruncated);
  // A negative count and a data code other than 3 and 12345 are refused with their own codes,
  // before anything is read.
  BinRig neg;
  EXPECT_EQ(neg.load(header3(-1, 2).str()), BinBadCount);
  EXPECT_TRUE(neg.logged("negative count"));
  std::string code2 = header3(1, 1).str();
  code2[0] = 2;
  EXPECT_EQ((std::tuple{neg.load(code2), neg.logged("data code 2"),
                        neg.model.dataSet()->samples.empty()}),
            (std::tuple{BinBadDataCode, true, true}));
}

// ---- the text file ------------------------------------------------------------------------------

struct TxtRig : ModelRig {
  TextDataFile file{model, reporter};

  int save(const std::filesystem::path& p, Progress* progress = nullptr) {
    if (int r = file.openTextWriteFile(p); r != 0)
      return r;
    const int r = file.writeTextDataSet(model.sampleCount(), model.storageCount(), progress);
    const int c = file.closeTextWriteFile(p, r);
    return r != 0 ? r : c;
  }
  // Loads INI text into a fresh data set.
  int load(std::string_view text, Progress* progress = nullptr) {
    model.createDataSet();
    MemoryFile f(text);
    if (int r = file.openTextReadFile(f); r != 0)
      return r;
    const int r = file.readTextDataSet(progress);
    file.closeTextReadFile();
    return r;
  }
};

const std::string Header = "[AUFTRAG]\nProgrammkennung = 3\nProben = 1\nLagerungen = 1\n";

TEST(TextFile, NewDataSetIsWrittenExactly) {
  TxtRig rig;
  rig.model.createDataSet();
  rig.model.addSamples(1);
  rig.model.addStorages(1);
  rig.model.renumber();
  const auto p = rig.dir.file("N.DAT");
  ASSERT_EQ(rig.save(p), 0);
  EXPECT_EQ(
      test::TestDir::readFile(p),
      test::crlf("[AUFTRAG]\nProgrammkennung = 3\nProgramm-Version = 64\nProben = 1\n"
                 "Lagerungen = 1\nIDENT-Nummer = \"--\"\nIDENT-Name = \"New\"\n"
                 "Tabellen-Titel = \"[N/mm2]\"\n\n[Probe-1]\nProbenname = \"P1\"\n\n"
                 "[Probe-1/Lagerung-1]\nMessungen = 1\nMeßbereich = 10\nAbzug = 100\n"
                 "Probenfläche = 1\nLagerungsname = \"L1\"\nAusriß(Summe) = \"\"\n\n"
                 "[Probe-1/Lagerung-1/Messung-1]\nMeßwert = 0\nMeßpunkte = 0\nStatistik = 0\n"
                 "Status = 0\nMeßbereich = 10\nProbenfläche = 1\nKanal = 0\nGerätename = \"\"\n"
                 "\n"));
}

// Hand-written files: counts clamped to the limits, the measurement count from the storage
// section, texts cut to their fields, absent sections and keys leaving the created values, the
// program code taken as the data code unchecked. Each load as "result code|data code" and the
// data set's content.
TEST(TextFile, WhatAHandWrittenFileGives) {
  const auto loaded = [](const std::string& text) {
    TxtRig rig;
    rig.model.limits().setMaxSamples(10);
    rig.model.defaults().samplePrefix = "Q";
    const int r = rig.load(text);
    return std::to_string(r) + "|" + std::to_string(rig.model.dataSet()->dataCode) + "\n" +
           test::contentText(*rig.model.dataSet(), false);
  };
  std::string many = "[AUFTRAG]\nProben = 12\nLagerungen = 1\n";
  for (int s = 1; s <= 12; ++s)
    many += "[Probe-" + std::to_string(s) + "]\nProbenname = \"N" + std::to_string(s) + "\"\n";
  const std::string created = "--|New|[N/mm2]\n";
  const std::string storage = " L1| 10 100 1\n";
  const std::string empty = "  0 0 0 0 0  10 1\n";
  std::string tenSamples = "0|0\n" + created, tenEmpty;
  for (int k = 0; k < 10; ++k)
    tenEmpty += empty;
  for (int s = 1; s <= 10; ++s)
    tenSamples += "N" + std::to_string(s) + "\n" + storage + empty;
  const std::pair<std::string, std::string> cases[] = {
      {"[AUFTRAG]\nProben = 0\nLagerungen = -3\n", "0|0\n" + created + "Q1\n" + storage + empty},
      {many, tenSamples},
      {Header + "[Probe-1/Lagerung-1]\nMessungen = 3\n[Probe-1/Lagerung-1/Messung-2]\n"
                "Meßwert = 2.5\nStatus = 9\nStatistik = -1\n[Probe-1/Lagerung-1/Messung-4]\n"
                "Meßwert = 4\n"_l1,
       "0|3\n" + created + "Q1\n" + storage + empty + "  2.5 0 0 5 0  10 1\n" + empty},
      {"[AUFTRAG]\nProgrammkennung = 12345\nProben = 2\nLagerungen = 1\n[Probe-1]\n"
       "Probenname = \"" +
           std::string(35, 'x') +
           "\"\n[Probe-1/Lagerung-1]\n"
           "Lagerungsname = \"" +
           std::string(40, 'y') + "\"\nAusriß(Summe) = \""_l1 + std::string(25, 'z') + "\"\n",
       "0|12345\n" + created + std::string(29, 'x') + "\n " + std::string(29, 'y') + "|" +
           std::string(19, 'z') + " 10 100 1\n" + empty + "Q2\n" + storage + empty},
      {Header + "[Probe-1/Lagerung-1]\nMessungen = 11\n",
       "-1588|3\n" + created + "Q1\n" + storage + tenEmpty},
  };
  for (const auto& [text, expected] : cases)
    EXPECT_EQ(loaded(text), expected) << text;
  TxtRig rig;
  rig.load(cases[4].first);
  EXPECT_TRUE(rig.logged("Maximum Measurings number already available"));
}

// A header that fails gives -1580 for the whole file, a value that does not convert the code of
// its step; the error record names the failing key.
TEST(TextFile, FailuresGiveTheCodeOfTheirStepAndRecordTheirKey) {
  const std::tuple<std::string, int, int> cases[] = {
      {"[OTHER]\nx = 1\n", -1580, -1506},
      {"[AUFTRAG]\nProben = 1x\nLagerungen = 1\n", -1580, -1510},
      {Header + "[Probe-1/Lagerung-1]\nMessungen = x\n", -1587, -1542},
      {Header + "[Probe-1/Lagerung-1/Messung-1]\nMeßwert = 1.5kN\n"_l1, -1590, -1562},
  };
  for (const auto& [text, step, key] : cases) {
    TxtRig rig;
    EXPECT_EQ((std::tuple{rig.load(text), rig.recorded(key), rig.recorded(step)}),
              (std::tuple{step, true, true}))
        << text;
  }
}

} // namespace
} // namespace zv
