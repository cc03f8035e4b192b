#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "common/zv_fake_ui.hpp"
#include "core/zv_area_list.hpp"
#include "core/zv_evaluation_list.hpp"
#include "core/zv_piston_list.hpp"
#include "core/zv_speed_list.hpp"

namespace zv {
namespace {

template <class List> std::vector<double> valuesOf(const List& list) {
  std::vector<double> out;
  for (int i = 0; i < list.count(); ++i)
    out.push_back(*list.valueAt(i));
  return out;
}

const std::string LastEntryPopup = "Input Error|The list must at least contain one element";

using Values = std::vector<double>;
using Codes = std::vector<int>;

TEST(ValueLists, EntriesLabelsAndLookups) {
  PistonList pistons;
  SpeedList speeds;
  AreaList areas;
  EXPECT_EQ((std::tuple{"  10.000", " 300.000"}),
            (std::tuple{*pistons.labelAt(0), *speeds.labelAt(2)}));
  EXPECT_FALSE(areas.labelAt(3) || areas.valueAt(-1) || pistons.piston(3));
  EXPECT_EQ((Codes{2, -1}), (Codes{pistons.find(30.0), pistons.find(std::nan(""))}));
  // The device dialog's items carry label and value.
  const auto items = areas.items();
  ASSERT_EQ(3u, items.size());
  EXPECT_EQ((std::tuple{"   2.000", 2.0}), (std::tuple{items[1].label, items[1].value}));
}

TEST(ValueLists, InsertSortsStablyAndRefusesWhatIsNotAPositiveNumber) {
  AreaList areas;
  EXPECT_EQ(ListOk, areas.insert(2.0, "second two"));
  EXPECT_EQ(ListOk, areas.insert(0.5));
  areas.insert(2.0, std::string(40, 'k'));
  EXPECT_EQ((Values{0.5, 1, 2, 2, 2, 3}), valuesOf(areas));
  EXPECT_EQ((std::tuple{"", "second two", 23u}),
            (std::tuple{areas.entry(2)->name, areas.entry(3)->name, areas.entry(4)->name.size()}));
  SpeedList speeds;
  for (double bad :
       {0.0, std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN()})
    EXPECT_EQ(ListInvalidValue, speeds.insert(bad)) << bad;
  EXPECT_EQ((Values{100, 200, 300}), valuesOf(speeds));
}

TEST(ValueLists, ValidateReplacesUnknownValuesByTheFirst) {
  AreaList areas;
  PistonList pistons;
  double area = 2.5, known = 3.0, range = 20.0, nearly = 20.0000001;
  EXPECT_EQ((std::tuple{false, true, 1, 0}),
            (std::tuple{areas.validate(area), areas.validate(known), pistons.validateIndex(range),
                        pistons.validateIndex(nearly)}));
  EXPECT_EQ((Values{1.0, 3.0, 20.0, 10.0}), (Values{area, known, range, nearly}));
}

TEST(ValueLists, DeleteClampsTheIndexAndKeepsTheLastEntry) {
  test::ScriptedUi ui;
  Language lang;
  SpeedList speeds;
  ListValue last, first;
  EXPECT_EQ((Codes{ListOk, ListOk, ListLastEntry}),
            (Codes{deleteSpeed(speeds, 7, ui, lang, &last),
                   deleteSpeed(speeds, -2, ui, lang, &first), deleteSpeed(speeds, 0, ui, lang)}));
  EXPECT_EQ((Values{300, 100, 200}), (Values{last.value, first.value, *speeds.valueAt(0)}));
  EXPECT_EQ(1, speeds.count());
  EXPECT_EQ(std::vector<std::string>{LastEntryPopup}, ui.popups());
}

TEST(ValueLists, AddPrompts) {
  test::ScriptedUi ui;
  Language lang;
  AreaList areas;
  ui.promptAnswers = {std::string("approx. 12.5 mm2"), std::string("none"), std::string("0"),
                      std::string(""), std::nullopt};
  Codes codes;
  for (int i = 0; i < 5; ++i)
    codes.push_back(promptAddArea(areas, ui, lang));
  EXPECT_EQ(
      (Codes{ListOk, ListInvalidValue, ListInvalidValue, ListPromptCancelled, ListPromptCancelled}),
      codes);
  EXPECT_EQ((Values{1, 2, 3, 12.5}), valuesOf(areas));
  EXPECT_EQ(std::vector<std::string>(2, "Input Error|Please enter a number greater than 0"),
            ui.popups());
  EXPECT_EQ("Please entering contact area in [mm2]", ui.shown[0].text);

  // A new piston gets the full input range.
  PistonList pistons;
  ui.promptAnswers = {std::string("15")};
  EXPECT_EQ(ListOk, promptAddPiston(pistons, ui, lang));
  EXPECT_EQ((std::tuple{Values{10, 15, 20, 30}, 10.0}),
            (std::tuple{valuesOf(pistons), pistons.piston(1)->rangeVolts}));
}

TEST(CalibrationLine, TwoPoints) {
  PistonRange p;
  const CalibrationLine plain = pistonCalibrationLine(p);
  EXPECT_EQ((std::tuple{1.0, 0.0}), (std::tuple{plain.gain, plain.offset}));
  std::tie(p.calVolts1, p.calForce1, p.calVolts2, p.calForce2) = std::tuple{1, 0, 5, 20};
  const CalibrationLine line = pistonCalibrationLine(p);
  EXPECT_EQ((std::tuple{5.0, -5.0, 10.0, true}),
            (std::tuple{line.gain, line.offset, line.force(3.0), line.usable()}));
  p.calVolts2 = 1;
  EXPECT_FALSE(pistonCalibrationLine(p).usable());
  p.calVolts2 = 5;
  p.calForce2 = p.calForce1;
  EXPECT_FALSE(pistonCalibrationLine(p).usable());
}

using Texts = std::vector<std::string>;

TEST(EvaluationList, InsertKeepsTextsUniqueAndSorted) {
  test::ScriptedUi ui;
  Language lang;
  EvaluationList list;
  // Latin-1 Ä sorts after every ASCII letter; the new entry becomes current.
  EXPECT_EQ((Codes{EvaluationDuplicate, ListOk, ListOk, ListOk}),
            (Codes{addEvaluation(list, "AU", ui, lang), addEvaluation(list, "au", ui, lang),
                   addEvaluation(list, "\xC4K", ui, lang), addEvaluation(list, "B", ui, lang)}));
  EXPECT_EQ(Texts{"Input Error|The name mustn't be available twice, please enter newly"},
            ui.popups());
  EXPECT_EQ((Texts{"AU", "AX", "AZ", "B", "au", "\xC4K"}), list.entries());
  EXPECT_EQ(3, list.currentIndex());
  EXPECT_EQ(EvaluationEmptyText, addEvaluation(list, "", ui, lang));
  EXPECT_EQ(1u, ui.popups().size());
  // Texts are compared as stored, so two long texts equal in their first 19 bytes clash.
  EXPECT_EQ((Codes{ListOk, EvaluationDuplicate, 4, 0}),
            (Codes{list.insert(std::string(19, 'M') + "1"), list.insert(std::string(19, 'M') + "2"),
                   list.find("B"), list.find("b")}));
  EXPECT_TRUE(list.changed());
  list.takeSavedChecksum();
  EXPECT_FALSE(list.changed());
}

TEST(EvaluationList, DeleteKeepsTheLastEntry) {
  test::ScriptedUi ui;
  Language lang;
  EvaluationList list;
  std::string second, last, only = "kept";
  EXPECT_EQ((Codes{ListOk, ListOk, ListLastEntry}),
            (Codes{deleteEvaluation(list, 1, ui, lang, &second),
                   deleteEvaluation(list, 99, ui, lang, &last),
                   deleteEvaluation(list, 0, ui, lang, &only)}));
  EXPECT_EQ((Texts{"AX", "AZ", "kept", "AU"}), (Texts{second, last, only, list.entries()[0]}));
  EXPECT_EQ(Texts{LastEntryPopup}, ui.popups());
}

TEST(EvaluationListEditor, AbortRestoresOkKeeps) {
  test::ScriptedUi ui;
  Language lang;
  EvaluationList list;
  {
    EvaluationListEditor editor(list, ui, lang);
    EXPECT_EQ((std::tuple{ListOk, true}), (std::tuple{editor.add("NEW"), editor.changed()}));
    editor.abort();
  }
  EXPECT_EQ((Texts{"AU", "AX", "AZ"}), list.entries());
  {
    EvaluationListEditor editor(list, ui, lang);
    editor.select(0);
    EXPECT_EQ(std::optional<std::string>("AU"), editor.deleteCurrent());
    // The entry field holds at most 20 characters; the list keeps 19 of them.
    editor.add(std::string(25, 'Z'));
    editor.ok();
  }
  EXPECT_EQ((Texts{"AX", "AZ", std::string(19, 'Z')}), list.entries());
}

} // namespace
} // namespace zv
