// Setup > Device 1 / Device 2 without the window: the setup session's add, delete, load,
// OK and Abort with every question it asks, and loading both device files at start-up.
#include <gtest/gtest.h>

#include "common/zv_program_rig.hpp"
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

struct DeviceCommandsFixture : ::testing::Test, test::ProgramRig {
  Program& p = *program;
  test::CountingBackup backup;
  FaultyFileSystem& fs = disk;

  DeviceCommandsFixture() {
    p.fileSystem = &fs;
    p.data.setPeriodicBackup(backup);
    p.meas.devices.createBoth(dir.path());
  }
  TesterDevice& device(int i) { return *p.meas.devices.device(i); }
  // What the dialog shows of the session: changed, OK's label, Abort visible.
  static std::tuple<bool, std::string, bool> shown(const DeviceSetup& s) {
    return {s.changed(), s.okLabel(), s.abortVisible()};
  }
  const std::tuple<bool, std::string, bool> unchanged{false, "Close", false};
  const std::tuple<bool, std::string, bool> changed{true, "Save", true};
};

// Start-up resets both devices, then loads both configured files (a missing one is logged);
// a new data set takes the lists of the device shown.
TEST_F(DeviceCommandsFixture, StartUpResetsAndLoadsTheDevicesAndTheDataSetUsesTheShownOnesLists) {
  device(1).setName("stale");
  p.meas.devices.setShownDevice(1);
  p.executableDirectory = dir.path() / "bin";
  p.startUp({"zarvik"});
  EXPECT_EQ(std::tuple(device(1).name, p.meas.devices.shownDevice(), device(0).directory),
            std::tuple("---", 0, dir.path() / "bin"));

  device(0).setFilePath(dir.write("one.ZRK", deviceText("first", "15 0 40 10 0 1 0 1")));
  device(1).setFilePath(dir.file("missing.ZRK"));
  log = {};
  p.loadDeviceFiles();
  EXPECT_EQ((std::tuple{device(0).name, values(device(0).pistons), values(device(0).areas),
                        device(1).name, values(device(1).pistons), log.lines, device(0).changed(),
                        device(1).changed(), ui.shown.size()}),
            (std::tuple{"first", std::vector<double>{40}, std::vector<double>{4}, "---",
                        std::vector<double>{10, 20, 30},
                        std::vector<std::string>{"Error when opening the Device File"}, false,
                        false, 0u}));

  device(1).setFilePath(dir.write("two.ZRK", deviceText("T2", "0 0 25 10 0 1 0 1")));
  p.loadDeviceFiles();
  DeviceSetup(p, 1).ok();
  model().initDefaults();
  const DataSetDefaults& d = model().defaults();
  EXPECT_EQ(std::tuple(d.defaultRange, d.defaultSpeed, d.defaultArea), std::tuple(25.0, 50.0, 4.0));
}

TEST_F(DeviceCommandsFixture, AddPromptsInsertsAndRelabels) {
  DeviceSetup setup(p, 0);
  ui.promptAnswers = {std::string("about 15 kN"), std::string("2.5"), std::string("250")};
  EXPECT_EQ(0, setup.add(DeviceSetup::List::Pistons));
  EXPECT_EQ(0, setup.add(DeviceSetup::List::Areas));
  EXPECT_EQ(0, setup.add(DeviceSetup::List::Speeds));
  EXPECT_EQ((std::tuple{values(device(0).pistons), values(device(0).areas),
                        values(device(0).speeds), shown(setup), backup.calls}),
            (std::tuple{std::vector<double>{10, 15, 20, 30}, std::vector<double>{1, 2, 2.5, 3},
                        std::vector<double>{100, 200, 250, 300}, changed, 3}));
  EXPECT_EQ(3u, ui.shown.size());
}

