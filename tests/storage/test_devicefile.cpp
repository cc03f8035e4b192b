// Tester devices and their .ZRK files: change detection, working copies, the exact file
// text, hand-written files with partial loads, the prompting load and save flows, and file
// failures that must leave the old file alone.
#include <functional>

#include <gtest/gtest.h>

#include "common/zv_fake_ui.hpp"
#include "common/zv_reporting.hpp"
#include "common/zv_testdir.hpp"
#include "core/zv_crc16.hpp"
#include "platform/zv_latin1.hpp"
#include "storage/zv_devicefile.hpp"

namespace zv {
namespace {

std::vector<double> values(const auto& list) {
  std::vector<double> out;
  for (int i = 0; i < list.count(); ++i)
    out.push_back(*list.valueAt(i));
  return out;
}

const std::string defaultFileText =
    "[GERAETEKENNUNG]\r\n"
    "Name = \"---\"\r\n"
    "Seriennummer = \"000\"\r\n"
    "\r\n"
    "[KOLBEN_LISTE]\r\n"
    "Kolben-1 = \"0 0   10.000   10.000    0.000    1.000    0.000    1.000\"\r\n"
    "Kolben-2 = \"0 0   20.000   10.000    0.000    1.000    0.000    1.000\"\r\n"
    "Kolben-3 = \"0 0   30.000   10.000    0.000    1.000    0.000    1.000\"\r\n"
    "\r\n"
    "[PROBENFLAECHE_LISTE]\r\n"
    "Fl\xe4"
    "che-1 = 1\r\n"
    "Fl\xe4"
    "che-2 = 2\r\n"
    "Fl\xe4"
    "che-3 = 3\r\n"
    "\r\n"
    "[ABZUGGESCHWINDIGKEIT_LISTE]\r\n"
    "Geschw.-1 = 100\r\n"
    "Geschw.-2 = 200\r\n"
    "Geschw.-3 = 300\r\n"
    "\r\n";

TEST(DeviceChecksum, EveryFieldCounts) {
  std::vector<std::function<void(TesterDevice&)>> edits = {
      [](TesterDevice& d) { d.setName("Tester A"); },
      [](TesterDevice& d) { d.setSerialNumber("4711"); },
      [](TesterDevice& d) { d.setFilePath("/x/y.ZRK"); },
      [](TesterDevice& d) { d.pistons.piston(1)->calFlags = 1; },
      [](TesterDevice& d) { d.pistons.piston(1)->calDate = 1; },
      [](TesterDevice& d) { d.pistons.piston(2)->calForce2 = 1.5; },
      [](TesterDevice& d) { d.pistons.piston(2)->calVolts1 = 0.001; },
      [](TesterDevice& d) { d.pistons.piston(0)->rangeVolts = 5.0; },
      [](TesterDevice& d) { d.pistons.insert(40.0); },
      [](TesterDevice& d) { d.speeds.insert(150.0); },
      [](TesterDevice& d) {
        d.areas.entry(0)->name = "Fl\xe4"
                                 "che-1";
      },
      [](TesterDevice& d) { d.areas.removeAt(0); },
  };
  for (std::size_t i = 0; i < edits.size(); ++i) {
    TesterDevice d;
    d.takeSavedChecksum();
    ASSERT_FALSE(d.changed());
    edits[i](d);
    EXPECT_TRUE(d.changed()) << "edit " << i;
    d.takeSavedChecksum();
    EXPECT_FALSE(d.changed()) << "edit " << i;
  }
}

TEST(DeviceChecksum, MovingAnEntryToTheNextListCounts) {
  TesterDevice d;
  d.areas.assign({{{}, 400.0}, {{}, 500.0}});
  d.takeSavedChecksum();
  // The last speed becomes the first area: the entries alone read the same bytes.
  d.speeds.removeAt(2);
  d.areas.insert(300.0);
  EXPECT_TRUE(d.changed());
}

TEST(DeviceChecksum, AnEditWithTheSameChecksumStillCounts) {
  TesterDevice d;
  d.takeSavedChecksum();
  const std::uint16_t saved = d.savedChecksum;
  // Find a name whose record has the same CRC as the saved one.
  std::string twin;
  for (int i = 0; i < 1 << 20 && twin.empty(); ++i) {
    d.setName("N" + std::to_string(i));
    if (d.checksum() == saved)
      twin = d.name;
  }
  ASSERT_FALSE(twin.empty());
  EXPECT_EQ(saved, d.checksum());
  EXPECT_TRUE(d.changed());
}

TEST(TesterDevices, ShownDeviceServesItsLists) {
  TesterDevices devices;
  devices.device(1)->speeds.insert(999.0);
  EXPECT_EQ(3, devices.activeSpeeds().count());
  devices.setShownDevice(1);
  EXPECT_EQ(1, devices.shownDevice());
  EXPECT_EQ(4, devices.activeSpeeds().count());
  EXPECT_EQ(&devices.device(1)->pistons, &devices.activePistons());
  EXPECT_EQ(&devices.device(1)->areas, &devices.activeAreas());
  devices.setShownDevice(2);
  EXPECT_EQ(1, devices.shownDevice());
}

TEST(TesterDevices, WorkingCopyCommitRestoresAndDropKeeps) {
  TesterDevices devices;
  TesterDevice& d = *devices.device(1);
  d.setFilePath("/data/one.ZRK");
  EXPECT_FALSE(devices.takeWorkingCopy(2));
  EXPECT_EQ(nullptr, devices.workingCopy());

  ASSERT_TRUE(devices.takeWorkingCopy(1));
  const DeviceContents before = *devices.workingCopy();
  d.setName("changed");
  d.setSerialNumber("S2");
  d.pistons.piston(0)->calFlags = 15;
  d.speeds.insert(5.0);
  d.areas.removeAt(0);
  d.setFilePath("/data/two.ZRK");
  // The spare record is a deep copy: editing the device leaves it alone.
  EXPECT_EQ(before, *devices.workingCopy());
  devices.endWorkingCopy(true);
  EXPECT_EQ(nullptr, devices.workingCopy());
  EXPECT_EQ(before, static_cast<const DeviceContents&>(d));
  // The file the device names is not part of the copy.
  EXPECT_EQ(std::filesystem::path("/data/two.ZRK"), d.path);

  ASSERT_TRUE(devices.takeWorkingCopy(1));
  d.setName("kept");
  devices.endWorkingCopy(false);
  EXPECT_EQ(nullptr, devices.workingCopy());
  EXPECT_EQ("kept", d.name);
  EXPECT_EQ("---", devices.device(0)->name);
}

TEST(TesterDevice, FieldsAndPathSplitting) {
  TesterDevice d;
  d.setName(std::string(100, 'n'));
  EXPECT_EQ(79u, d.name.size());
  d.setFilePath("/home/op/geraete/T1.ZRK");
  EXPECT_EQ(std::filesystem::path("/home/op/geraete"), d.directory);
  EXPECT_EQ(std::filesystem::path("T1.ZRK"), d.fileName);
  EXPECT_EQ(std::filesystem::path("/home/op/geraete/T1.ZRK"), d.path);
  d.setFilePath("");
  EXPECT_TRUE(d.fileName.empty());
  EXPECT_TRUE(d.path.empty());
  EXPECT_EQ(std::filesystem::path("/home/op/geraete"), d.directory);
}

TEST(DeviceText, DefaultDeviceFile) {
  TesterDevice d;
  EXPECT_EQ(defaultFileText, deviceFileText(d));
}

struct DeviceFileFixture : ::testing::Test, test::Reporting {
  FaultyFileSystem fs;
  DeviceFileContext ctx{ui, reporter, lang, fs};
  TesterDevices devices{dir.path()};

