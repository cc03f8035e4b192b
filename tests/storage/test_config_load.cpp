// Reading ZARVIK.INI: built-in values, the reading chains, clamps, cuts and the evaluation list.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "core/zv_meas_params.hpp"
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
  for (const Case& c : {Case{"5", 10}, Case{"0", 10}, Case{"500", 100}, Case{"abc", -1},
                        Case{"7x", -1}, Case{"50", 50}, Case{"-2147483648", 10},
                        Case{"2147483647", 100}, Case{"10", 10}, Case{"100", 100}}) {
    ConfigValues v;
    readInto(v, std::string("[INFO]\nMaximale Probenzahl = ") + c.text +
                    "\nMaximale Lagerungszahl = " + c.text + "\nMaximale Messungszahl = " + c.text +
                    "\n");
    EXPECT_EQ(v.limits.maxSamples, c.expected < 0 ? 20 : c.expected) << c.text;
    EXPECT_EQ(v.limits.maxStorages, c.expected < 0 ? 20 : c.expected) << c.text;
    EXPECT_EQ(v.limits.maxMeasurements, c.expected < 0 ? 10 : c.expected) << c.text;
  }
}

TEST(ConfigLoad, ANonNumberInGraphikSpeichernStopsTheOptionsChain) {
  const char* head = "[Verzeichnisse]\nDaten = \"/data/\"\n"
                     "[Dateien]\nDatenfile = \"/data/a.DAT\"\n"
                     "[Optionen]\nGraphik Speichern = x\nAuto Speichern = 0\n"
                     "Speicherintervall = 99\nDatentyp Speichern = 1\nSprache = 0\n";
  {
    ConfigValues v;
    readInto(v, std::string(head) + "Fenstermodus = 0\n");
    EXPECT_EQ(v.dataDirectory, "/data/"); // before the chain
    EXPECT_EQ(v.saveGraph, 1);
    EXPECT_EQ(v.options.autoSave, 1);
    EXPECT_EQ(v.options.saveInterval, 10);
    EXPECT_EQ(v.dataWrtTypeSelect, 0);
    EXPECT_EQ(v.language, 0);    // always read
    EXPECT_EQ(v.singlePanel, 0); // always read
    EXPECT_EQ(v.recentFilePath, "/data/a.DAT") << "Fenstermodus converted";
  }
  {
    ConfigValues v;
    readInto(v, std::string(head) + "Fenstermodus = no\n");
    EXPECT_EQ(v.language, 0);
    EXPECT_EQ(v.singlePanel, 1);
    EXPECT_EQ(v.recentFilePath, "") << "Fenstermodus did not convert";
  }
  {
    // Without Fenstermodus the conversion of Sprache decides.
    ConfigValues v;
    readInto(v, head);
    EXPECT_EQ(v.recentFilePath, "/data/a.DAT");
  }
  {
    // Neither converts: the failure of Graphik Speichern is still the last word.
    ConfigValues v;
    readInto(v, "[Dateien]\nDatenfile = \"/x.DAT\"\n[Optionen]\nGraphik Speichern = 1.5\n");
    EXPECT_EQ(v.recentFilePath, "");
  }
}

TEST(ConfigLoad, OptionsChainReadsEverythingWhenAllConvert) {
  ConfigValues v;
  readInto(v, "[Optionen]\nGraphik Speichern = 0\nAuto Speichern = 0\nSpeicherintervall = 99\n"
              "Datentyp Speichern = 1\nSprache = 7\nFenstermodus = 0\n"
              "[Dateien]\nDatenfile = \"/d/b.BIN\"\n");
  EXPECT_EQ(v.saveGraph, 0);
  EXPECT_EQ(v.options.autoSave, 0);
  EXPECT_EQ(v.options.saveInterval, 99);
  EXPECT_EQ(v.dataWrtTypeSelect, 1);
  EXPECT_EQ(v.language, 0) << "anything but 1 is German";
  EXPECT_EQ(v.singlePanel, 0);
  EXPECT_EQ(v.recentFilePath, "/d/b.BIN");
}

