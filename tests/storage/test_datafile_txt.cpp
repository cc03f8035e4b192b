// The text data set file: exact text, the cuts and clamps on reading, optional keys, the -15xx
// codes, and Stop while saving.
#include <gtest/gtest.h>

#include "common/zv_datafile_testkit.hpp"
#include "storage/test_config_common.hpp"
#include "storage/zv_datafile_txt.hpp"

namespace zv {
namespace {

using test::StopAt;

using test::ModelRig;

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
