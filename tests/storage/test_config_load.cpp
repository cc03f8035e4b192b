// Reading ZARVIK.INI: built-in values, the reading chains, clamps, cuts and the evaluation list.
#include <gtest/gtest.h>

#include <limits>
#include <sstream>
#include <string>

#include "storage/zv_config_file.hpp"
#include "storage/zv_dataset_settings.hpp"
#include "test_config_common.hpp"

namespace zv {
namespace {

using test::readInto;

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

// By position whatever the keys, unique and sorted; an empty text is no entry and a repeated
// key counts once, as in a device file; with nothing usable the list stays; everything else is
// still read when the list is missing.
TEST(ConfigLoad, EvaluationListIsTakenByPositionUniqueAndSorted) {
  using V = std::vector<std::string>;
  const struct {
    std::string text;
    int result;
    V entries;
  } cases[] = {
      {"[ABRISS_LISTE]\n[Other]\nk = 1\n", ConfigNoEvaluationItem, V{"AU", "AX", "AZ"}},
      {"[Optionen]\nSprache = 0\n", ConfigNoEvaluationSection, V{"AU", "AX", "AZ"}},
  };
  for (const auto& c : cases) {
    ConfigValues v;
    EXPECT_EQ((std::tuple{readInto(v, c.text), v.evaluations.entries(), v.evaluations.changed()}),
              (std::tuple{c.result, c.entries, false}))
        << c.text;
  }
  ConfigValues v;
  readInto(v, cases[1].text);
  EXPECT_EQ(v.language, 0);
}

// A missing [Hardware] section leaves the devices alone.
TEST(ConfigLoad, DeviceFilePathsStayWithoutTheirSection) {
  ConfigValues x;
  x.devices[0].path = "/keep/A.ZRK";
  readInto(x, "[Messung]\n");
  EXPECT_EQ(x.devices[0].path, "/keep/A.ZRK");
}

} // namespace
} // namespace zv
