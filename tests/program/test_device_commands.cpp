// Setup > Device 1 / Device 2 without the window: the setup session's add, delete, load,
// OK and Abort with every question it asks, and loading both device files at start-up.
#include <gtest/gtest.h>

#include "common/zv_fake_ui.hpp"
#include "common/zv_testdir.hpp"
#include "platform/zv_latin1.hpp"
#include "program/zv_device_commands.hpp"
#include "program/zv_program.hpp"
#include "program/zv_workdir.hpp"

namespace zv {
namespace {

std::vector<double> values(const auto& list) {
  std::vector<double> out;
  for (int i = 0; i < list.count(); ++i)
    out.push_back(*list.valueAt(i));
  return out;
}

std::string deviceText(std::string_view name, std::string_view pistonLine) {
  return "[GERAETEKENNUNG]\r\nName = \"" + std::string(name) +
         "\"\r\nSeriennummer = \"1\"\r\n[KOLBEN_LISTE]\r\nKolben-1 = \"" + std::string(pistonLine) +
         "\"\r\n[PROBENFLAECHE_LISTE]\r\nFl\xe4"
         "che-1 = 4\r\n[ABZUGGESCHWINDIGKEIT_LISTE]\r\nGeschw.-1 = 50\r\n";
}

struct CountingBackup : PeriodicBackup {
  int count = 0;
  void backupDataSet() override { ++count; }
};

struct DeviceCommandsFixture : ::testing::Test {
  test::TestDir dir;
  test::ScriptedUi ui;
  test::FakeClock clock;
  MemoryRegistry registry;
  test::RecordingLog log;
  CountingBackup backup;
  FaultyFileSystem fs;
  Program program{ui, clock, registry, dir.path() / "fallback"};

