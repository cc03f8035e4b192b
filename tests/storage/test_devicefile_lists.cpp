// The selection lists in INI sections: the piston text, reading in file order whatever the
// keys, the checks that keep unusable values out, and the exact text a save writes.
#include <gtest/gtest.h>

#include "platform/zv_latin1.hpp"
#include "storage/test_config_common.hpp"
#include "storage/zv_list_sections.hpp"

namespace zv {
namespace {

using test::parseIni;
using Reason = SkippedListItem::Reason;

std::vector<double> values(const auto& list) {
  std::vector<double> out;
  for (int i = 0; i < list.count(); ++i)
    out.push_back(*list.valueAt(i));
  return out;
}

// The skipped items as "section key=value reason" lines (a repeated key's value is not read).
std::string skippedText(const std::vector<SkippedListItem>& items) {
  std::string out;
  for (const auto& i : items)
    out += i.section + " " + i.tag + "=" + i.value + " " +
           std::to_string(static_cast<int>(i.reason)) + "\n";
  return out;
}

TEST(PistonText, FormatsEveryFieldInFileOrder) {
  PistonRange p;
  p.range = 10.0;
  EXPECT_EQ("0 0   10.000   10.000    0.000    1.000    0.000    1.000", formatPistonEntry(p));

  p.calFlags = 15;
  p.calDate = 1700000000;
  p.range = 2.5;
  p.rangeVolts = 0.1;
  p.calForce1 = -0.0004; // rounds to a negative zero, as printf writes it
  p.calForce2 = 50.0;
  p.calVolts1 = 0.12345;
  p.calVolts2 = 1234.5678;
  EXPECT_EQ("15 1700000000    2.500    0.100   -0.000   50.000    0.123 1234.568",
            formatPistonEntry(p));
}

TEST(PistonText, ParsesWhatFormatWritesToThreeDecimals) {
  PistonRange p;
  p.calFlags = 5;
  p.calDate = -3;
  p.range = 20.0;
  p.rangeVolts = 0.5;
  p.calForce1 = 1.25;
  p.calForce2 = 49.75;
  p.calVolts1 = 0.0104;
  p.calVolts2 = 9.9996;
  PistonRange expected = p;
  expected.calVolts1 = 0.010;
  expected.calVolts2 = 10.000;
  EXPECT_EQ(parsePistonEntry(formatPistonEntry(p)), expected);
}

TEST(PistonText, AcceptsHandWrittenSpacingAndSigns) {
  auto p = parsePistonEntry("\t+15  0 10 +10.0 0 1e1 .5 5.  ");
  ASSERT_TRUE(p);
  EXPECT_EQ(15, p->calFlags);
  EXPECT_DOUBLE_EQ(10.0, p->calForce2);
  EXPECT_DOUBLE_EQ(0.5, p->calVolts1);
  EXPECT_DOUBLE_EQ(5.0, p->calVolts2);
}

TEST(PistonText, RefusesEverythingThatIsNotEightUsableNumbers) {
  for (const char* bad : {"", "0 0 10 10 0 1 0", "0 0 10 10 0 1 0 1 7", "x 0 10 10 0 1 0 1",
                          "0 0 10 10 0 1 0 1x", "1.5 0 10 10 0 1 0 1", "2147483648 0 10 10 0 1 0 1",
                          "0 0 0 10 0 1 0 1", "0 0 -10 10 0 1 0 1", "0 0 10 0 0 1 0 1",
                          "0 0 nan 10 0 1 0 1", "0 0 10 10 inf 1 0 1", "0 0 10 10 0 1 0 1e999",
                          "0 0 10,5 10 0 1 0 1", "0 0 ++10 10 0 1 0 1", "0 0 +-10 10 0 1 0 1"})
    EXPECT_FALSE(parsePistonEntry(bad)) << bad;
  EXPECT_TRUE(parsePistonEntry("-2147483648 2147483647 10 10 0 1 0 1"));
}

TEST(ListLoad, TakesItemsInFileOrderWhateverTheKeysAndSorts) {
  auto doc = parseIni("[PROBENFLAECHE_LISTE]\r\nb = 5.0\r\nFl\xe4"
                      "che-9 = 1.0\r\nzz = \"3\"\r\n");
  AreaList areas;
  EXPECT_EQ(0, loadAreaList(doc, areas));
  EXPECT_EQ((std::vector<double>{1.0, 3.0, 5.0}), values(areas));
  // The area list keeps each key as the entry's name.
  EXPECT_EQ("Fl\xe4"
            "che-9",
            areas.entry(0)->name);
  EXPECT_EQ("zz", areas.entry(1)->name);
  EXPECT_EQ("b", areas.entry(2)->name);

  auto pistons = parseIni("[KOLBEN_LISTE]\nKolben-7 = \"0 0 30 10 0 1 0 1\"\n"
                          "Kolben-2 = \"0 0 5 10 0 1 0 1\"\n");
  PistonList list;
  EXPECT_EQ(0, loadPistonList(pistons, list));
  EXPECT_EQ((std::vector<double>{5.0, 30.0}), values(list));
}

TEST(ListLoad, EqualValuesKeepTheirFileOrder) {
  auto doc = parseIni("[KOLBEN_LISTE]\na = \"1 0 20 10 0 1 0 1\"\nb = \"2 0 10 10 0 1 0 1\"\n"
                      "c = \"3 0 20 10 0 1 0 1\"\nd = \"4 0 10 10 0 1 0 1\"\n");
  PistonList list;
  ASSERT_EQ(0, loadPistonList(doc, list));
  std::vector<int> flags;
  for (const auto& p : list.entries())
    flags.push_back(p.calFlags);
  EXPECT_EQ((std::vector<int>{2, 4, 1, 3}), flags);
}

TEST(ListLoad, SpeedsHaveNoNames) {
  auto doc = parseIni("[ABZUGGESCHWINDIGKEIT_LISTE]\nGeschw.-1 = 250\n");
  SpeedList speeds;
  ASSERT_EQ(0, loadSpeedList(doc, speeds));
  EXPECT_EQ((std::vector<double>{250.0}), values(speeds));
  EXPECT_TRUE(speeds.entry(0)->name.empty());
}

TEST(ListLoad, UnusableItemsAreSkippedAndReported) {
  auto doc = parseIni("[ABZUGGESCHWINDIGKEIT_LISTE]\n"
                      "Geschw.-1 = abc\n"
                      "Geschw.-2 = 0\n"
                      "Geschw.-3 = -5\n"
                      "Geschw.-4 = inf\n"
                      "Geschw.-5 = 150\n"
                      "GESCHW.-5 = 175\n"
                      "Geschw.-6 = \"\"\n"
                      "Geschw.-7 = 12abc\n");
  SpeedList speeds;
  std::vector<SkippedListItem> skipped;
  ASSERT_EQ(0, loadSpeedList(doc, speeds, &skipped));
  EXPECT_EQ((std::vector<double>{150.0}), values(speeds));
  // Of two equal keys the first is read; the second is reported with its own value.
  EXPECT_EQ(skippedText(skipped), "ABZUGGESCHWINDIGKEIT_LISTE Geschw.-1=abc 0\n"
                                  "ABZUGGESCHWINDIGKEIT_LISTE Geschw.-2=0 0\n"
                                  "ABZUGGESCHWINDIGKEIT_LISTE Geschw.-3=-5 0\n"
                                  "ABZUGGESCHWINDIGKEIT_LISTE Geschw.-4=inf 0\n"
                                  "ABZUGGESCHWINDIGKEIT_LISTE GESCHW.-5=175 2\n"
                                  "ABZUGGESCHWINDIGKEIT_LISTE Geschw.-6= 0\n"
                                  "ABZUGGESCHWINDIGKEIT_LISTE Geschw.-7=12abc 0\n");
  auto pistons =
      parseIni("[KOLBEN_LISTE]\nKolben-1 = \"0 0 10 10\"\nKolben-2 = \"0 0 10 10 0 1 0 1\"\n");
  PistonList list;
  skipped.clear();
  ASSERT_EQ(0, loadPistonList(pistons, list, &skipped));
  EXPECT_EQ(1, list.count());
  EXPECT_EQ(skippedText(skipped), "KOLBEN_LISTE Kolben-1=0 0 10 10 1\n");
}

TEST(ListLoad, NothingUsableLeavesTheListAsItWas) {
  AreaList areas;
  areas.insert(7.5);
  const AreaList before = areas;

  EXPECT_EQ(ListLoadNoDocument, loadAreaList(nullptr, areas));
  auto other = parseIni("[OTHER]\nx = 1\n");
  EXPECT_EQ(ListLoadNoSection, loadAreaList(other, areas));
  auto empty = parseIni("[PROBENFLAECHE_LISTE]\n[NEXT]\nx = 1\n");
  EXPECT_EQ(ListLoadNothingUsable, loadAreaList(empty, areas));
  auto bad = parseIni("[PROBENFLAECHE_LISTE]\na = 0\nb = -1\nc = x\n");
  std::vector<SkippedListItem> skipped;
  EXPECT_EQ(ListLoadNothingUsable, loadAreaList(bad, areas, &skipped));
  EXPECT_EQ(3u, skipped.size());
  EXPECT_EQ(before, areas);

  PistonList pistons;
  auto badPistons = parseIni("[KOLBEN_LISTE]\nKolben-1 = \"garbage\"\n");
  EXPECT_EQ(ListLoadNothingUsable, loadPistonList(badPistons, pistons));
  EXPECT_EQ((std::vector<double>{10.0, 20.0, 30.0}), values(pistons));
}

TEST(ListLoad, ReadsAtMostAThousandItems) {
  std::string text = "[ABZUGGESCHWINDIGKEIT_LISTE]\r\n";
  for (int i = 1500; i >= 1; --i)
    text += "k" + std::to_string(i) + " = " + std::to_string(i) + "\r\n";
  auto doc = parseIni(text);
  SpeedList speeds;
  std::vector<SkippedListItem> skipped;
  ASSERT_EQ(0, loadSpeedList(doc, speeds, &skipped));
  EXPECT_EQ(MaxListItemsRead, speeds.count());
  EXPECT_DOUBLE_EQ(501.0, *speeds.valueAt(0));
  EXPECT_EQ(skippedText(skipped), "ABZUGGESCHWINDIGKEIT_LISTE k500= 4\n");
}

TEST(ListSave, WritesNumberedKeysInListOrder) {
  IniHandle doc = Ini_New(0);
  PistonList pistons;
  AreaList areas;
  areas.insert(0.1);
  SpeedList speeds;
  speeds.removeAt(2);
  ASSERT_EQ(0, savePistonList(doc, pistons));
  ASSERT_EQ(0, saveAreaList(doc, areas));
  ASSERT_EQ(0, saveSpeedList(doc, speeds));
  auto range = [](char tens) {
    return std::string("0 0   ") + tens +
           "0.000   10.000    0.000    1.000    0.000    1.000\"\r\n";
  };
  EXPECT_EQ("[KOLBEN_LISTE]\r\nKolben-1 = \"" + range('1') + "Kolben-2 = \"" + range('2') +
                "Kolben-3 = \"" + range('3') +
                "\r\n[PROBENFLAECHE_LISTE]\r\nFläche-1 = 0.1\r\nFläche-2 = 1\r\nFläche-3 = 2\r\n"
                "Fläche-4 = 3\r\n\r\n[ABZUGGESCHWINDIGKEIT_LISTE]\r\nGeschw.-1 = 100\r\n"
                "Geschw.-2 = 200\r\n\r\n"_l1,
            test::iniText(doc));
  EXPECT_EQ(IniNoDocument, saveSpeedList(nullptr, speeds));
}

TEST(EvaluationListIni, LoadCutsDropsRepeatsAndSorts) {
  auto doc = parseIni("[ABRISS_LISTE]\nAbriss-1 = \"AX\"\nAbriss-2 = \"AU\"\nAbriss-3 = \"AX\"\n"
                      "Abriss-4 = \"abcdefghijklmnopqrstuvwxyz\"\nAbriss-5 = \"\"\n");
  EvaluationList list;
  list.insert("ZZ");
  std::vector<SkippedListItem> skipped;
  ASSERT_EQ(0, loadEvaluationList(doc, list, &skipped));
  EXPECT_EQ((std::vector<std::string>{"AU", "AX", "abcdefghijklmnopqrs"}), list.entries());
  EXPECT_EQ(0, list.currentIndex());
  EXPECT_FALSE(list.changed());
  ASSERT_EQ(1u, skipped.size());
  EXPECT_EQ(Reason::EmptyText, skipped[0].reason);

  auto none = parseIni("[ABRISS_LISTE]\nAbriss-1 = \"\"\n");
  EXPECT_EQ(ListLoadNothingUsable, loadEvaluationList(none, list));
  EXPECT_EQ(3, list.count());
  auto missing = parseIni("[OTHER]\nx = 1\n");
  EXPECT_EQ(ListLoadNoSection, loadEvaluationList(missing, list));
}

TEST(EvaluationListIni, SaveReplacesEverySectionOfTheName) {
  auto doc = parseIni("[ABRISS_LISTE]\nAbriss-1 = \"OLD\"\nAbriss-9 = \"STALE\"\n"
                      "[Optionen]\nSprache = 1\n"
                      "[abriss_liste]\nAbriss-7 = \"SECOND\"\n");
  EvaluationList list;
  list.insert("B1");
  ASSERT_TRUE(list.changed());
  ASSERT_EQ(0, saveEvaluationList(doc, list));
  EXPECT_FALSE(list.changed());
  EXPECT_EQ("[Optionen]\r\nSprache = 1\r\n\r\n"
            "[ABRISS_LISTE]\r\nAbriss-1 = \"AU\"\r\nAbriss-2 = \"AX\"\r\nAbriss-3 = \"AZ\"\r\n"
            "Abriss-4 = \"B1\"\r\n\r\n",
            test::iniText(doc));
  EXPECT_EQ(IniNoDocument, saveEvaluationList(nullptr, list));
}

} // namespace
} // namespace zv