TEST(ConfigLoad, DisplayAndClipboardFormOneChainButWindowsAreReadAlways) {
  ConfigValues v;
  readInto(v, "[Display]\nHintergrundfarbe = 1\nRahmentyp = zwei\nSchriftgröße = 20\n"
              "[Clipboard]\nKommaoption = 0\nFloatZahl = 20\n"
              "[WindowLager]\nLeft = 0.1\nTop = 0.3x\nHeight = 0.7\n");
  EXPECT_EQ(v.display.backgroundColor, 1);
  EXPECT_EQ(v.display.frameType, 3);
  EXPECT_EQ(v.display.fontSize, 12);
  EXPECT_EQ(v.clipboard.OptKomma, 1);
  EXPECT_EQ(v.clipboard.ResultWidth, 12);
  EXPECT_EQ(v.display.storageWindow.left, 0.1);
  EXPECT_EQ(v.display.storageWindow.top, 0.3) << "the leading number of a bad double is kept";
  EXPECT_EQ(v.display.storageWindow.width, 0.5);
  EXPECT_EQ(v.display.storageWindow.height, 0.7);

  ConfigValues w;
  readInto(w, "[Display]\nKommastellen = 5\n[Clipboard]\nKommastellen = 4\nNumerischeZahl = 6\n");
  EXPECT_EQ(w.display.decimalPlaces, 5);
  EXPECT_EQ(w.clipboard.TablePrec, 4);
  EXPECT_EQ(w.clipboard.NumberWidth, 6);
}

