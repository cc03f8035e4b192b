// Writing ZARVIK.INI: round trip, exact text, section order, kept foreign sections, failures,
// and the configuration a first start installs.
#include <gtest/gtest.h>

#include "common/zv_testdir.hpp"
#include "storage/zv_config_file.hpp"
#include "storage/zv_dataset_settings.hpp"
#include "storage/zv_list_sections.hpp"
#include "test_config_common.hpp"

namespace zv {
namespace {

using test::crlf;
using test::TestDir;

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

} // namespace
} // namespace zv
