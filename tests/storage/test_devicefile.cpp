// Tester devices and their .ZRK files: the selection lists in INI sections (the piston text,
// reading in file order whatever the keys, the checks that keep unusable values out, the exact
// text a save writes), change detection, the exact file text, hand-written files with partial
// loads, the prompting load and save flows, and file failures that must leave the old file
// alone.
#include <functional>
#include <sstream>

#include <gtest/gtest.h>

#include "common/zv_reporting.hpp"
#include "platform/zv_latin1.hpp"
#include "storage/test_config_common.hpp"
#include "storage/zv_devicefile.hpp"
#include "storage/zv_list_sections.hpp"

namespace zv {
namespace {

using test::parseIni;

// A list load as "code | entries | skipped items": an entry is "name=value" (pistons: the
// value and the calibration flags), a skipped item "section key=value reason".
template <class List, class Load>
std::string loaded(List list, Load load, const std::string& text) {
  IniHandle doc = parseIni(text);
  std::vector<SkippedListItem> skipped;
  std::ostringstream o;
  o << load(doc.get(), list, &skipped) << " |";
  for (const auto& e : list.entries()) {
    if constexpr (std::is_same_v<List, PistonList>)
      o << ' ' << e.range << '/' << e.calFlags;
    else
      o << ' ' << e.name << '=' << e.value;
  }
  o << " |";
  for (const auto& i : skipped)
    o << ' ' << i.section << ' ' << i.tag << '=' << i.value << ' ' << static_cast<int>(i.reason);
  return o.str();
}
const auto speeds = [](auto&&... a) { return loadSpeedList(std::forward<decltype(a)>(a)...); };
const auto areas = [](auto&&... a) { return loadAreaList(std::forward<decltype(a)>(a)...); };
const auto pistons = [](auto&&... a) { return loadPistonList(std::forward<decltype(a)>(a)...); };

TEST(PistonText, FormatsEveryFieldInFileOrderAndParsesItBackToThreeDecimals) {
  PistonRange p;
  p.range = 10.0;
  EXPECT_EQ("0 0   10.000   10.000    0.000    1.000    0.000    1.000", formatPistonEntry(p));
  p = {.name = {},
       .range = 20.0,
       .calDate = -3,
       .calFlags = 5,
       .calForce1 = 1.25,
       .calForce2 = 49.75,
       .calVolts1 = 0.0104,
       .calVolts2 = 9.9996,
       .rangeVolts = 0.5};
  PistonRange expected = p;
  expected.calVolts1 = 0.010;
  expected.calVolts2 = 10.000;
  EXPECT_EQ(parsePistonEntry(formatPistonEntry(p)), expected);
}

TEST(PistonText, AcceptsHandWrittenSpacingAndSigns) {
  auto p = parsePistonEntry("\t+15  0 10 +10.0 0 1e1 .5 5.  ");
  ASSERT_TRUE(p);
  EXPECT_EQ((std::tuple{p->calFlags, p->calForce2, p->calVolts1, p->calVolts2}),
            (std::tuple{15, 10.0, 0.5, 5.0}));
  EXPECT_TRUE(parsePistonEntry("-2147483648 2147483647 10 10 0 1 0 1"));
}

TEST(PistonText, RefusesEverythingThatIsNotEightUsableNumbers) {
  for (const char* bad :
       {"", "0 0 10 10 0 1 0", "0 0 10 10 0 1 0 1 7", "x 0 10 10 0 1 0 1", "0 0 10 10 0 1 0 1x",
        "1.5 0 10 10 0 1 0 1", "2147483648 0 10 10 0 1 0 1", "0 0 0 10 0 1 0 1", "0 0 10 0 0 1 0 1",
        "0 0 nan 10 0 1 0 1", "0 0 10 10 inf 1 0 1", "0 0 10,5 10 0 1 0 1"})
    EXPECT_FALSE(parsePistonEntry(bad)) << bad;
}

// Items are taken in file order whatever the keys, sorted by value (equal values keep their
// order); unusable ones are skipped and reported; with nothing usable the list stays.
TEST(ListLoad, WhatEachListTakesAndSkips) {
  AreaList areasBefore;
  areasBefore.insert(7.5);
  const std::string pistonLine = " = \"0 0 10 10 0 1 0 1\"\n";
  const std::pair<std::string, std::string> cases[] = {
      {loaded(AreaList{}, areas,
              "[PROBENFLAECHE_LISTE]\r\nb = 5.0\r\nFl\xe4"
              "che-9 = 1.0\r\nzz = \"3\"\r\n"),
       "0 | Fl\xe4"
       "che-9=1 zz=3 b=5 |"},
      {loaded(PistonList{}, pistons,
              "[KOLBEN_LISTE]\na = \"1 0 20 10 0 1 0 1\"\nb = \"2 0 10 10 0 1 0 1\"\n"
              "c = \"3 0 20 10 0 1 0 1\"\nd = \"4 0 10 10 0 1 0 1\"\nKolben-1 = \"0 0 10 10\"\n"),
       "0 | 10/2 10/4 20/1 20/3 | KOLBEN_LISTE Kolben-1=0 0 10 10 1"},
      // Of two equal keys the first is read; the second is reported with its own value.
      {loaded(SpeedList{}, speeds,
              "[ABZUGGESCHWINDIGKEIT_LISTE]\nGeschw.-1 = abc\nGeschw.-2 = 0\nGeschw.-3 = -5\n"
              "Geschw.-4 = inf\nGeschw.-5 = 150\nGESCHW.-5 = 175\nGeschw.-6 = \"\"\n"
              "Geschw.-7 = 12abc\n"),
       "0 | =150 | ABZUGGESCHWINDIGKEIT_LISTE Geschw.-1=abc 0 ABZUGGESCHWINDIGKEIT_LISTE "
       "Geschw.-2=0 0 ABZUGGESCHWINDIGKEIT_LISTE Geschw.-3=-5 0 ABZUGGESCHWINDIGKEIT_LISTE "
       "Geschw.-4=inf 0 ABZUGGESCHWINDIGKEIT_LISTE GESCHW.-5=175 2 ABZUGGESCHWINDIGKEIT_LISTE "
       "Geschw.-6= 0 ABZUGGESCHWINDIGKEIT_LISTE Geschw.-7=12abc 0"},
      {loaded(areasBefore, areas, "[OTHER]\nx = 1\n"),
       std::to_string(ListLoadNoSection) + " | =1 =2 =3 =7.5 |"},
      {loaded(areasBefore, areas, "[PROBENFLAECHE_LISTE]\n[NEXT]\nx = 1\n"),
       std::to_string(ListLoadNothingUsable) + " | =1 =2 =3 =7.5 |"},
      {loaded(areasBefore, areas, "[PROBENFLAECHE_LISTE]\na = 0\nb = -1\nc = x\n"),
       std::to_string(ListLoadNothingUsable) + " | =1 =2 =3 =7.5 | PROBENFLAECHE_LISTE a=0 0 "
                                               "PROBENFLAECHE_LISTE b=-1 0 PROBENFLAECHE_LISTE "
                                               "c=x 0"},
  };
  for (const auto& [got, expected] : cases)
    EXPECT_EQ(got, expected);
}

TEST(EvaluationListIni, LoadCutsDropsRepeatsAndSorts) {
  auto doc = parseIni("[ABRISS_LISTE]\nAbriss-1 = \"AX\"\nAbriss-2 = \"AU\"\nAbriss-3 = \"AX\"\n"
                      "Abriss-4 = \"abcdefghijklmnopqrstuvwxyz\"\nAbriss-5 = \"\"\n");
  EvaluationList list;
  list.insert("ZZ");
  std::vector<SkippedListItem> skipped;
  ASSERT_EQ(0, loadEvaluationList(doc, list, &skipped));
  EXPECT_EQ((std::vector<std::string>{"AU", "AX", "abcdefghijklmnopqrs"}), list.entries());
  EXPECT_EQ((std::tuple{list.currentIndex(), list.changed(), skipped.size(), skipped[0].reason}),
            (std::tuple{0, false, 1u, SkippedListItem::Reason::EmptyText}));
  EXPECT_EQ(
      (std::vector<int>{loadEvaluationList(parseIni("[ABRISS_LISTE]\nAbriss-1 = \"\"\n"), list),
                        list.count(), loadEvaluationList(parseIni("[OTHER]\nx = 1\n"), list)}),
      (std::vector<int>{ListLoadNothingUsable, 3, ListLoadNoSection}));
}

TEST(EvaluationListIni, SaveReplacesEverySectionOfTheName) {
  auto doc = parseIni("[ABRISS_LISTE]\nAbriss-1 = \"OLD\"\nAbriss-9 = \"STALE\"\n"
                      "[Optionen]\nSprache = 1\n[abriss_liste]\nAbriss-7 = \"SECOND\"\n");
  EvaluationList list;
  list.insert("B1");
  ASSERT_TRUE(list.changed());
  EXPECT_EQ((std::vector<int>{saveEvaluationList(doc, list), list.changed(),
                              saveEvaluationList(nullptr, list)}),
            (std::vector<int>{0, false, IniNoDocument}));
  EXPECT_EQ("[Optionen]\r\nSprache = 1\r\n\r\n"
            "[ABRISS_LISTE]\r\nAbriss-1 = \"AU\"\r\nAbriss-2 = \"AX\"\r\nAbriss-3 = \"AZ\"\r\n"
            "Abriss-4 = \"B1\"\r\n\r\n",
            test::iniText(doc));
}

// ---- devices and their files -------------------------------------------------------------------

// A device as "name|serial|pistons|speeds|areas", the values of each list.
std::string picture(const TesterDevice& d) {
  std::ostringstream o;
  o << d.name << '|' << d.serialNumber;
  auto list = [&](const auto& l) {
    o << '|';
    for (int i = 0; i < l.count(); ++i)
      o << (i ? " " : "") << *l.valueAt(i);
  };
  list(d.pistons);
  list(d.speeds);
  list(d.areas);
  return o.str();
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
      [](TesterDevice& d) { d.pistons.insert(40.0); },
      [](TesterDevice& d) { d.areas.entry(0)->name = "Fläche-1"_l1; },
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
  EXPECT_EQ(picture(device()), "Tester 2|SN 0815|10 20 30|0.5 100 200 300|1 2 3 1963.5");
  EXPECT_EQ(d.pistons, device().pistons);
  EXPECT_EQ((std::tuple{device().areas.entry(3)->name, device().changed(), log.text}),
            (std::tuple{"Fläche-4"_l1, false, ""}));
}

// Hand-written files: what a list section gives, what is skipped, and where a load stops.
// The device starts with the built-in lists and a fourth area 9.
TEST_F(DeviceFileFixture, HandWrittenFilesLoadWhatIsUsable) {
  const std::string skipped = "List entry skipped, not a number greater than 0: ";
  const std::string failed = "Error when opening the Device File\n";
  const struct {
    std::string text;
    int code;
    std::string device, log;
  } cases[] = {
      // No area list: the rest loads, the areas stay.
      {"[GERAETEKENNUNG]\nName = \"T1\"\nSeriennummer = \"S1\"\n[KOLBEN_LISTE]\n"
       "Kolben-1 = \"15 5 40 10 0 1 0 1\"\n[ABZUGGESCHWINDIGKEIT_LISTE]\nG = 120\n",
       DeviceLoadAreas, "T1|S1|40|120|1 2 3 9", failed},
      // No usable speed: the load stops before the areas.
      {"[KOLBEN_LISTE]\nKolben-1 = \"0 0 5 10 0 1 0 1\"\n[ABZUGGESCHWINDIGKEIT_LISTE]\n"
       "Geschw.-1 = 0\nGeschw.-2 = fast\n[PROBENFLAECHE_LISTE]\na = 50\n",
       DeviceLoadSpeeds, "---|000|5|100 200 300|1 2 3 9",
       skipped + "[ABZUGGESCHWINDIGKEIT_LISTE] Geschw.-1 = \"0\"\n" + skipped +
           "[ABZUGGESCHWINDIGKEIT_LISTE] Geschw.-2 = \"fast\"\n" + failed},
      // Bad entries are skipped, each with a line.
      {"[KOLBEN_LISTE]\nKolben-1 = \"0 0 0 10 0 1 0 1\"\nKolben-2 = \"0 0 25 10 0 1 0 1\"\n"
       "[ABZUGGESCHWINDIGKEIT_LISTE]\nGeschw.-1 = -3\nGeschw.-2 = 80\n"
       "[PROBENFLAECHE_LISTE]\na = 0\nb = 4.5\n",
       0, "---|000|25|80|4.5",
       "List entry skipped, not a valid piston line: [KOLBEN_LISTE] Kolben-1 = \"0 0 0 10 0 1 0 "
       "1\"\n" +
           skipped + "[ABZUGGESCHWINDIGKEIT_LISTE] Geschw.-1 = \"-3\"\n" + skipped +
           "[PROBENFLAECHE_LISTE] a = \"0\"\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    TesterDevices fresh{dir.path()};
    TesterDevice& d = *fresh.device(0);
    d.areas.insert(9.0);
    log.lines.clear();
    log.text.clear();
    d.setFilePath(dir.write("dev.ZRK", c.text));
    EXPECT_EQ((std::tuple{loadDeviceFile(&d, false, ctx), picture(d), log.text, d.changed()}),
              (std::tuple{c.code, c.device, c.log, false}));
    if (c.code != 0) {
      EXPECT_TRUE(recorded(c.code));
    }
  }
}

TEST_F(DeviceFileFixture, LoadWithoutFileOrUnreadableKeepsTheDevice) {
  device().speeds.insert(7.0);
  EXPECT_EQ(load(), DeviceRefused);
  EXPECT_EQ((std::tuple{device().speeds.count(), log.text, device().changed()}),
            (std::tuple{4, "", true}));

  // An unreadable file is logged and resets the change state.
  device().setName("edited");
  device().setFilePath(dir.file("absent.ZRK"));
  EXPECT_EQ(DeviceCannotRead, load());
  lang.language = 0;
  fs.failOn(FaultyFileSystem::Op::Read, std::errc::io_error);
  device().setFilePath(dir.write("there.ZRK", defaultFileText));
  EXPECT_EQ(DeviceCannotRead, load());
  EXPECT_EQ((std::tuple{device().name, device().changed(), log.lines}),
            (std::tuple{"edited", false,
                        std::vector<std::string>{"Error when opening the Device File",
                                                 "Fehler bei Laden der Gerätedatei"_l1}}));
}

// The question before changes are discarded, the open dialog, and which chosen file becomes
// the device's file.
TEST_F(DeviceFileFixture, PromptingLoad) {
  dir.write("b.ZRK",
            "[GERAETEKENNUNG]\nName = \"from b\"\n[KOLBEN_LISTE]\nk = \"0 0 1 10 0 1 0 1\"\n"
            "[ABZUGGESCHWINDIGKEIT_LISTE]\nk = 1\n[PROBENFLAECHE_LISTE]\nk = 1\n");
  device().setFilePath(dir.file("a.ZRK"));
  device().setName("edited");
  ui.askAnswers = {1, 0, 0, 0}; // "Abort", then "Reject changes"
  ui.fileAnswers = {std::nullopt, dir.file("nothere.ZRK"), dir.file("b.ZRK")};
  const std::string d = dir.path().string();
  std::vector<int> results = {load(true)};
  lang.language = 0;
  results.push_back(load(true));
  results.push_back(load(true));
  results.push_back(load(true));
  EXPECT_EQ(results, (std::vector<int>{DeviceRefused, FileSelectCancelled, FileSelectNew, 0}));
  const std::string question =
      "ask Laden Gerätedatei|Änderungen in der Gerätedatei wurden noch "
      "nicht gespeichert                 \nBitte zuerst speichern oder "
      "Laden abbrechen|Änderungen verwerfen,Laden abbrechen\nopen ZARVIK - "
      "Gerätedatei laden|a.ZRK|*.ZRK|"_l1 +
      d + "\n";
  EXPECT_EQ(transcript(), "ask Load Devicefile|Changes are not saved                 \nPlease "
                          "save before or abort loading|Reject changes,Abort\n" +
                              question + question + question);
  EXPECT_EQ((std::tuple{device().name, device().path, device().fileName, device().changed()}),
            (std::tuple{"from b", dir.file("b.ZRK").string(), "b.ZRK", false}));

  // A chosen file that gives nothing does not become the device's file; one that gave a name
  // does, even with its lists missing. An unchanged device is loaded without the question.
  dir.write("order.DAT", "[AUFTRAG]\r\nProben = 3\r\n");
  fs.failOn(FaultyFileSystem::Op::OpenRead, std::errc::permission_denied, "locked");
  ui.fileAnswers = {dir.file("order.DAT"), dir.write("locked.ZRK", defaultFileText)};
  EXPECT_EQ((std::vector<int>{load(true), load(true)}),
            (std::vector<int>{DevicePistons, DeviceCannotRead}));
  EXPECT_EQ((std::tuple{device().path, device().fileName, device().changed()}),
            (std::tuple{dir.file("b.ZRK").string(), "b.ZRK", false}));
  ui.fileAnswers = {dir.write("named.ZRK", "[GERAETEKENNUNG]\r\nName = \"N\"\r\n")};
  EXPECT_EQ(DevicePistons, load(true));
  EXPECT_EQ((std::tuple{device().name, device().path}),
            (std::tuple{"N", dir.file("named.ZRK").string()}));
  EXPECT_TRUE(ui.askAnswers.empty() && ui.fileAnswers.empty());
}

TEST_F(DeviceFileFixture, SaveNeedsFileNameAndDirectoryAndTheDialogChoosesTheFile) {
  device(1).fileName = "x.ZRK";
  device(1).directory.clear();
  EXPECT_EQ(saveDeviceFile(&device(1), false, ctx), DeviceRefused); // no directory
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));

  bool cancelled = false;
  ui.fileAnswers = {std::nullopt};
  EXPECT_EQ(FileSelectCancelled, saveDeviceFile(&device(), true, ctx, &cancelled));
  EXPECT_TRUE(cancelled);
  ui.fileAnswers = {dir.file("tester"), dir.file("other.zrk")};
  EXPECT_EQ(0, saveDeviceFile(&device(), true, ctx, &cancelled));
  EXPECT_FALSE(cancelled);
  EXPECT_EQ(dir.file("tester.ZRK"), device().path);
  EXPECT_EQ(defaultFileText, dir.read("tester.ZRK"));
  EXPECT_EQ(0, save(true));
  const std::string dialog = "save ZARVIK - Gerätedatei sichern|"_l1;
  const std::string d = "|*.ZRK|" + dir.path().string() + "\n";
  EXPECT_EQ(transcript(), dialog + "*.ZRK" + d + dialog + "*.ZRK" + d + dialog + "tester.ZRK" + d);
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
}

} // namespace
} // namespace zv
