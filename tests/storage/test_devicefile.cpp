// Tester devices and their .ZRK files: change detection, working copies, the exact file
// text, hand-written files with partial loads, the prompting load and save flows, and file
// failures that must leave the old file alone.
#include <functional>

#include <gtest/gtest.h>

#include "common/zv_fake_ui.hpp"
#include "common/zv_reporting.hpp"
#include "common/zv_testdir.hpp"
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
    "[GERAETEKENNUNG]\r\nName = \"---\"\r\nSeriennummer = \"000\"\r\n\r\n[KOLBEN_LISTE]\r\n"
    "Kolben-1 = \"0 0   10.000   10.000    0.000    1.000    0.000    1.000\"\r\n"
    "Kolben-2 = \"0 0   20.000   10.000    0.000    1.000    0.000    1.000\"\r\n"
    "Kolben-3 = \"0 0   30.000   10.000    0.000    1.000    0.000    1.000\"\r\n\r\n"
    "[PROBENFLAECHE_LISTE]\r\nFläche-1 = 1\r\nFläche-2 = 2\r\nFläche-3 = 3\r\n\r\n"
    "[ABZUGGESCHWINDIGKEIT_LISTE]\r\nGeschw.-1 = 100\r\nGeschw.-2 = 200\r\nGeschw.-3 = 300\r\n"
    "\r\n"_l1;

