// ZARVIK.INI: reading (built-in values, the reading chains, clamps and the evaluation list),
// writing (round trip, exact text, kept foreign sections, failures), the report section, and the
// configuration a first start installs.
#include <gtest/gtest.h>

#include <limits>
#include <sstream>
#include <string>

#include "common/zv_testdir.hpp"
#include "storage/zv_config_file.hpp"
#include "storage/zv_dataset_settings.hpp"
#include "storage/zv_list_sections.hpp"
#include "storage/zv_report_settings.hpp"
#include "test_config_common.hpp"

namespace zv {
namespace {

using test::crlf;
using test::readInto;
using test::TestDir;

TEST(ConfigLoad, UnreadableFileTakesNothing) {
  ConfigValues v;
  v.language = 0;
  EXPECT_EQ(readConfigurationFile("/nonexistent/dir/ZARVIK.INI", v.targets()), IniCannotOpen);
  EXPECT_EQ(v.language, 0);
  EXPECT_EQ(v.evaluations.count(), 3);
}

TEST(ConfigLoad, LimitsAreTakenWhenTheyConvertAndClampedInto10To100) {
  struct Case {
    const char* text;
    int expected; // -1: the built-in value stays
  };
  for (const Case& c :
       {Case{"9", 10}, Case{"10", 10}, Case{"100", 100}, Case{"101", 100}, Case{"abc", -1}}) {
    ConfigValues v;
    readInto(v, std::string("[INFO]\nMaximale Probenzahl = ") + c.text +
                    "\nMaximale Lagerungszahl = " + c.text + "\nMaximale Messungszahl = " + c.text +
                    "\n");
    EXPECT_EQ(v.limits.maxSamples, c.expected < 0 ? 20 : c.expected) << c.text;
    EXPECT_EQ(v.limits.maxStorages, c.expected < 0 ? 20 : c.expected) << c.text;
    EXPECT_EQ(v.limits.maxMeasurements, c.expected < 0 ? 10 : c.expected) << c.text;
  }
}

// The options are one chain: a number that does not convert stops the options after it, Sprache
// and Fenstermodus are always read, and Datenfile needs the last conversion to have worked.
TEST(ConfigLoad, OptionsChainAndTheRecentFile) {
  const std::string head =
      "[Verzeichnisse]\nDaten = \"/data/\"\n[Dateien]\nDatenfile = \"/d/a.DAT\"\n"
      "[Optionen]\nGraphik Speichern = ";
  const std::string rest = "\nAuto Speichern = 0\nSpeicherintervall = 99\nDatentyp Speichern = 1\n"
                           "Sprache = 7\n";
  struct Case {
    std::string text;
    // saveGraph autoSave saveInterval dataWrtTypeSelect language singlePanel recentFile
    std::string expected;
  };
  const Case cases[] = {
      {head + "0" + rest + "Fenstermodus = 0\n", "0 0 99 1 0 0 /d/a.DAT"}, // 7 is German
      {head + "x" + rest + "Fenstermodus = 0\n", "1 1 10 0 0 0 /d/a.DAT"},
      {head + "x" + rest + "Fenstermodus = no\n", "1 1 10 0 0 1 "},
  };
  for (const Case& c : cases) {
    ConfigValues v;
    readInto(v, c.text);
    EXPECT_EQ(v.dataDirectory, "/data/"); // before the chain
    std::ostringstream got;
    got << v.saveGraph << ' ' << v.options.autoSave << ' ' << v.options.saveInterval << ' '
        << v.dataWrtTypeSelect << ' ' << v.language << ' ' << v.singlePanel << ' '
        << v.recentFilePath;
    EXPECT_EQ(got.str(), c.expected) << c.text;
  }
}

TEST(ConfigLoad, DisplayAndClipboardFormOneChainButWindowsAreReadAlways) {
  ConfigValues v;
  readInto(v, "[Display]\nHintergrundfarbe = 1\nRahmentyp = zwei\nSchriftgröße = 20\n"
              "[Clipboard]\nKommaoption = 0\nFloatZahl = 20\n"
              "[WindowLager]\nLeft = 0.1\nTop = 0.3x\nHeight = 0.7\n");
  // The leading number of a bad double is kept.
  const auto& win = v.display.storageWindow;
  EXPECT_EQ((std::tuple{v.display.backgroundColor, v.display.frameType, v.display.fontSize,
                        v.clipboard.OptKomma, v.clipboard.ResultWidth}),
            (std::tuple{1, 3, 12, 1, 12}));
  EXPECT_EQ((std::vector<double>{win.left, win.top, win.width, win.height}),
            (std::vector<double>{0.1, 0.3, 0.5, 0.7}));
}

// The file counts from 1; out-of-range channels are left to checkMeasParams' clamps.
TEST(ConfigLoad, MeasuringChannelIsOneBased) {
  for (const auto& [text, read] :
       {std::pair{"2", 1}, {"0", -1}, {"x", 0}, {"-2147483648", std::numeric_limits<int>::min()}}) {
    ConfigValues v;
    readInto(v, std::string("[Messung]\nMeßkanal = ") + text + "\n");
    EXPECT_EQ(v.measParams.hardChn, read) << text;
  }
}

TEST(ConfigLoad, MeasurementParametersAndTheirClamps) {
  ConfigValues v;
  readInto(
      v,
      "[Messung]\nAbtastrate[Hz] = 5000\nMeßpunkte = 100\nMittelwerte = 0\n"
      "Triggerdelta[s] = 0.25\nSpikefilter = 200\nSpikelimit[V/s] = 2.7\n"
      "Stopdelay[s] = abc\nStartlimit[%] = 600\nStarttime[s] = 1.5\n"
      "Stoplimit[%] = -150\nStoptime[s] = 2\nPolling[s] = 0.05\nStartpuls[s] = 3\n"
      "Stoppuls[s] = 101\nOffset-On = 1\nOffset-Prozent = 12.5\nBerechnungsmode = 2\n"
      "[Haftzug]\nVerstärkung = 1000\nOffset = -0.5\nEinheit = \"[N/mm2] und noch mehr Text\"\n");
  MeasParams& m = v.measParams;
  // Read as they stand (the clamps are checkMeasParams'); a word as 0.0; the unit is cut to 18
  // characters.
  EXPECT_EQ(
      (std::tuple{m.sampleRate, m.gphPoints, m.average, m.nSpikeNum, m.calcMode, m.dSpikeLim,
                  m.dPostTrigTime, m.gain_press, m.offset_press, m.unit_press, m.forcLimitEnable,
                  m.forcLimitRelVal}),
      (std::tuple{5000, 100, 0, 200, 2, 2.7, 0.0, 1000.0, -0.5, "[N/mm2] und noch m", 1, 12.5}));
  EXPECT_EQ((std::vector<double>{m.dTrigDiffTime, m.startProzent, m.startTime, m.stopProzent,
                                 m.dPollTime, m.dStartPulseDelay, m.dStopPulseDelay}),
            (std::vector<double>{0.25, 600.0, 1.5, -150.0, 0.05, 3.0, 101.0}));
}

TEST(ConfigLoad, NewDataSetCountsStayWithinTheLimits) {
  struct Case {
    const char* samples;
    const char* storages;
    int expectSamples;
    int expectStorages;
  };
  for (const Case& c : {Case{"500", "25", 20, 15}, Case{"0", "-5", 1, 1}, Case{"7", "15", 7, 15}}) {
    ConfigValues v;
    readInto(v, std::string("[INFO]\nMaximale Lagerungszahl = 15\n[VORGABEN]\nProbenanzahl = ") +
                    c.samples + "\nLageranzahl = " + c.storages + "\n");
    EXPECT_EQ((std::tuple{v.defaults.newSampleCount, v.defaults.newStorageCount}),
              (std::tuple{c.expectSamples, c.expectStorages}))
        << c.samples;
  }
}

// A missing list or device section leaves its values (the list's rules are the list layer's),
// and everything else is still read.
TEST(ConfigLoad, MissingSectionsLeaveTheirValuesAndTheRestIsRead) {
  ConfigValues v;
  v.devices[0].path = "/keep/A.ZRK";
  EXPECT_EQ(readInto(v, "[Optionen]\nSprache = 0\n"), ConfigNoEvaluationSection);
  EXPECT_EQ(
      (std::tuple{v.evaluations.entries(), v.evaluations.changed(), v.devices[0].path, v.language}),
      (std::tuple{std::vector<std::string>{"AU", "AX", "AZ"}, false, "/keep/A.ZRK", 0}));
  ConfigValues empty;
  EXPECT_EQ(readInto(empty, "[ABRISS_LISTE]\n[Other]\nk = 1\n"), ConfigNoEvaluationItem);
}

// ---- writing ---------------------------------------------------------------------------------

// Every setting away from its built-in value, as the program writes it into an empty file
// (readable: UTF-8 with LF line ends; crlf() gives the file's bytes).
std::string everySetting() {
  return TestDir::readFile(std::filesystem::path(ZV_SOURCE_DIR) / "tests" / "data" /
                           "config-every-setting.ini");
}

struct ConfigFile : ::testing::Test {
  TestDir dir;
  std::filesystem::path path = dir.file("ZARVIK.INI");
  void existing(std::string_view bytes = "") { dir.write("ZARVIK.INI", bytes); }
  std::string bytes() { return dir.read("ZARVIK.INI"); }
};

TEST_F(ConfigFile, EverySettingSurvivesARoundTrip) {
  ConfigValues in;
  ASSERT_EQ(test::readInto(in, everySetting()), 0);
  existing();
  ASSERT_EQ(writeConfigurationFile(path, in.targets()), 0);
  EXPECT_EQ(bytes(), crlf(everySetting()));
  // Values held differently from how they are stored.
  EXPECT_EQ(in.recentFilePath, "/data/order.DAT");
  EXPECT_EQ(in.dataFileName, "") << "not stored";
  EXPECT_EQ(in.devices[0].fileName, "A.ZRK");
  EXPECT_EQ(in.devices[1].directory, "/dev/files/");
  EXPECT_EQ(in.measParams.hardChn, 1);
  EXPECT_EQ(in.defaults.storagePrefix, "Lager ") << "quoted strings keep their blanks";
  // The current data file is written as the recent one.
  in.dataFileName = "order.BIN";
  ASSERT_EQ(writeConfigurationFile(path, in.targets()), 0);
  // Saved again, the window and clipboard sections stay where they now are (in front).
  const std::string second = bytes();
  EXPECT_EQ(second.rfind("[WindowMeas]\r\n", 0), 0u);
  EXPECT_NE(second.find("Datenfile = \"/data/order.BIN\"\r\n"), std::string::npos);
  ASSERT_EQ(writeConfigurationFile(path, in.targets()), 0);
  EXPECT_EQ(bytes(), second);
}

TEST_F(ConfigFile, SpikeLimitIsWrittenAsItsIntegerPart) {
  existing();
  ConfigValues v;
  v.measParams.dSpikeLim = 2.7;
  ASSERT_EQ(writeConfigurationFile(path, v.targets()), 0);
  EXPECT_NE(bytes().find("Spikelimit[V/s] = 2\r\n"), std::string::npos);

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
    PistonList pistons;
    ASSERT_EQ(loadPistonList(doc, pistons), 0);
    ASSERT_EQ(pistons.count(), 3);
    for (const PistonRange& p : pistons.entries()) {
      // 1 kN per volt, through zero.
      EXPECT_EQ((std::tuple{p.calFlags, p.rangeVolts, p.calDate > 0,
                            (p.calForce2 - p.calForce1) / (p.calVolts2 - p.calVolts1),
                            p.calForce1 - p.calVolts1 * 1.0}),
                (std::tuple{15, 10.0, true, 1.0, 0.0}))
          << name;
    }
  }
}

// ---- the report section ------------------------------------------------------------------------

TEST(ReportSettings, ReadsTheSectionKeepsWhatItRefusesAndWritesItBack) {
  ReportSettings s;
  IniHandle none = test::parseIni(test::crlf("[Messung]\nMittelwerte=5\n"));
  EXPECT_TRUE(readReportSection(none, s));
  EXPECT_EQ(s, ReportSettings{}); // 1.0 MPa/s, 90 s, A4

  IniHandle doc = test::parseIni(
      test::crlf("[Pruefbericht]\nBelastungsrate[MPa/s]=0.5\nBruchzeit[s]=120\nPapier=letter\n"));
  EXPECT_TRUE(readReportSection(doc, s));
  EXPECT_EQ(s.limits, (TestLimits{0.5, 120.0}));
  EXPECT_EQ(s.paper, PaperSize::Letter);

  IniHandle bad = test::parseIni(
      test::crlf("[Pruefbericht]\nBelastungsrate[MPa/s]=-1\nBruchzeit[s]=nan\nPapier=A5\n"));
  EXPECT_FALSE(readReportSection(bad, s));
  EXPECT_EQ(s.limits, (TestLimits{0.5, 120.0}));
  EXPECT_EQ(s.paper, PaperSize::Letter);

  writeReportSection(none, s);
  ReportSettings back;
  EXPECT_TRUE(readReportSection(none, back));
  EXPECT_EQ(back, s);
  EXPECT_NE(test::iniText(none).find("[Messung]"), std::string::npos); // the rest stays
}

} // namespace
} // namespace zv
