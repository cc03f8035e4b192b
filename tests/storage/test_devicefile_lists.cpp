// The selection lists in INI sections: the piston text, reading in file order whatever the
// keys, the checks that keep unusable values out, and the exact text a save writes.
#include <gtest/gtest.h>

#include <sstream>

#include "platform/zv_latin1.hpp"
#include "storage/test_config_common.hpp"
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
      {loaded(PistonList{}, pistons, "[KOLBEN_LISTE]\nKolben-1 = \"garbage\"\n"),
       std::to_string(ListLoadNothingUsable) +
           " | 10/0 20/0 30/0 | KOLBEN_LISTE Kolben-1=garbage 1"},
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

} // namespace
} // namespace zv