  DeviceCommandsFixture() {
    program.reporter.setLogTarget(&log);
    program.fileSystem = &fs;
    program.data.setPeriodicBackup(backup);
    program.meas.devices.createBoth(dir.path());
  }
  TesterDevice& device(int i) { return *program.meas.devices.device(i); }
  std::vector<std::string> popups() const { return ui.popups(); }
  // What the dialog shows of the session: changed, OK's label, Abort visible.
  static std::tuple<bool, std::string, bool> shown(const DeviceSetup& s) {
    return {s.changed(), s.okLabel(), s.abortVisible()};
  }
  const std::tuple<bool, std::string, bool> unchanged{false, "Close", false};
  const std::tuple<bool, std::string, bool> changed{true, "Save", true};
};

TEST_F(DeviceCommandsFixture, StartUpLoadsBothConfiguredFiles) {
  device(0).setFilePath(dir.write("one.ZRK", deviceText("first", "15 0 40 10 0 1 0 1")));
  device(1).setFilePath(dir.file("missing.ZRK"));
  program.loadDeviceFiles();
  EXPECT_EQ("first", device(0).name);
  EXPECT_EQ((std::vector<double>{40}), values(device(0).pistons));
  EXPECT_EQ((std::vector<double>{4}), values(device(0).areas));
  EXPECT_EQ("---", device(1).name);
  EXPECT_EQ((std::vector<double>{10, 20, 30}), values(device(1).pistons));
  EXPECT_EQ(std::vector<std::string>{"Error when opening the Device File"}, log.lines);
  EXPECT_FALSE(device(0).changed());
  EXPECT_FALSE(device(1).changed());
  EXPECT_TRUE(ui.shown.empty());
}

TEST_F(DeviceCommandsFixture, StartUpResetsTheDevicesAndTheDataSetUsesTheShownOnesLists) {
  device(1).setName("stale");
  program.meas.devices.setShownDevice(1);
  program.executableDirectory = dir.path() / "bin";
  program.startUp({"zarvik"});
  EXPECT_EQ("---", device(1).name);
  EXPECT_EQ(0, program.meas.devices.shownDevice());
  EXPECT_EQ(dir.path() / "bin", device(0).directory);

  device(1).setFilePath(dir.write("two.ZRK", deviceText("T2", "0 0 25 10 0 1 0 1")));
  program.loadDeviceFiles();
  {
    DeviceSetup setup(program, 1);
    setup.ok();
  }
  program.data.model.initDefaults();
  EXPECT_DOUBLE_EQ(25.0, program.data.model.defaults().defaultRange);
  EXPECT_DOUBLE_EQ(50.0, program.data.model.defaults().defaultSpeed);
  EXPECT_DOUBLE_EQ(4.0, program.data.model.defaults().defaultArea);
}

TEST_F(DeviceCommandsFixture, TheConfigurationNamesTheDeviceFilesAndKeepsTheChosenOnes) {
  const std::string user = (dir.path() / "user" / "").string(); // as the system spells it
  std::filesystem::create_directory(dir.path() / "user");
  dir.write("user/T1.ZRK", deviceText("T1", "15 0 12 10 0 1 0 1"));
  dir.write("user/OTHER.ZRK", deviceText("Other", "15 0 13 10 0 1 0 1"));
  dir.write("user/ZARVIK.INI", "[Hardware]\r\nGer\xe4tedatei-1 = \"" + user +
                                   "T1.ZRK\"\r\nGer\xe4tedatei-2 = \"\"\r\n");
  registry.writeIniFilePath(user);
  program.startUp({"zarvik"});
  program.loadDeviceFiles();
  EXPECT_EQ("T1", device(0).name);
  EXPECT_EQ("T1.ZRK", device(0).fileName);
  EXPECT_EQ("---", device(1).name);

  {
    DeviceSetup setup(program, 0);
    ui.fileAnswers = {dir.path() / "user" / "OTHER.ZRK"};
    EXPECT_EQ(0, setup.load());
    EXPECT_TRUE(setup.ok());
  }
  ASSERT_EQ(0, saveConfiguration(program));
  EXPECT_NE(std::string::npos,
            dir.read("user/ZARVIK.INI").find("Ger\xe4tedatei-1 = \"" + user + "OTHER.ZRK\""));
}

TEST_F(DeviceCommandsFixture, OpeningShowsTheDeviceAndLabelsFollowItsChanges) {
  {
    DeviceSetup setup(program, 1);
    EXPECT_EQ(1, program.meas.devices.shownDevice());
    ASSERT_NE(nullptr, program.meas.devices.workingCopy());
    EXPECT_EQ(1, program.meas.devices.workingCopy()->index);
    EXPECT_EQ(unchanged, shown(setup));
    EXPECT_EQ("Setup - Devicefile 2", setup.captions().title);
    program.setLanguage(0);
    EXPECT_STREQ("Schlie\xdf"
                 "en",
                 setup.okLabel());
    program.setLanguage(1);
    setup.setName("x");
    setup.setName("---"); // an edit undone by hand still offers Abort
    EXPECT_EQ(changed, shown(setup));
  }
  device(1).pistons.piston(0)->calFlags = 15; // changed elsewhere: opens as changed
  DeviceSetup setup(program, 1);
  EXPECT_EQ(changed, shown(setup));
}

TEST_F(DeviceCommandsFixture, AddPromptsInsertsAndRelabels) {
  DeviceSetup setup(program, 0);
  ui.promptAnswers = {std::string("about 15 kN"), std::string("2.5"), std::string("250")};
  EXPECT_EQ(0, setup.add(DeviceSetup::List::Pistons));
  EXPECT_EQ(0, setup.add(DeviceSetup::List::Areas));
  EXPECT_EQ(0, setup.add(DeviceSetup::List::Speeds));
  EXPECT_EQ((std::vector<double>{10, 15, 20, 30}), values(device(0).pistons));
  EXPECT_EQ((std::vector<double>{1, 2, 2.5, 3}), values(device(0).areas));
  EXPECT_EQ((std::vector<double>{100, 200, 250, 300}), values(device(0).speeds));
  ASSERT_EQ(3u, ui.shown.size());
  EXPECT_EQ("Please entering contact area in [mm2]", ui.shown[1].text);
  EXPECT_EQ(changed, shown(setup));
  EXPECT_EQ(3, backup.count);
}

TEST_F(DeviceCommandsFixture, AbortOrClosingTheSessionRestoresTheDeviceAsItWasOpened) {
  const DeviceContents before = device(0);
  {
    DeviceSetup setup(program, 0);
    setup.setName("renamed");
    setup.setSerialNumber("S-1");
    ui.promptAnswers = {std::string("45")};
    setup.add(DeviceSetup::List::Pistons);
    device(0).pistons.piston(0)->calFlags = 15; // as the calibration dialog would
    setup.refresh();
    EXPECT_EQ("renamed", device(0).name);
    setup.abort();
    EXPECT_TRUE(setup.finished());
  }
  EXPECT_EQ(before, static_cast<const DeviceContents&>(device(0)));
  EXPECT_FALSE(device(0).changed());
  EXPECT_EQ(nullptr, program.meas.devices.workingCopy());
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
  {
    DeviceSetup setup(program, 1);
    setup.setName("gone");
  } // closed without OK or Abort
  EXPECT_EQ("---", device(1).name);
  EXPECT_EQ(nullptr, program.meas.devices.workingCopy());
}

TEST_F(DeviceCommandsFixture, SaveWritesTheExistingPathWithoutAskingAndCloseWritesNothing) {
  device(1).setFilePath(dir.file("dev2.ZRK"));
  device(1).takeSavedChecksum();
  EXPECT_TRUE(DeviceSetup(program, 1).ok());
  EXPECT_FALSE(std::filesystem::exists(dir.file("dev2.ZRK")));

  device(0).setFilePath(dir.write("dev1.ZRK", deviceText("old", "0 0 10 10 0 1 0 1")));
  program.loadDeviceFiles();
  DeviceSetup setup(program, 0);
  setup.setName("new name");
  EXPECT_TRUE(setup.ok());
  EXPECT_TRUE(ui.fileDialogs.empty());
  EXPECT_EQ(deviceFileText(device(0)), dir.read("dev1.ZRK"));
  EXPECT_NE(std::string::npos, dir.read("dev1.ZRK").find("\"new name\""));
  EXPECT_FALSE(device(0).changed());
  EXPECT_EQ(nullptr, program.meas.devices.workingCopy());
}

TEST_F(DeviceCommandsFixture, SaveOfADeviceWithoutFileAsksForOne) {
  DeviceSetup setup(program, 1);
  setup.setName("T2");
  ui.fileAnswers = {std::nullopt};
  EXPECT_FALSE(setup.ok());
  EXPECT_FALSE(setup.finished());
  EXPECT_TRUE(setup.changed());
  EXPECT_TRUE(log.lines.empty());

  ui.fileAnswers = {dir.file("second")};
  EXPECT_TRUE(setup.ok());
  EXPECT_EQ(2u, ui.fileDialogs.size());
  EXPECT_EQ("ZARVIK - Ger\xe4tedatei sichern", ui.fileDialogs[1].title);
  EXPECT_EQ(dir.file("second.ZRK"), device(1).path);
  EXPECT_NE(std::string::npos, dir.read("second.ZRK").find("\"T2\""));
}

TEST_F(DeviceCommandsFixture, FailedSaveKeepsTheChangesAndTheSessionOpen) {
  device(0).setFilePath(dir.write("dev1.ZRK", deviceText("old", "0 0 10 10 0 1 0 1")));
  program.loadDeviceFiles();
  DeviceSetup setup(program, 0);
  setup.setName("new name");
  fs.diskFullAfter(0);
  EXPECT_FALSE(setup.ok());
  EXPECT_FALSE(setup.finished());
  EXPECT_TRUE(device(0).changed());
  EXPECT_EQ(changed, shown(setup));
  EXPECT_EQ(std::vector<std::string>{"Error when closing the Device File"}, log.lines);
  ASSERT_EQ(1u, popups().size());
  EXPECT_NE(std::string::npos, popups()[0].find("could not be saved"));
  EXPECT_NE(std::string::npos, popups()[0].find(dir.file("dev1.ZRK").string()));
  EXPECT_NE(std::string::npos, dir.read("dev1.ZRK").find("\"old\""));

  fs.clearFaults();
  EXPECT_TRUE(setup.ok());
  EXPECT_NE(std::string::npos, dir.read("dev1.ZRK").find("\"new name\""));
}

TEST_F(DeviceCommandsFixture, LoadedFileIsWhatAbortReturnsTo) {
  device(0).setFilePath(dir.write("a.ZRK", deviceText("A", "0 0 10 10 0 1 0 1")));
  program.loadDeviceFiles();
  dir.write("b.ZRK", deviceText("B", "0 0 99 10 0 1 0 1"));
  DeviceSetup setup(program, 0);
  setup.setName("edited");
  ui.askAnswers = {0};
  ui.fileAnswers = {dir.file("b.ZRK")};
  EXPECT_EQ(0, setup.load());
  EXPECT_EQ("B", device(0).name);
  EXPECT_EQ(unchanged, shown(setup));
  EXPECT_EQ(1, backup.count); // the load wrote the backup first

  ui.promptAnswers = {std::string("5")};
  setup.add(DeviceSetup::List::Speeds);
  setup.abort();
  // Back to the file just loaded, not to file A's lists under file B's name.
  EXPECT_EQ("B", device(0).name);
  EXPECT_EQ((std::vector<double>{99}), values(device(0).pistons));
  EXPECT_EQ((std::vector<double>{50}), values(device(0).speeds));
  EXPECT_EQ(dir.file("b.ZRK"), device(0).path);
  EXPECT_FALSE(device(0).changed());
  EXPECT_EQ(deviceText("A", "0 0 10 10 0 1 0 1"), dir.read("a.ZRK"));
}

TEST_F(DeviceCommandsFixture, CancelledLoadDialogIsNotReported) {
  DeviceSetup setup(program, 0);
  ui.fileAnswers = {std::nullopt};
  EXPECT_EQ(0, setup.load());
  EXPECT_TRUE(log.lines.empty());
  ui.fileAnswers = {dir.file("nothere.ZRK")};
  EXPECT_EQ(FileSelectNew, setup.load());
  EXPECT_EQ(1u, log.lines.size());
}

} // namespace
} // namespace zv