TEST(DeviceChecksum, EveryFieldCounts) {
  const std::vector<std::function<void(TesterDevice&)>> edits = {
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
      [](TesterDevice& d) { d.areas.entry(0)->name = "Fläche-1"_l1; },
      [](TesterDevice& d) { d.areas.removeAt(0); },
      // The last speed becomes the first area: the entries alone read the same bytes.
      [](TesterDevice& d) {
        d.areas.assign({{{}, 400.0}, {{}, 500.0}});
        d.takeSavedChecksum();
        d.speeds.removeAt(2);
        d.areas.insert(300.0);
      },
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
  // An edit that happens to give the saved checksum still counts.
  TesterDevice d;
  d.takeSavedChecksum();
  for (int i = 0; i < 1 << 20 && (i == 0 || d.checksum() != d.savedChecksum); ++i)
    d.setName("N" + std::to_string(i));
  ASSERT_EQ(d.savedChecksum, d.checksum());
  EXPECT_TRUE(d.changed());
}

TEST(TesterDevices, ShownDeviceWorkingCopyAndPaths) {
  TesterDevices devices;
  TesterDevice& d = *devices.device(1);
  d.speeds.insert(999.0);
  EXPECT_EQ(3, devices.activeSpeeds().count());
  devices.setShownDevice(1);
  devices.setShownDevice(2); // no such device: the shown one stays
  EXPECT_EQ(1, devices.shownDevice());
  EXPECT_EQ(4, devices.activeSpeeds().count());
  EXPECT_EQ(&d.pistons, &devices.activePistons());
  EXPECT_EQ(&d.areas, &devices.activeAreas());

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
  EXPECT_EQ(before, *devices.workingCopy()); // a deep copy
  devices.endWorkingCopy(true);
  EXPECT_EQ(nullptr, devices.workingCopy());
  EXPECT_EQ(before, static_cast<const DeviceContents&>(d));
  EXPECT_EQ(std::filesystem::path("/data/two.ZRK"), d.path); // the file is not part of it
  ASSERT_TRUE(devices.takeWorkingCopy(1));
  d.setName("kept");
  devices.endWorkingCopy(false);
  EXPECT_EQ(nullptr, devices.workingCopy());
  EXPECT_EQ("kept", d.name);
  EXPECT_EQ("---", devices.device(0)->name);

  d.setName(std::string(100, 'n'));
  EXPECT_EQ(79u, d.name.size());
  d.setFilePath("/home/op/geraete/T1.ZRK");
  EXPECT_EQ(std::filesystem::path("/home/op/geraete"), d.directory);
  EXPECT_EQ(std::filesystem::path("T1.ZRK"), d.fileName);
  d.setFilePath("");
  EXPECT_TRUE(d.fileName.empty() && d.path.empty());
  EXPECT_EQ(std::filesystem::path("/home/op/geraete"), d.directory);
}

TEST(DeviceText, DefaultDeviceFile) {
  EXPECT_EQ(defaultFileText, deviceFileText(TesterDevice{}));
}

struct DeviceFileFixture : ::testing::Test, test::Reporting {
  FaultyFileSystem fs;
  DeviceFileContext ctx{ui, reporter, lang, fs};
  TesterDevices devices{dir.path()};

  TesterDevice& device(int i = 0) { return *devices.device(i); }
  int load(bool ask = false) { return loadDeviceFile(&device(), ask, ctx); }
  int save(bool ask = false) { return saveDeviceFile(&device(), ask, ctx); }
};

TEST_F(DeviceFileFixture, SaveAndLoadRoundTrip) {
  TesterDevice& d = device(1);
  d.setName("Tester 2");
  d.setSerialNumber("SN 0815");
  PistonRange& p = *d.pistons.piston(0);
  p.calFlags = 15;
  p.calDate = 1700000000;
  p.calForce2 = 50.0;
  p.calVolts2 = 10.0;
  p.rangeVolts = 0.2;
  d.speeds.insert(0.5);
  d.areas.insert(1963.5);
  d.setFilePath(dir.file("two.ZRK"));
  ASSERT_EQ(0, saveDeviceFile(&d, false, ctx));
  EXPECT_EQ(deviceFileText(d), dir.read("two.ZRK"));

  device().setFilePath(dir.file("two.ZRK"));
  ASSERT_EQ(0, load());
  EXPECT_EQ(d.name + "|" + d.serialNumber, device().name + "|" + device().serialNumber);
  EXPECT_EQ(d.pistons, device().pistons);
  EXPECT_EQ(d.speeds, device().speeds);
  EXPECT_EQ((std::vector<double>{1, 2, 3, 1963.5}), values(device().areas));
  EXPECT_EQ("Fläche-4"_l1, device().areas.entry(3)->name);
  EXPECT_FALSE(device().changed());
  EXPECT_TRUE(log.lines.empty());

  // Names longer than the file keeps come back cut to 28.
  d.setName(std::string(40, 'N'));
  d.setSerialNumber(std::string(35, '9'));
  ASSERT_EQ(0, saveDeviceFile(&d, false, ctx));
  EXPECT_NE(std::string::npos, dir.read("two.ZRK").find(std::string(40, 'N')));
  ASSERT_EQ(0, loadDeviceFile(&d, false, ctx));
  EXPECT_EQ(std::string(28, 'N'), d.name);
  EXPECT_EQ(std::string(28, '9'), d.serialNumber);
}

// Hand-written files: what a list section gives, what is skipped, and where a load stops.
TEST_F(DeviceFileFixture, HandWrittenFilesLoadWhatIsUsable) {
  struct Case {
    std::string text;
    int code;
    std::vector<double> pistons, speeds, areas;
    std::size_t logLines;
  };
  const Case cases[] = {
      // No area list: the rest loads, the areas stay.
      {"[GERAETEKENNUNG]\nName = \"T1\"\nSeriennummer = \"S1\"\n"
       "[KOLBEN_LISTE]\nKolben-1 = \"15 5 40 10 0 1 0 1\"\n[ABZUGGESCHWINDIGKEIT_LISTE]\nG = 120\n",
       DeviceLoadAreas,
       {40},
       {120},
       {1, 2, 3, 9},
       1},
      // No usable speed: the load stops before the areas.
      {"[KOLBEN_LISTE]\nKolben-1 = \"0 0 5 10 0 1 0 1\"\n"
       "[ABZUGGESCHWINDIGKEIT_LISTE]\nGeschw.-1 = 0\nGeschw.-2 = fast\n"
       "[PROBENFLAECHE_LISTE]\na = 50\n",
       DeviceLoadSpeeds,
       {5},
       {100, 200, 300},
       {1, 2, 3, 9},
       3},
      // Bad entries are skipped, each with a line.
      {"[KOLBEN_LISTE]\nKolben-1 = \"0 0 0 10 0 1 0 1\"\nKolben-2 = \"0 0 25 10 0 1 0 1\"\n"
       "[ABZUGGESCHWINDIGKEIT_LISTE]\nGeschw.-1 = -3\nGeschw.-2 = 80\n"
       "[PROBENFLAECHE_LISTE]\na = 0\nb = 4.5\n",
       0,
       {25},
       {80},
       {4.5},
       3},
      // Any order of sections and keys, any case, blanks in the brackets.
      {"; comment\r\n[probenflaeche_liste]\r\nx = 3\r\n[ KOLBEN_LISTE ]\r\n"
       "Kolben-7 = \"0 0 30 10 0 1 0 1\"\r\nKolben-2 = \"0 0 20 10 0 1 0 1\"\r\n"
       "[ABZUGGESCHWINDIGKEIT_LISTE]\r\nspeed = 10\r\n"
       "[GERAETEKENNUNG]\r\nseriennummer = \"S1\"\r\nNAME = \"T1\"\r\n",
       0,
       {20, 30},
       {10},
       {3},
       0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    TesterDevices fresh{dir.path()};
    TesterDevice& d = *fresh.device(0);
    d.areas.insert(9.0);
    log.lines.clear();
    d.setFilePath(dir.write("dev.ZRK", c.text));
    ASSERT_EQ(c.code, loadDeviceFile(&d, false, ctx));
    EXPECT_EQ(c.pistons, values(d.pistons));
    EXPECT_EQ(c.speeds, values(d.speeds));
    EXPECT_EQ(c.areas, values(d.areas));
    EXPECT_EQ(c.logLines, log.lines.size()) << log.text;
    EXPECT_FALSE(d.changed());
    if (c.text.find("T1") != std::string::npos) {
      EXPECT_EQ("T1", d.name);
      EXPECT_EQ("S1", d.serialNumber);
    }
    if (c.code != 0) {
      EXPECT_EQ("Error when opening the Device File", log.lines.back());
      EXPECT_TRUE(recorded(c.code));
    }
  }
}

TEST_F(DeviceFileFixture, UnusableSpeedIsLoggedWithSectionKeyAndValue) {
  device().setFilePath(dir.write("dev.ZRK", "[KOLBEN_LISTE]\nK = \"0 0 5 10 0 1 0 1\"\n"
                                            "[ABZUGGESCHWINDIGKEIT_LISTE]\nGeschw.-1 = 0\n"));
  ASSERT_EQ(DeviceLoadSpeeds, load());
  EXPECT_EQ("List entry skipped, not a number greater than 0: [ABZUGGESCHWINDIGKEIT_LISTE] "
            "Geschw.-1 = \"0\"",
            log.lines[0]);
}

TEST_F(DeviceFileFixture, LoadWithoutFileOrUnreadableKeepsTheDevice) {
  device().speeds.insert(7.0);
  EXPECT_EQ(DeviceRefused, load());
  EXPECT_EQ(DeviceRefused, loadDeviceFile(nullptr, false, ctx));
  EXPECT_EQ(4, device().speeds.count());
  EXPECT_TRUE(log.lines.empty());
  EXPECT_TRUE(device().changed());

  // An unreadable file is logged and resets the change state.
  device().setName("edited");
  device().setFilePath(dir.file("absent.ZRK"));
  EXPECT_EQ(DeviceCannotRead, load());
  EXPECT_EQ("edited", device().name);
  EXPECT_FALSE(device().changed());
  EXPECT_EQ(std::vector<std::string>{"Error when opening the Device File"}, log.lines);
  lang.language = 0;
  fs.failOn(FaultyFileSystem::Op::Read, std::errc::io_error);
  device().setFilePath(dir.write("there.ZRK", defaultFileText));
  EXPECT_EQ(DeviceCannotRead, load());
  EXPECT_EQ("Fehler bei Laden der Gerätedatei"_l1, log.lines.back());
}

TEST_F(DeviceFileFixture, PromptBeforeDiscardingChanges) {
  dir.write("b.ZRK",
            "[GERAETEKENNUNG]\nName = \"from b\"\n[KOLBEN_LISTE]\nk = \"0 0 1 10 0 1 0 1\"\n"
            "[ABZUGGESCHWINDIGKEIT_LISTE]\nk = 1\n[PROBENFLAECHE_LISTE]\nk = 1\n");
  device().setFilePath(dir.file("a.ZRK"));
  device().setName("edited");

  ui.askAnswers = {1}; // "Abort"
  EXPECT_EQ(DeviceRefused, load(true));
  ASSERT_EQ(1u, ui.shown.size());
  EXPECT_EQ("Load Devicefile|Changes are not saved                 \nPlease save before or "
            "abort loading|Reject changes,Abort",
            ui.shown[0].title + "|" + ui.shown[0].text + "|" + ui.shown[0].buttons[0] + "," +
                ui.shown[0].buttons[1]);
  EXPECT_EQ("edited", device().name);
  EXPECT_TRUE(device().changed());

  lang.language = 0;
  ui.askAnswers = {0};
  ui.fileAnswers = {dir.file("b.ZRK")};
  EXPECT_EQ(0, load(true));
  EXPECT_EQ("Laden Gerätedatei"_l1, ui.shown[1].title);
  EXPECT_EQ((std::vector<std::string>{"Änderungen verwerfen"_l1, "Laden abbrechen"}),
            ui.shown[1].buttons);
  ASSERT_EQ(1u, ui.fileDialogs.size());
  const FileDialogSpec& spec = ui.fileDialogs[0];
  EXPECT_EQ(FileDialogSpec::Mode::Open, spec.mode);
  EXPECT_EQ("ZARVIK - Gerätedatei laden"_l1, spec.title);
  EXPECT_EQ("*.ZRK|a.ZRK", spec.filter + "|" + spec.defaultName);
  EXPECT_EQ(dir.path(), spec.startDirectory);
  EXPECT_EQ("from b", device().name);
  EXPECT_EQ(dir.file("b.ZRK"), device().path);
  EXPECT_EQ(std::filesystem::path("b.ZRK"), device().fileName);
  EXPECT_FALSE(device().changed());
}

TEST_F(DeviceFileFixture, CancelledOrNewFileEndsTheLoadWithTheDialogResult) {
  device().setName("edited");
  ui.askAnswers = {0, 0};
  ui.fileAnswers = {std::nullopt, dir.file("nothere.ZRK")};
  EXPECT_EQ(FileSelectCancelled, load(true));
  EXPECT_EQ(FileSelectNew, load(true));
  EXPECT_EQ("edited", device().name);
  EXPECT_TRUE(device().changed());
  EXPECT_TRUE(device().fileName.empty());
  EXPECT_TRUE(log.lines.empty());
  // An unchanged device is loaded without the question.
  device().takeSavedChecksum();
  ui.fileAnswers = {std::nullopt};
  EXPECT_EQ(FileSelectCancelled, load(true));
  EXPECT_TRUE(ui.askAnswers.empty());
  EXPECT_EQ(3u, ui.fileDialogs.size());
}

TEST_F(DeviceFileFixture, AChosenFileThatGivesNothingDoesNotBecomeTheDevicesFile) {
  device().setFilePath(dir.write("mine.ZRK", defaultFileText));
  ASSERT_EQ(0, load());
  dir.write("order.DAT", "[AUFTRAG]\r\nProben = 3\r\n");
  ui.fileAnswers = {dir.file("order.DAT")};
  EXPECT_EQ(DevicePistons, load(true));
  EXPECT_EQ(dir.file("mine.ZRK"), device().path);
  EXPECT_EQ(std::filesystem::path("mine.ZRK"), device().fileName);
  EXPECT_FALSE(device().changed());

  fs.failOn(FaultyFileSystem::Op::OpenRead, std::errc::permission_denied, "locked");
  ui.fileAnswers = {dir.write("locked.ZRK", defaultFileText)};
  EXPECT_EQ(DeviceCannotRead, load(true));
  EXPECT_EQ(dir.file("mine.ZRK"), device().path);

  // A file that gave a name is the device's file from now on, even with its lists missing.
  ui.fileAnswers = {dir.write("named.ZRK", "[GERAETEKENNUNG]\r\nName = \"N\"\r\n")};
  EXPECT_EQ(DevicePistons, load(true));
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
  const FileDialogSpec& spec = ui.fileDialogs[0];
  EXPECT_EQ(FileDialogSpec::Mode::Save, spec.mode);
  EXPECT_EQ("ZARVIK - Gerätedatei sichern|*.ZRK|*.ZRK"_l1,
            spec.title + "|" + spec.defaultName + "|" + spec.filter);
  EXPECT_EQ(dir.path(), spec.startDirectory);

  ui.fileAnswers = {dir.file("tester")};
  EXPECT_EQ(0, saveDeviceFile(&device(), true, ctx, &cancelled));
  EXPECT_FALSE(cancelled);
  EXPECT_EQ(dir.file("tester.ZRK"), device().path);
  EXPECT_EQ(defaultFileText, dir.read("tester.ZRK"));
  ui.fileAnswers = {dir.file("other.zrk")};
  EXPECT_EQ(0, save(true));
  EXPECT_EQ("tester.ZRK", ui.fileDialogs[2].defaultName);
  EXPECT_TRUE(std::filesystem::exists(dir.file("other.zrk")));
}

// A failed write keeps the old file (the INI file tests go through every way to fail).
TEST_F(DeviceFileFixture, FailedWritesLeaveTheOldFile) {
  device().setFilePath(dir.write("keep.ZRK", defaultFileText));
  device().setName("new name");
  fs.failOn(FaultyFileSystem::Op::Rename, std::errc::io_error);
  EXPECT_EQ(DeviceCannotWrite, save());
  EXPECT_EQ(defaultFileText, dir.read("keep.ZRK"));
  fs.clearFaults();
  EXPECT_EQ(0, save());
  EXPECT_NE(std::string::npos, dir.read("keep.ZRK").find("new name"));
  device().setFilePath(dir.path() / "no" / "such" / "dir.ZRK");
  EXPECT_EQ(DeviceCannotWrite, save());
}

} // namespace
} // namespace zv