TEST(ConfigLoad, MeasuringChannelIsOneBasedAndLeftToTheClamps) {
  struct Case {
    const char* text;
    int read;
    int clamped;
  };
  for (const Case& c : {Case{"1", 0, 0}, Case{"2", 1, 1}, Case{"0", -1, 0}, Case{"3", 2, 1},
                        Case{"-2147483648", std::numeric_limits<int>::min(), 0},
                        Case{"2147483647", 2147483646, 1}, Case{"x", 0, 0}}) {
    ConfigValues v;
    readInto(v, std::string("[Messung]\nMeßkanal = ") + c.text + "\n");
    EXPECT_EQ(v.measParams.hardChn, c.read) << c.text;
    EXPECT_EQ(checkMeasParams(&v.measParams), 0);
    EXPECT_EQ(v.measParams.hardChn, c.clamped) << c.text;
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
  EXPECT_EQ(m.sampleRate, 5000);
  EXPECT_EQ(m.dSpikeLim, 2.7) << "read as a number";
  EXPECT_EQ(m.dPostTrigTime, 0.0) << "a word is read as 0.0";
  EXPECT_EQ(m.gain_press, 1000.0);
  EXPECT_EQ(m.offset_press, -0.5);
  EXPECT_EQ(m.unit_press, "[N/mm2] und noch m") << "cut to 18 characters";
  EXPECT_EQ(m.forcLimitEnable, 1);
  EXPECT_EQ(m.forcLimitRelVal, 12.5);
  checkMeasParams(&m);
  EXPECT_EQ(m.sampleRate, 1000);
  EXPECT_EQ(m.gphPoints, 400);
  EXPECT_EQ(m.average, 1);
  EXPECT_EQ(m.dTrigDiffTime, 0.25);
  EXPECT_EQ(m.nSpikeNum, 100);
  EXPECT_EQ(m.startProzent, 500.0);
  EXPECT_EQ(m.startTime, 1.5);
  EXPECT_EQ(m.stopProzent, -100.0);
  EXPECT_EQ(m.dPollTime, 0.1);
  EXPECT_EQ(m.dStartPulseDelay, 3.0);
  EXPECT_EQ(m.dStopPulseDelay, 100.0);
  EXPECT_EQ(m.calcMode, 1);
}

TEST(ConfigLoad, StringsAreCutOnReading) {
  // Long values as the program writes them: in pieces of 80 characters.
  const std::string longDir = "/" + std::string(300, 'd');
  IniHandle doc = Ini_New(0);
  Ini_PutRawString(doc, "Verzeichnisse", "Daten", longDir);
  Ini_PutRawString(doc, "Dateien", "Datenfile", longDir);
  Ini_PutRawString(doc, "VORGABEN", "Abriss", std::string(40, 'a'));
  Ini_PutRawString(doc, "VORGABEN", "Lagername", std::string(40, 'l'));
  Ini_PutRawString(doc, "VORGABEN", "Probenname", std::string(40, 'p'));
  Ini_PutRawString(doc, "Haftzug", "Einheit", "[N/mm2] und noch mehr Text");
  Ini_PutRawString(doc, "Hardware", "Ger\xE4tedatei-1", "/d/" + std::string(300, 'n'));
  IniHandle read = test::parseIni(test::iniText(doc));
  ConfigValues v;
  readConfiguration(read, v.targets());
  EXPECT_EQ(v.dataDirectory, longDir.substr(0, 259));
  EXPECT_EQ(v.recentFilePath, longDir.substr(0, 259));
  EXPECT_EQ(v.defaults.evaluation, std::string(29, 'a'));
  EXPECT_EQ(v.defaults.storagePrefix, std::string(29, 'l'));
  EXPECT_EQ(v.defaults.samplePrefix, std::string(29, 'p'));
  EXPECT_EQ(v.measParams.unit_press, "[N/mm2] und noch m");
  EXPECT_EQ(v.devices[0].path, "/d/" + std::string(256, 'n'));
  EXPECT_EQ(v.devices[0].fileName, std::string(255, 'n'));
  EXPECT_EQ(v.devices[0].directory, "/d/");
}

TEST(ConfigLoad, NewDataSetCountsStayWithinTheLimits) {
  struct Case {
    const char* samples;
    const char* storages;
    int expectSamples;
    int expectStorages;
  };
  for (const Case& c : {Case{"500", "25", 20, 15}, Case{"0", "-5", 1, 1}, Case{"7", "15", 7, 15},
                        Case{"-2147483648", "2147483647", 1, 15}}) {
    ConfigValues v;
    readInto(v, std::string("[INFO]\nMaximale Lagerungszahl = 15\n[VORGABEN]\nProbenanzahl = ") +
                    c.samples + "\nLageranzahl = " + c.storages + "\n");
    EXPECT_EQ(v.defaults.newSampleCount, c.expectSamples) << c.samples;
    EXPECT_EQ(v.defaults.newStorageCount, c.expectStorages) << c.storages;
  }
}

TEST(ConfigLoad, DataSetDefaults) {
  ConfigValues v;
  readInto(v, "[VORGABEN]\nAbriss = \"AX\"\nLagername = \"Lag\"\nProbenname = \"Pr\"\n"
              "Kolbenrange = 20\nGeschwindigkeit = 300\nFläche = 2.5\n");
  EXPECT_EQ(v.defaults.evaluation, "AX");
  EXPECT_EQ(v.defaults.storagePrefix, "Lag");
  EXPECT_EQ(v.defaults.samplePrefix, "Pr");
  EXPECT_EQ(v.defaults.newSampleCount, 3);
  EXPECT_EQ(v.defaults.defaultRange, 20.0);
  EXPECT_EQ(v.defaults.defaultSpeed, 300.0);
  EXPECT_EQ(v.defaults.defaultArea, 2.5);

  // Without the record nothing is read.
  IniHandle doc = test::parseIni(test::crlf("[VORGABEN]\nProbenname = \"Q\"\n"));
  ConfigValues w;
  ConfigTargets t = w.targets();
  t.defaults = nullptr;
  readConfiguration(doc, t);
  EXPECT_EQ(w.defaults.samplePrefix, "P");
}

TEST(ConfigLoad, EvaluationListIsTakenByPositionUniqueAndSorted) {
  {
    ConfigValues v;
    EXPECT_EQ(readInto(v, "[ABRISS_LISTE]\nAbriss-1 = \"AX\"\nZweiter = \"AU\"\nAbriss-9 = AX\n"
                          "x = \"" +
                              std::string(25, 'Z') + "\"\n"),
              0);
    EXPECT_EQ(v.evaluations.entries(),
              (std::vector<std::string>{"AU", "AX", std::string(19, 'Z')}));
    EXPECT_FALSE(v.evaluations.changed());
  }
  {
    ConfigValues v;
    EXPECT_EQ(readInto(v, "[ABRISS_LISTE]\n[Other]\nk = 1\n"), ConfigNoEvaluationItem);
    EXPECT_EQ(v.evaluations.entries(), (std::vector<std::string>{"AU", "AX", "AZ"}));
    // Only empty texts: nothing usable, the list stays.
    EXPECT_EQ(readInto(v, "[ABRISS_LISTE]\nAbriss-1 = \"\"\n"), ConfigNoEvaluationItem);
    EXPECT_EQ(v.evaluations.entries(), (std::vector<std::string>{"AU", "AX", "AZ"}));
  }
  {
    // An empty text is no entry, and a repeated key counts once, as in a device file.
    ConfigValues v;
    EXPECT_EQ(readInto(v, "[ABRISS_LISTE]\nAbriss-1 = \"\"\nAbriss-2 = B\nabriss-2 = C\n"), 0);
    EXPECT_EQ(v.evaluations.entries(), (std::vector<std::string>{"B"}));
  }
  {
    // Everything else is still read when the list is missing.
    ConfigValues v;
    EXPECT_EQ(readInto(v, "[Optionen]\nSprache = 0\n"), ConfigNoEvaluationSection);
    EXPECT_EQ(v.language, 0);
  }
}

TEST(ConfigLoad, DeviceFilePathsAreSplitIntoDirectoryAndName) {
  ConfigValues v;
  v.devices[1].directory = "/opt/zarvik/";
  readInto(v, "[Hardware]\nGerätedatei-1 = \"/home/u/Zarvik/ZARVIK1.ZRK\"\n"
              "Gerätedatei-2 = \"TESTER2.ZRK\"\n");
  EXPECT_EQ(v.devices[0].fileName, "ZARVIK1.ZRK");
  EXPECT_EQ(v.devices[0].directory, "/home/u/Zarvik/");
  EXPECT_EQ(v.devices[0].path, "/home/u/Zarvik/ZARVIK1.ZRK");
  EXPECT_EQ(v.devices[1].fileName, "TESTER2.ZRK");
  EXPECT_EQ(v.devices[1].directory, "/opt/zarvik/") << "no directory part: kept";
  EXPECT_EQ(v.devices[1].path, "TESTER2.ZRK");

  // A missing section leaves the devices alone.
  ConfigValues x;
  x.devices[0].path = "/keep/A.ZRK";
  readInto(x, "[Messung]\n");
  EXPECT_EQ(x.devices[0].path, "/keep/A.ZRK");
}

TEST(ConfigLoad, DoublesThatDoNotConvertKeepTheirLeadingNumber) {
  ConfigValues v;
  readInto(v, "[Messung]\nPolling[s] = 0.3x\nStoptime[s] = inf\nStarttime[s] = nan\n"
              "[WindowMeas]\nLeft = -inf\nWidth = 1e999\n");
  EXPECT_EQ(v.measParams.dPollTime, 0.3);
  EXPECT_TRUE(std::isinf(v.measParams.stopTime));
  checkMeasParams(&v.measParams);
  EXPECT_EQ(v.measParams.stopTime, 10.0);
  EXPECT_EQ(v.measParams.startTime, 0.5) << "NaN takes the built-in value";
  // Such a placement still gives a window on the screen.
  const PixelRect r = applyWindowPlacement(v.display.measWindow, 1000, 800);
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.width, 800);
}

} // namespace
} // namespace zv