TEST_F(DeviceCommandsFixture, AbortOrClosingTheSessionRestoresTheDeviceAsItWasOpened) {
  const DeviceContents before = device(0);
  {
    DeviceSetup setup(p, 0);
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
  EXPECT_EQ(std::tuple(device(0).changed(), p.meas.devices.workingCopy()),
            std::tuple(false, nullptr));
  EXPECT_EQ(test::TestDir::listing(dir.path()).find(".ZRK"), std::string::npos); // nothing written
  {
    DeviceSetup setup(p, 1);
    setup.setName("gone");
  } // closed without OK or Abort
  EXPECT_EQ(std::tuple(device(1).name, p.meas.devices.workingCopy()), std::tuple("---", nullptr));
}

TEST_F(DeviceCommandsFixture, SaveOfADeviceWithoutFileAsksForOne) {
  DeviceSetup setup(p, 1);
  setup.setName("T2");
  ui.fileAnswers = {std::nullopt};
  EXPECT_EQ((std::tuple{setup.ok(), setup.finished(), setup.changed(), log.lines.size()}),
            (std::tuple{false, false, true, 0u}));

  ui.fileAnswers = {dir.file("second")};
  EXPECT_TRUE(setup.ok());
  EXPECT_EQ(std::tuple(ui.fileDialogs.size(), ui.fileDialogs[1].title, device(1).path),
            std::tuple(2u, "ZARVIK - Ger\xe4tedatei sichern", dir.file("second.ZRK")));
  EXPECT_NE(std::string::npos, dir.read("second.ZRK").find("\"T2\""));
}

// OK without changes writes nothing; with changes it writes the device's own file without
// asking, and a failed save keeps the changes and the session open.
TEST_F(DeviceCommandsFixture, SaveWritesTheExistingPathAndAFailureKeepsTheSessionOpen) {
  device(1).setFilePath(dir.file("dev2.ZRK"));
  device(1).takeSavedChecksum();
  EXPECT_TRUE(DeviceSetup(p, 1).ok());
  EXPECT_FALSE(std::filesystem::exists(dir.file("dev2.ZRK")));

  device(0).setFilePath(dir.write("dev1.ZRK", deviceText("old", "0 0 10 10 0 1 0 1")));
  p.loadDeviceFiles();
  DeviceSetup setup(p, 0);
  setup.setName("new name");
  log = {}; // device 2's file is missing
  fs.diskFullAfter(0);
  EXPECT_EQ((std::tuple{setup.ok(), setup.finished(), device(0).changed(), shown(setup), log.lines,
                        dir.read("dev1.ZRK").find("\"old\"") != std::string::npos}),
            (std::tuple{false, false, true, changed,
                        std::vector<std::string>{"Error when closing the Device File"}, true}));
  ASSERT_EQ(1u, ui.popups().size());
  EXPECT_NE(std::string::npos, ui.popups()[0].find("could not be saved"));
  EXPECT_NE(std::string::npos, ui.popups()[0].find(dir.file("dev1.ZRK").string()));

  fs.clearFaults();
  EXPECT_TRUE(setup.ok());
  EXPECT_EQ(deviceFileText(device(0)), dir.read("dev1.ZRK"));
  EXPECT_EQ((std::tuple{ui.fileDialogs.size(),
                        dir.read("dev1.ZRK").find("\"new name\"") != std::string::npos,
                        device(0).changed(), p.meas.devices.workingCopy()}),
            (std::tuple{0u, true, false, nullptr}));
}

TEST_F(DeviceCommandsFixture, LoadedFileIsWhatAbortReturnsToAndACancelledLoadIsNotReported) {
  device(0).setFilePath(dir.write("a.ZRK", deviceText("A", "0 0 10 10 0 1 0 1")));
  p.loadDeviceFiles();
  dir.write("b.ZRK", deviceText("B", "0 0 99 10 0 1 0 1"));
  DeviceSetup setup(p, 0);
  // A cancelled dialog is not reported, a file that is not there is.
  log = {};
  ui.fileAnswers = {std::nullopt, dir.file("nothere.ZRK")};
  EXPECT_EQ((std::vector<int>{setup.load(), setup.load()}), (std::vector<int>{0, FileSelectNew}));
  EXPECT_EQ(log.lines.size(), 1u);
  backup.calls = 0;
  setup.setName("edited");
  ui.askAnswers = {0};
  ui.fileAnswers = {dir.file("b.ZRK")};
  EXPECT_EQ(0, setup.load());
  // the load wrote the backup first
  EXPECT_EQ(std::tuple(device(0).name, shown(setup), backup.calls), std::tuple("B", unchanged, 1));

  ui.promptAnswers = {std::string("5")};
  setup.add(DeviceSetup::List::Speeds);
  setup.abort();
  // Back to the file just loaded, not to file A's lists under file B's name.
  EXPECT_EQ((std::tuple{device(0).name, values(device(0).pistons), values(device(0).speeds),
                        device(0).path, device(0).changed()}),
            (std::tuple{"B", std::vector<double>{99}, std::vector<double>{50}, dir.file("b.ZRK"),
                        false}));
  EXPECT_EQ(deviceText("A", "0 0 10 10 0 1 0 1"), dir.read("a.ZRK"));
}

} // namespace
} // namespace zv