  TesterDevice& device(int i = 0) { return *devices.device(i); }
  // Points device i at a hand-written file and loads it without asking.
  int loadText(std::string_view text, int i = 0) {
    device(i).setFilePath(dir.write("dev.ZRK", text));
    return loadDeviceFile(&device(i), false, ctx);
  }
};

TEST_F(DeviceFileFixture, SaveAndLoadRoundTrip) {
  TesterDevice& d = device(1);
  d.setName("Tester 2");
  d.setSerialNumber("SN 0815");
  d.pistons.piston(0)->calFlags = 15;
  d.pistons.piston(0)->calDate = 1700000000;
  d.pistons.piston(0)->calForce2 = 50.0;
  d.pistons.piston(0)->calVolts2 = 10.0;
  d.pistons.piston(0)->rangeVolts = 0.2;
  d.speeds.insert(0.5);
  d.areas.insert(1963.5);
  d.setFilePath(dir.file("two.ZRK"));
  ASSERT_EQ(0, saveDeviceFile(&d, false, ctx));
  EXPECT_EQ(deviceFileText(d), dir.read("two.ZRK"));

  TesterDevice& fresh = device(0);
  fresh.setFilePath(dir.file("two.ZRK"));
  ASSERT_EQ(0, loadDeviceFile(&fresh, false, ctx));
  EXPECT_EQ(d.name, fresh.name);
  EXPECT_EQ(d.serialNumber, fresh.serialNumber);
  EXPECT_EQ(d.pistons, fresh.pistons);
  EXPECT_EQ(d.speeds, fresh.speeds);
  EXPECT_EQ((std::vector<double>{1, 2, 3, 1963.5}), values(fresh.areas));
  EXPECT_EQ("Fl\xe4"
            "che-4",
            fresh.areas.entry(3)->name);
  EXPECT_FALSE(fresh.changed());
  EXPECT_TRUE(log.lines.empty());
}

TEST_F(DeviceFileFixture, MissingAreaSectionLoadsTheRestAndKeepsTheAreas) {
  device().areas.insert(9.0);
  ASSERT_EQ(DeviceLoadAreas, loadText("[GERAETEKENNUNG]\nName = \"T1\"\nSeriennummer = \"S1\"\n"
                                      "[KOLBEN_LISTE]\nKolben-1 = \"15 5 40 10 0 1 0 1\"\n"
                                      "[ABZUGGESCHWINDIGKEIT_LISTE]\nGeschw.-1 = 120\n"));
  EXPECT_EQ("T1", device().name);
  EXPECT_EQ("S1", device().serialNumber);
  EXPECT_EQ((std::vector<double>{40}), values(device().pistons));
  EXPECT_EQ((std::vector<double>{120}), values(device().speeds));
  EXPECT_EQ((std::vector<double>{1, 2, 3, 9}), values(device().areas));
  EXPECT_FALSE(device().changed());
  EXPECT_EQ(std::vector<std::string>{"Error when opening the Device File"}, log.lines);
  EXPECT_NE(std::string::npos, test::TestDir::readFile(errorLog.path()).find("-7"));
}

TEST_F(DeviceFileFixture, UnusableSpeedsStopTheLoadBeforeTheAreas) {
  ASSERT_EQ(DeviceLoadSpeeds,
            loadText("[KOLBEN_LISTE]\nKolben-1 = \"0 0 5 10 0 1 0 1\"\n"
                     "[ABZUGGESCHWINDIGKEIT_LISTE]\nGeschw.-1 = 0\nGeschw.-2 = fast\n"
                     "[PROBENFLAECHE_LISTE]\na = 50\n"));
  EXPECT_EQ((std::vector<double>{5}), values(device().pistons));
  EXPECT_EQ((std::vector<double>{100, 200, 300}), values(device().speeds));
  EXPECT_EQ((std::vector<double>{1, 2, 3}), values(device().areas));
  ASSERT_EQ(3u, log.lines.size());
  EXPECT_EQ("List entry skipped, not a number greater than 0: [ABZUGGESCHWINDIGKEIT_LISTE] "
            "Geschw.-1 = \"0\"",
            log.lines[0]);
  EXPECT_EQ("Error when opening the Device File", log.lines[2]);
}

TEST_F(DeviceFileFixture, BadEntriesAreSkippedAndTheRestLoads) {
  ASSERT_EQ(0, loadText("[KOLBEN_LISTE]\nKolben-1 = \"0 0 0 10 0 1 0 1\"\n"
                        "Kolben-2 = \"0 0 25 10 0 1 0 1\"\n"
                        "[ABZUGGESCHWINDIGKEIT_LISTE]\nGeschw.-1 = -3\nGeschw.-2 = 80\n"
                        "[PROBENFLAECHE_LISTE]\na = 0\nb = 4.5\n"));
  EXPECT_EQ((std::vector<double>{25}), values(device().pistons));
  EXPECT_EQ((std::vector<double>{80}), values(device().speeds));
  EXPECT_EQ((std::vector<double>{4.5}), values(device().areas));
  EXPECT_EQ(3u, log.lines.size());
}

TEST_F(DeviceFileFixture, ReorderedSectionsAndKeysAndCaseAreRead) {
  ASSERT_EQ(0, loadText("; comment\r\n[probenflaeche_liste]\r\nx = 3\r\n"
                        "[ KOLBEN_LISTE ]\r\nKolben-7 = \"0 0 30 10 0 1 0 1\"\r\n"
                        "Kolben-2 = \"0 0 20 10 0 1 0 1\"\r\n"
                        "[ABZUGGESCHWINDIGKEIT_LISTE]\r\nspeed = 10\r\n"
                        "[GERAETEKENNUNG]\r\nseriennummer = \"77\"\r\nNAME = \"Z\"\r\n"));
  EXPECT_EQ("Z", device().name);
  EXPECT_EQ("77", device().serialNumber);
  EXPECT_EQ((std::vector<double>{20, 30}), values(device().pistons));
}

TEST_F(DeviceFileFixture, LongNamesComeBackCutTo28) {
  TesterDevice& d = device();
  d.setName(std::string(40, 'N'));
  d.setSerialNumber(std::string(35, '9'));
  d.setFilePath(dir.file("long.ZRK"));
  ASSERT_EQ(0, saveDeviceFile(&d, false, ctx));
  EXPECT_NE(std::string::npos, dir.read("long.ZRK").find(std::string(40, 'N')));
  ASSERT_EQ(0, loadDeviceFile(&d, false, ctx));
  EXPECT_EQ(std::string(28, 'N'), d.name);
  EXPECT_EQ(std::string(28, '9'), d.serialNumber);
}

TEST_F(DeviceFileFixture, LoadWithoutFileNameKeepsTheBuiltInListsQuietly) {
  device().speeds.insert(7.0);
  EXPECT_EQ(DeviceRefused, loadDeviceFile(&device(), false, ctx));
  EXPECT_EQ(4, device().speeds.count());
  EXPECT_TRUE(log.lines.empty());
  EXPECT_TRUE(device().changed());
  EXPECT_EQ(DeviceRefused, loadDeviceFile(nullptr, false, ctx));
}

TEST_F(DeviceFileFixture, UnreadableFileIsLoggedAndResetsTheChangeState) {
  device().setName("edited");
  device().setFilePath(dir.file("absent.ZRK"));
  EXPECT_EQ(DeviceCannotRead, loadDeviceFile(&device(), false, ctx));
  EXPECT_EQ("edited", device().name);
  EXPECT_FALSE(device().changed());
  EXPECT_EQ(std::vector<std::string>{"Error when opening the Device File"}, log.lines);

  lang.language = 0;
  fs.failOn(FaultyFileSystem::Op::Read, std::errc::io_error);
  dir.write("there.ZRK", defaultFileText);
  device().setFilePath(dir.file("there.ZRK"));
  EXPECT_EQ(DeviceCannotRead, loadDeviceFile(&device(), false, ctx));
  EXPECT_EQ("Fehler bei Laden der Ger\xe4tedatei", log.lines.back());
}

TEST_F(DeviceFileFixture, PromptBeforeDiscardingChanges) {
  dir.write("b.ZRK",
            "[GERAETEKENNUNG]\nName = \"from b\"\n[KOLBEN_LISTE]\nk = \"0 0 1 10 0 1 0 1\"\n"
            "[ABZUGGESCHWINDIGKEIT_LISTE]\nk = 1\n[PROBENFLAECHE_LISTE]\nk = 1\n");
  device().setFilePath(dir.file("a.ZRK"));
  device().setName("edited");

  ui.askAnswers = {1}; // "Abort"
  EXPECT_EQ(DeviceRefused, loadDeviceFile(&device(), true, ctx));
  ASSERT_EQ(1u, ui.shown.size());
  EXPECT_EQ("Load Devicefile", ui.shown[0].title);
  EXPECT_EQ("Changes are not saved                 \nPlease save before or abort loading",
            ui.shown[0].text);
  EXPECT_EQ((std::vector<std::string>{"Reject changes", "Abort"}), ui.shown[0].buttons);
  EXPECT_EQ("edited", device().name);
  EXPECT_TRUE(device().changed());

  lang.language = 0;
  ui.askAnswers = {0};
  ui.fileAnswers = {dir.file("b.ZRK")};
  EXPECT_EQ(0, loadDeviceFile(&device(), true, ctx));
  EXPECT_EQ("Laden Ger\xe4tedatei", ui.shown[1].title);
  EXPECT_EQ((std::vector<std::string>{"\xc4nderungen verwerfen", "Laden abbrechen"}),
            ui.shown[1].buttons);
  ASSERT_EQ(1u, ui.fileDialogs.size());
  const FileDialogSpec& spec = ui.fileDialogs[0];
  EXPECT_EQ(FileDialogSpec::Mode::Open, spec.mode);
  EXPECT_EQ("ZARVIK - Ger\xe4tedatei laden", spec.title);
  EXPECT_EQ("*.ZRK", spec.filter);
  EXPECT_EQ(dir.path(), spec.startDirectory);
  EXPECT_EQ("a.ZRK", spec.defaultName);
  EXPECT_EQ("from b", device().name);
  EXPECT_EQ(dir.file("b.ZRK"), device().path);
  EXPECT_EQ(std::filesystem::path("b.ZRK"), device().fileName);
  EXPECT_FALSE(device().changed());
}

TEST_F(DeviceFileFixture, CancelledOrNewFileEndsTheLoadWithTheDialogResult) {
  device().setName("edited");
  ui.askAnswers = {0, 0};
  ui.fileAnswers = {std::nullopt, dir.file("nothere.ZRK")};
  EXPECT_EQ(FileSelectCancelled, loadDeviceFile(&device(), true, ctx));
  EXPECT_EQ(FileSelectNew, loadDeviceFile(&device(), true, ctx));
  EXPECT_EQ("edited", device().name);
  EXPECT_TRUE(device().changed());
  EXPECT_TRUE(device().fileName.empty());
  EXPECT_TRUE(log.lines.empty());

  // An unchanged device is loaded without the question.
  device().takeSavedChecksum();
  ui.fileAnswers = {std::nullopt};
  EXPECT_EQ(FileSelectCancelled, loadDeviceFile(&device(), true, ctx));
  EXPECT_TRUE(ui.askAnswers.empty());
  EXPECT_EQ(3, static_cast<int>(ui.fileDialogs.size()));
}

TEST_F(DeviceFileFixture, AChosenFileThatGivesNothingDoesNotBecomeTheDevicesFile) {
  device().setFilePath(dir.write("mine.ZRK", defaultFileText));
  ASSERT_EQ(0, loadDeviceFile(&device(), false, ctx));
  dir.write("order.DAT", "[AUFTRAG]\r\nProben = 3\r\n");
  ui.fileAnswers = {dir.file("order.DAT")};
  EXPECT_EQ(DevicePistons, loadDeviceFile(&device(), true, ctx));
  EXPECT_EQ(dir.file("mine.ZRK"), device().path);
  EXPECT_EQ(std::filesystem::path("mine.ZRK"), device().fileName);
  EXPECT_FALSE(device().changed());

  fs.failOn(FaultyFileSystem::Op::OpenRead, std::errc::permission_denied, "locked");
  dir.write("locked.ZRK", defaultFileText);
  ui.fileAnswers = {dir.file("locked.ZRK")};
  EXPECT_EQ(DeviceCannotRead, loadDeviceFile(&device(), true, ctx));
  EXPECT_EQ(dir.file("mine.ZRK"), device().path);

  // A file that gave a name is the device's file from now on, even with its lists missing.
  dir.write("named.ZRK", "[GERAETEKENNUNG]\r\nName = \"N\"\r\n");
  ui.fileAnswers = {dir.file("named.ZRK")};
  EXPECT_EQ(DevicePistons, loadDeviceFile(&device(), true, ctx));
  EXPECT_EQ("N", device().name);
  EXPECT_EQ(dir.file("named.ZRK"), device().path);
}

TEST_F(DeviceFileFixture, SaveNeedsFileNameAndDirectory) {
  EXPECT_EQ(DeviceRefused, saveDeviceFile(&device(1), false, ctx));
  device(1).fileName = "x.ZRK";
  device(1).directory.clear();
  EXPECT_EQ(DeviceRefused, saveDeviceFile(&device(1), false, ctx));
  EXPECT_EQ(DeviceRefused, saveDeviceFile(nullptr, false, ctx));
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST_F(DeviceFileFixture, SaveDialogChoosesTheFile) {
  bool cancelled = false;
  ui.fileAnswers = {std::nullopt};
  EXPECT_EQ(FileSelectCancelled, saveDeviceFile(&device(), true, ctx, &cancelled));
  EXPECT_TRUE(cancelled);
  ASSERT_EQ(1u, ui.fileDialogs.size());
  EXPECT_EQ(FileDialogSpec::Mode::Save, ui.fileDialogs[0].mode);
  EXPECT_EQ("ZARVIK - Ger\xe4tedatei sichern", ui.fileDialogs[0].title);
  EXPECT_EQ("*.ZRK", ui.fileDialogs[0].defaultName);
  EXPECT_EQ("*.ZRK", ui.fileDialogs[0].filter);
  EXPECT_EQ(dir.path(), ui.fileDialogs[0].startDirectory);

  ui.fileAnswers = {dir.file("tester")};
  EXPECT_EQ(0, saveDeviceFile(&device(), true, ctx, &cancelled));
  EXPECT_FALSE(cancelled);
  EXPECT_EQ(dir.file("tester.ZRK"), device().path);
  EXPECT_EQ(defaultFileText, dir.read("tester.ZRK"));

  ui.fileAnswers = {dir.file("other.zrk")};
  EXPECT_EQ(0, saveDeviceFile(&device(), true, ctx));
  EXPECT_EQ("tester.ZRK", ui.fileDialogs[2].defaultName);
  EXPECT_TRUE(std::filesystem::exists(dir.file("other.zrk")));
}

TEST_F(DeviceFileFixture, FailedWritesLeaveTheOldFile) {
  TesterDevice& d = device();
  d.setFilePath(dir.file("keep.ZRK"));
  dir.write("keep.ZRK", defaultFileText);
  d.setName("new name");

  fs.writeProtect(dir.file("keep.ZRK"));
  EXPECT_EQ(DeviceCannotWrite, saveDeviceFile(&d, false, ctx));
  EXPECT_EQ(defaultFileText, dir.read("keep.ZRK"));

  fs.clearFaults();
  fs.diskFullAfter(100);
  EXPECT_EQ(DeviceCannotWrite, saveDeviceFile(&d, false, ctx));
  EXPECT_EQ(defaultFileText, dir.read("keep.ZRK"));

  fs.clearFaults();
  fs.failOn(FaultyFileSystem::Op::Rename, std::errc::io_error);
  EXPECT_EQ(DeviceCannotWrite, saveDeviceFile(&d, false, ctx));
  EXPECT_EQ(defaultFileText, dir.read("keep.ZRK"));
  EXPECT_EQ(1, static_cast<int>(std::distance(std::filesystem::directory_iterator(dir.path()),
                                              std::filesystem::directory_iterator())));

  fs.clearFaults();
  EXPECT_EQ(0, saveDeviceFile(&d, false, ctx));
  EXPECT_NE(std::string::npos, dir.read("keep.ZRK").find("new name"));
}

TEST_F(DeviceFileFixture, MissingDirectoryFailsTheSave) {
  device().setFilePath(dir.path() / "no" / "such" / "dir.ZRK");
  EXPECT_EQ(DeviceCannotWrite, saveDeviceFile(&device(), false, ctx));
}

} // namespace
} // namespace zv
