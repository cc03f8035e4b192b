// zarvik-tool: convert both ways, dump as JSON, exit codes and messages for bad input.
#include <gtest/gtest.h>

#include <cstdlib>
#include <nlohmann/json.hpp>
#include <sstream>

#include "common/zv_datafile_testkit.hpp"
#include "common/zv_test_system.hpp"
#include "platform/zv_latin1.hpp"
#include "program/zv_copy_commands.hpp"
#include "program/zv_program.hpp"
#include "storage/zv_datafile.hpp"
#include "zv_tool.hpp"

namespace zv {
namespace {

struct ToolRun {
  int code;
  std::string out;
  std::string err;
};

ToolRun run(std::vector<std::string> args) {
  args.insert(args.begin(), "zarvik-tool");
  std::ostringstream out, err;
  const int code = tool::runTool(args, out, err);
  return {code, out.str(), err.str()};
}

// Saves the rig's data set as the program does.
std::filesystem::path saveModel(test::ModelRig& rig, const std::string& name) {
  ProgramTexts texts;
  texts.select(rig.lang);
  DataFileHandler files({rig.model, rig.reporter, rig.ui, rig.lang, texts, realFileSystem()});
  files.setDataFile(rig.dir.file(name));
  EXPECT_EQ(files.saveDataSet(), 0);
  return rig.dir.file(name);
}

std::filesystem::path writeDataSet(test::ModelRig& rig, const std::string& name, int s, int t) {
  test::buildDataSet(rig.model, s, t, {1, 2});
  return saveModel(rig, name);
}

TEST(ZarvikTool, ConvertsToTextAndBackByteForByte) {
  test::ModelRig rig;
  test::buildDataSet(rig.model, 3, 2, {1, 3});
  // What a .BIN written by the program holds: each measurement at its storage's speed, the
  // curve rate a loaded file has, and forces that need all 17 digits.
  for (Sample& s : rig.model.dataSet()->samples)
    for (StorageCondition& t : s.storages)
      for (Measurement& m : t.measurements) {
        m.speed = t.speed;
        m.curveRate = 1;
        m.force = (m.force + 0.1) / 3.0;
      }
  rig.model.measurementAt(0, 0, 0)->force = 0.1 + 0.2;
  const auto bin = saveModel(rig, "A.BIN");
  const auto dat = rig.dir.file("A.DAT");
  const auto back = rig.dir.file("B.BIN");
  ToolRun r = run({"convert", bin.string(), dat.string()});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(test::TestDir::readFile(dat).substr(0, 9), "[AUFTRAG]");
  r = run({"convert", dat.string(), back.string()});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(test::TestDir::readFile(bin), test::TestDir::readFile(back));
}

TEST(ZarvikTool, ConvertRefusesToDropDataOrToWriteAFileOntoItself) {
  test::ModelRig rig;
  rig.model.limits().setMaxSamples(30);
  test::buildDataSet(rig.model, 25, 3, {1, 2});
  const auto big = saveModel(rig, "BIG.BIN");
  const std::string bytes = test::TestDir::readFile(big);
  std::filesystem::create_symlink(big, rig.dir.file("LINK.BIN"));
  const auto ini = rig.dir.write("ZARVIK.INI", "[INFO]\r\nMaximale Probenzahl = 12\r\n");
  struct Case {
    std::vector<std::string> args;
    int code;
    std::string says;
  };
  const Case cases[] = {
      {{"convert", big.string(), rig.dir.file("o1.DAT").string()},
       tool::ExitLimits,
       "holds 25 samples of 3 storages with up to 2 measurements; the built-in limits are 20, 20 "
       "and 10"},
      {{"--config", ini.string(), "convert", big.string(), rig.dir.file("o2.DAT").string()},
       tool::ExitLimits,
       "--config"},
      {{"convert", big.string(), rig.dir.file("LINK.BIN").string(), "--force"},
       tool::ExitUsage,
       "same file"},
  };
  for (const Case& c : cases) {
    const ToolRun r = run(c.args);
    EXPECT_EQ(r.code, c.code) << r.err;
    EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
  }
  EXPECT_FALSE(std::filesystem::exists(rig.dir.file("o1.DAT")));
  EXPECT_EQ(test::TestDir::readFile(big), bytes);

  // Asked for, the cut keeps what fits.
  ToolRun r = run({"convert", big.string(), rig.dir.file("cut.DAT").string(), "--cut"});
  ASSERT_EQ(r.code, 0) << r.err;
  r = run({"dump", rig.dir.file("cut.DAT").string()});
  EXPECT_EQ(nlohmann::json::parse(r.out)["samples"].size(), 20u);
}

// The JSON is UTF-8, carries each measurement's bond tension and each storage's statistics, and
// spells out the numbers JSON has no word for.
TEST(ZarvikTool, DumpPrintsTheDataSetWithTensionsAndStatisticsAsUtf8Json) {
  test::ModelRig rig;
  test::buildDataSet(rig.model, 2, 2, {3, 2});
  StorageCondition& cell = *rig.model.storageAt(1, 1);
  StorageCondition& broken = *rig.model.storageAt(0, 0);
  for (int k = 0; k < 3; ++k) {
    Measurement& m = cell.measurements[static_cast<std::size_t>(k % 2)];
    std::tie(m.area, m.force, m.inStatistics) = std::tuple{cell.area, cell.area * (k % 2 + 1), 1};
    // Over area 0: Infinity, NaN, -Infinity.
    Measurement& b = broken.measurements[static_cast<std::size_t>(k)];
    std::tie(b.area, b.force, b.inStatistics) = std::tuple{0.0, 2.0 - 2.0 * k, 1};
  }
  saveModel(rig, "D.BIN");
  const ToolRun r = run({"dump", rig.dir.file("D.BIN").string()});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_TRUE(r.err.empty()) << r.err;
  const auto j = nlohmann::json::parse(r.out);
  EXPECT_EQ((std::tuple{"Stahlträger Süd", 3, 2, 2u}),
            (std::tuple{j["identName"], j["dataCode"], j["sampleCount"], j["samples"].size()}));
  const auto& storage = j["samples"][1]["storages"][1];
  const auto& m = storage["measurements"];
  const auto& st = storage["statistics"];
  EXPECT_EQ(
      (std::tuple{"T1-1", 30.0, 2u, 1001.125, "Tester 1", 8, 2.0, 2, 1.5}),
      (std::tuple{storage["name"], storage["range"], m.size(),
                  j["samples"][1]["storages"][0]["measurements"][1]["force"], m[1]["deviceName"],
                  m[1]["pointCount"], m[1]["bondTension"], st["statCount"], st["mean"]}));
  EXPECT_NEAR(st["sa"].get<double>(), 0.7071, 1e-4);
  const auto& b = j["samples"][0]["storages"][0];
  EXPECT_EQ((std::tuple{"Infinity", "NaN", "-Infinity", 0.0, "NaN", "NaN"}),
            (std::tuple{b["measurements"][0]["bondTension"], b["measurements"][1]["bondTension"],
                        b["measurements"][2]["bondTension"], b["measurements"][0]["area"],
                        b["statistics"]["mean"], b["statistics"]["sa"]}));
}

TEST(ZarvikTool, BadInputGivesAClearErrorAndExitCode) {
  test::ModelRig rig;
  const auto junk = rig.dir.write("J.BIN", std::string("\x03\0\0\0", 4) + "short");
  ToolRun r = run({"dump", junk.string()});
  EXPECT_EQ((std::tuple{tool::ExitLoad, true}), (std::tuple{r.code, r.out.empty()}));
  EXPECT_NE(r.err.find("cannot load"), std::string::npos);
  EXPECT_NE(r.err.find("ends before the data it announces"), std::string::npos) << r.err;
  r = run({"dump", rig.dir.file("missing.DAT").string()});
  EXPECT_EQ(r.code, tool::ExitLoad);
  EXPECT_NE(r.err.find("File not available"), std::string::npos);

  // A target of no known kind, one that exists without --force, one in no folder, a missing
  // configuration; no command or an unknown one (the argument parser's own codes).
  const auto good = writeDataSet(rig, "G.BIN", 1, 1).string();
  EXPECT_EQ(
      (std::vector<int>{tool::ExitUsage, tool::ExitUsage, tool::ExitSave, tool::ExitSettings}),
      (std::vector<int>{run({"convert", good, rig.dir.file("out.json").string()}).code,
                        run({"convert", good, good}).code,
                        run({"convert", good, (rig.dir.file("nodir") / "o.DAT").string()}).code,
                        run({"--config", rig.dir.file("none.ini").string(), "dump", good}).code}));
  EXPECT_TRUE(run({}).code != 0 && run({"frobnicate"}).code != 0);
}

// Stored list values are checked against the built-in lists, or the configured device's, and
// the configured limits apply.
TEST(ZarvikTool, ListValuesAndLimitsComeFromTheConfiguration) {
  test::ModelRig rig;
  test::buildDataSet(rig.model, 12, 1, {1});
  for (Sample& sample : rig.model.dataSet()->samples)
    sample.storages[0].range = 42.0;
  saveModel(rig, "R.DAT");
  ToolRun r = run({"dump", rig.dir.file("R.DAT").string()});
  ASSERT_EQ(r.code, 0);
  EXPECT_NE(r.err.find("12 storage values not in the lists of device \"built-in lists\""),
            std::string::npos)
      << r.err;
  EXPECT_EQ(nlohmann::json::parse(r.out)["samples"].size(), 12u);

  // A device whose piston list holds 42 kN: the stored range is in its lists and stays.
  const auto device = rig.dir.write(
      "D1.ZRK",
      "[GERAETEKENNUNG]\r\nName = \"Rig 1\"\r\n\r\n[KOLBEN_LISTE]\r\n"
      "Kolben-1 = \"15 0   42.000   10.000    0.000   10.000    0.000   10.000\"\r\n\r\n");
  const auto ini = rig.dir.write("ZARVIK.INI", "[INFO]\r\nMaximale Probenzahl = 5\r\n"
                                               "[Hardware]\r\nGer\xE4tedatei-1 = \"" +
                                                   device.string() + "\"\r\n");
  r = run({"--config", ini.string(), "dump", rig.dir.file("R.DAT").string()});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.err.find("not in the lists"), std::string::npos) << r.err;
  const auto j = nlohmann::json::parse(r.out);
  EXPECT_EQ((std::tuple{10u, 42.0}), // 5 samples is clamped to 10
            (std::tuple{j["samples"].size(), j["samples"][0]["storages"][0]["range"]}));
}

// The program's clipboard and `export` give the same text for the same data set and the same
// configuration, in both languages' column words and with the decimal comma.
TEST(ZarvikToolExport, PrintsWhatTheProgramCopiesToTheClipboard) {
  test::TestDir dir;
  const auto ini = dir.write("ZARVIK.INI", "[Optionen]\nSprache=0\n"
                                           "[Clipboard]\nKommaoption=1\nKommastellen=3\n"
                                           "NumerischeZahl=2\nFloatZahl=9\n"
                                           "[Haftzug]\nVerst\xE4rkung=1000\n");
  test::ScriptedUi ui;
  test::FakeClock clock;
  MemoryRegistry registry{(dir.path() / "").string()};
  Program p{ui, clock, registry, dir.path() / "fallback" / ""};
  ASSERT_EQ(p.startUp({"zarvik"}), 0);
  test::RecordingLog log;
  p.logInit(&log);
  p.executableDirectory = "/opt/zarvik";
  test::buildDataSet(p.data.model, 2, 3, {1, 2});
  p.data.model.measurementAt(1, 2, 0)->inStatistics = 0;
  const auto file = dir.file("X.BIN");
  p.data.files.setDataFile(file);
  ASSERT_EQ(p.data.files.saveDataSet(), 0);
  ASSERT_EQ(p.data.files.loadDataSetReport(0), 0);

  const tool::ToolHost host{clock, "/opt/zarvik"};
  const std::pair<const char*, int (*)(Program&)> exports[] = {
      {"table", copyOrderTable}, {"data", copyDataTable}, {"report", copyReport}};
  for (const auto& [what, copy] : exports) {
    ASSERT_EQ(copy(p), 0) << what;
    std::ostringstream out, err;
    ASSERT_EQ(tool::runTool({"zarvik-tool", "export", "--config", ini.string(), what, file.string(),
                             "--comma"},
                            out, err, host),
              tool::ExitOk)
        << err.str();
    EXPECT_EQ(out.str(), latin1ToUtf8(ui.clipboard)) << what;
  }
  EXPECT_NE(ui.clipboard.find("OptKomma= 1 TablePrec= 3 NumberWidth= 2 ResultWidth= 9"),
            std::string::npos);

  // Without --comma the point; a bad kind of export is refused.
  ToolRun r = run({"export", "--config", ini.string(), "data", file.string()});
  ASSERT_EQ(r.code, tool::ExitOk) << r.err;
  EXPECT_EQ(r.out.rfind("Lagerung\tProbe\tAnzahl\tMittelwert\tSA+-\tVB+-\tMessung\n", 0), 0u);
  EXPECT_NE(r.out.find('.'), std::string::npos);
  EXPECT_EQ(r.out.find(','), std::string::npos);
  EXPECT_NE(run({"export", "chart", file.string()}).code, tool::ExitOk);
}

} // namespace
} // namespace zv
