// Writing ZARVIK.INI: round trip, exact text, section order, kept foreign sections, failures,
// and the configuration a first start installs.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "common/zv_testdir.hpp"
#include "platform/zv_fileio.hpp"
#include "storage/zv_config_file.hpp"
#include "storage/zv_dataset_settings.hpp"
#include "test_config_common.hpp"

namespace zv {
namespace {

using test::crlf;
using test::TestDir;

// Every value away from its built-in one.
ConfigValues changedValues() {
  ConfigValues v;
  v.limits.setMaxSamples(30);
  v.limits.setMaxStorages(40);
  v.limits.setMaxMeasurements(50);
  v.dataDirectory = "/data/";
  v.dataFileName = "order.DAT";
  v.saveGraph = 0;
  v.dataWrtTypeSelect = 1;
  v.language = 0;
  v.singlePanel = 0;
  v.options = {0, 25};
  v.display.backgroundColor = 1;
  v.display.frameType = 2;
  v.display.indicatorTextBackground = 3;
  v.display.inputTextBackground = 4;
  v.display.indicatorTextColor = 5;
  v.display.inputTextColor = 6;
  v.display.fontSize = 14;
  v.display.numberFormat = 7;
  v.display.decimalPlaces = 2;
  v.display.measWindow = {0.1, 0.15, 0.6, 0.7};
  v.display.orderWindow = {0.05, 0.25, 0.4, 0.3};
  v.display.storageWindow = {0.125, 0.375, 0.625, 0.875};
  v.clipboard = {0, 3, 5, 14};
  v.devices[0].path = "/dev/files/A.ZRK";
  v.devices[1].path = "/dev/files/B.ZRK";
  MeasParams& m = v.measParams;
  m.sampleRate = 500;
  m.gphPoints = 2000;
  m.average = 20;
  m.dTrigDiffTime = 0.75;
  m.nSpikeNum = 5;
  m.dSpikeLim = 3.0;
  m.dPostTrigTime = 0.4;
  m.hardChn = 1;
  m.startProzent = 60;
  m.startTime = 0.25;
  m.stopProzent = -20;
  m.stopTime = 2;
  m.dPollTime = 0.3;
  m.dStartPulseDelay = 2;
  m.dStopPulseDelay = 3;
  m.forcLimitEnable = 1;
  m.forcLimitRelVal = 15;
  m.calcMode = 1;
  m.gain_press = 1000;
  m.offset_press = 0.125;
  m.unit_press = "[N/mm2]";
  v.defaults.evaluation = "AX";
  v.defaults.storagePrefix = "Lager ";
  v.defaults.samplePrefix = " Probe";
  v.defaults.newSampleCount = 5;
  v.defaults.newStorageCount = 6;
  v.defaults.defaultRange = 20;
  v.defaults.defaultSpeed = 200;
  v.defaults.defaultArea = 2;
  v.evaluations.assign({"B1", "A\xC4", "C \"q\""});
  return v;
}

struct ConfigFile : ::testing::Test {
  TestDir dir;
  std::filesystem::path path = dir.file("ZARVIK.INI");
  void existing(std::string_view bytes = "") { dir.write("ZARVIK.INI", bytes); }
  std::string bytes() { return dir.read("ZARVIK.INI"); }
};

TEST_F(ConfigFile, EverySettingSurvivesARoundTrip) {
  existing();
  ConfigValues out = changedValues();
  ASSERT_EQ(writeConfigurationFile(path, out.targets()), 0);
  const std::string written = bytes();
  ConfigValues in;
  ASSERT_EQ(readConfigurationFile(path, in.targets()), 0);
  // Whatever was written was read: writing it again over the same base gives the same text.
  existing();
  ASSERT_EQ(writeConfigurationFile(path, in.targets()), 0);
  EXPECT_EQ(bytes(), written);
  // Values held differently from how they are stored.
  EXPECT_EQ(in.recentFilePath, "/data/order.DAT") << "the current file becomes the recent one";
  EXPECT_EQ(in.dataFileName, "") << "not stored";
  EXPECT_EQ(in.devices[0].fileName, "A.ZRK");
  EXPECT_EQ(in.devices[1].directory, "/dev/files/");
  EXPECT_EQ(in.measParams.hardChn, 1);
  EXPECT_EQ(in.defaults.storagePrefix, "Lager ") << "quoted strings keep their blanks";
  EXPECT_EQ(in.display, out.display);
  EXPECT_EQ(in.clipboard, out.clipboard);
  EXPECT_EQ(in.evaluations.entries(), out.evaluations.entries());

  // Saved again, the window and clipboard sections stay where they now are (in front).
  ASSERT_EQ(writeConfigurationFile(path, in.targets()), 0);
  const std::string second = bytes();
  EXPECT_EQ(second.rfind("[WindowMeas]\r\n", 0), 0u);
  ASSERT_EQ(writeConfigurationFile(path, in.targets()), 0);
  EXPECT_EQ(bytes(), second);
}

TEST_F(ConfigFile, SpikeLimitIsWrittenAsItsIntegerPart) {
  existing();
  ConfigValues v;
  v.measParams.dSpikeLim = 2.7;
  ASSERT_EQ(writeConfigurationFile(path, v.targets()), 0);
  EXPECT_NE(bytes().find("Spikelimit[V/s] = 2\r\n"), std::string::npos);
  ConfigValues in;
  readConfigurationFile(path, in.targets());
  EXPECT_EQ(in.measParams.dSpikeLim, 2.0);

  v.measParams.dSpikeLim = -2.7; // toward zero
  ASSERT_EQ(writeConfigurationFile(path, v.targets()), 0);
  EXPECT_NE(bytes().find("Spikelimit[V/s] = -2\r\n"), std::string::npos);
  v.measParams.dSpikeLim = 1e300; // no overflow
  ASSERT_EQ(writeConfigurationFile(path, v.targets()), 0);
  EXPECT_NE(bytes().find("Spikelimit[V/s] = 2147483647\r\n"), std::string::npos);
}

TEST_F(ConfigFile, ForeignSectionsStayInFrontWithTheirCommentsAndProgramSectionsFollowInOrder) {
  existing(
      crlf("; my own notes\n\n; about the tester\n[Meine Einstellungen]\n; one key\n"
           "Farbe = blau\n\n[Messung]\nAbtastrate[Hz] = 200\n[INFO]\nMaximale Probenzahl = 30\n"
           "[Clipboard]\nFloatZahl = 9\nExtra = 1\n[Zubehör]\nx = 1\n"));
  ConfigValues v;
  readConfigurationFile(path, v.targets());
  ASSERT_EQ(writeConfigurationFile(path, v.targets()), 0);
  const std::string text = bytes();
  EXPECT_EQ(text.rfind(crlf("; my own notes\n\n; about the tester\n[Meine Einstellungen]\n"
                            "; one key\nFarbe = blau\n\n[Clipboard]\nFloatZahl = 9\n"
                            "Extra = 1\nKommaoption = 1\nKommastellen = 2\nNumerischeZahl = 4\n\n"
                            "[Zubehör]\nx = 1\n\n[INFO]\n"),
                       0),
            0u)
      << text;
  std::vector<std::string> order;
  for (const char* s :
       {"Meine Einstellungen", "Clipboard", "Zubeh\xF6r", "INFO", "Verzeichnisse", "Dateien",
        "Optionen", "Display", "WindowMeas", "WindowAuftr", "WindowLager", "Hardware", "Messung",
        "Haftzug", "VORGABEN", "ABRISS_LISTE"})
    order.push_back("[" + std::string(s) + "]");
  std::size_t at = 0;
  for (const std::string& header : order) {
    const std::size_t found = text.find(header, at);
    ASSERT_NE(found, std::string::npos) << header << " missing or out of order";
    at = found;
  }
  EXPECT_NE(text.find("Abtastrate[Hz] = 200\r\n"), std::string::npos);
  EXPECT_NE(text.find("FloatZahl = 9\r\n"), std::string::npos);
}

TEST_F(ConfigFile, RecentFileIsWrittenBackWhenNoDataFileIsOpen) {
  existing();
  ConfigValues v;
  v.recentFilePath = "/old/x.BIN";
  v.dataDirectory = "/data";
  ASSERT_EQ(writeConfigurationFile(path, v.targets()), 0);
  EXPECT_NE(bytes().find("Datenfile = \"/old/x.BIN\"\r\n"), std::string::npos);
  v.dataFileName = "y.DAT";
  ASSERT_EQ(writeConfigurationFile(path, v.targets()), 0);
  // The directory as given, joined to the file with the system's separator.
  const char separator = static_cast<char>(std::filesystem::path::preferred_separator);
  EXPECT_NE(bytes().find("Datenfile = \"/data" + std::string(1, separator) + "y.DAT\"\r\n"),
            std::string::npos);
  EXPECT_EQ(recentDataFileValue("", "y.DAT", "/r"), "/r");
}

TEST_F(ConfigFile, NoFileIsCreatedWhenNoneExisted) {
  ConfigValues v;
  EXPECT_EQ(writeConfigurationFile(path, v.targets()), ConfigNotRead);
  EXPECT_FALSE(std::filesystem::exists(path));
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST_F(ConfigFile, IncompleteTargetsAreRefused) {
  existing("[INFO]\r\n");
  ConfigValues v;
  ConfigTargets t = v.targets();
  t.measParams = nullptr;
  EXPECT_EQ(writeConfigurationFile(path, t), ConfigIncomplete);
  EXPECT_EQ(bytes(), "[INFO]\r\n");
  // Without the defaults record the section is dropped and nothing else is missing.
  t = v.targets();
  t.defaults = nullptr;
  EXPECT_EQ(writeConfigurationFile(path, t), 0);
  EXPECT_EQ(bytes().find("[VORGABEN]"), std::string::npos);
}

TEST_F(ConfigFile, SavingTakesTheEvaluationListAsSaved) {
  existing();
  ConfigValues v;
  v.evaluations.insert("NEU");
  EXPECT_TRUE(v.evaluations.changed());
  ASSERT_EQ(writeConfigurationFile(path, v.targets()), 0);
  EXPECT_FALSE(v.evaluations.changed());
}

// The configuration a first start installs is what the program itself would write from its
// built-in values over it, with the two device files of the installation: a saved file keeps
// the window and clipboard sections in front, so the installed one has them there too.
std::filesystem::path firstRunDirectory() {
  const auto dir = std::filesystem::path(ZV_SOURCE_DIR) / "data" / "first-run";
  return std::filesystem::exists(dir / "ZARVIK.INI") ? dir : std::filesystem::path();
}

TEST(FirstRunConfiguration, HoldsTheBuiltInValuesAndNamesTwoDeviceFiles) {
  const auto source = firstRunDirectory();
  ASSERT_FALSE(source.empty()) << "data/first-run not found";
  TestDir dir;
  const auto copy = dir.path() / "ZARVIK.INI";
  std::filesystem::copy_file(source / "ZARVIK.INI", copy);
  const std::string installed = TestDir::readFile(copy);

  ConfigValues read;
  ASSERT_EQ(readConfigurationFile(copy, read.targets()), 0) << "every section is there";
  EXPECT_EQ(read.devices[0].path, "@USERDIR@ZARVIK1.ZRK");
  EXPECT_EQ(read.devices[1].path, "@USERDIR@ZARVIK2.ZRK");

  ConfigValues builtIn;
  builtIn.devices[0].path = "@USERDIR@ZARVIK1.ZRK";
  builtIn.devices[1].path = "@USERDIR@ZARVIK2.ZRK";
  ASSERT_EQ(writeConfigurationFile(copy, builtIn.targets()), 0);
  EXPECT_EQ(TestDir::readFile(copy), installed);
}

TEST(FirstRunConfiguration, DeviceFilesHoldPistonsCalibratedAtOneVoltPerKilonewton) {
  const auto source = firstRunDirectory();
  ASSERT_FALSE(source.empty());
  for (const char* name : {"ZARVIK1.ZRK", "ZARVIK2.ZRK"}) {
    const std::string bytes = TestDir::readFile(source / name);
    EXPECT_EQ(bytes.find('\n'), bytes.find("\r\n") + 1) << "CR LF line ends";
    IniHandle doc = test::parseIni(bytes);
    EXPECT_EQ(Ini_ItemExists(doc, "GERAETEKENNUNG", "Name"), 1);
    EXPECT_EQ(Ini_NumberOfItems(doc, "PROBENFLAECHE_LISTE"), 3);
    EXPECT_EQ(Ini_ItemExists(doc, "PROBENFLAECHE_LISTE",
                             "Fl\xE4"
                             "che-1"),
              1);
    EXPECT_EQ(Ini_NumberOfItems(doc, "ABZUGGESCHWINDIGKEIT_LISTE"), 3);
    const int pistons = Ini_NumberOfItems(doc, "KOLBEN_LISTE");
    ASSERT_EQ(pistons, 3);
    for (int i = 1; i <= pistons; ++i) {
      std::string line;
      ASSERT_EQ(Ini_GetRawStringIntoBuffer(doc, "KOLBEN_LISTE", "Kolben-" + std::to_string(i),
                                           &line, 256),
                1);
      int flags = 0;
      long long date = 0;
      double range = 0, volts = 0, f1 = 0, f2 = 0, v1 = 0, v2 = 0;
      ASSERT_EQ(std::sscanf(line.c_str(), "%d %lld %lf %lf %lf %lf %lf %lf", &flags, &date, &range,
                            &volts, &f1, &f2, &v1, &v2),
                8)
          << line;
      EXPECT_EQ(flags, 15) << name;
      EXPECT_GT(date, 0);
      EXPECT_EQ(volts, 10.0);
      EXPECT_EQ((f2 - f1) / (v2 - v1), 1.0) << "1 kN per volt";
      EXPECT_EQ(f1 - v1 * 1.0, 0.0);
    }
  }
}

} // namespace
} // namespace zv
