#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "common/zv_fake_ui.hpp"
#include "core/zv_area_list.hpp"
#include "core/zv_core_fixture.hpp"
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

TEST(ValueLists, BuiltInEntriesAndLabels) {
  PistonList pistons;
  SpeedList speeds;
  AreaList areas;
  EXPECT_EQ((std::vector<double>{10, 20, 30}), valuesOf(pistons));
  EXPECT_EQ((std::vector<double>{100, 200, 300}), valuesOf(speeds));
  EXPECT_EQ((std::vector<double>{1, 2, 3}), valuesOf(areas));
  EXPECT_EQ("  10.000", *pistons.labelAt(0));
  EXPECT_EQ(" 300.000", *speeds.labelAt(2));
  EXPECT_FALSE(areas.labelAt(3));
  EXPECT_FALSE(areas.valueAt(-1));
  const PistonRange& p = *pistons.piston(1);
  EXPECT_EQ(0, p.calFlags);
  EXPECT_EQ(0, p.calDate);
  EXPECT_EQ(1.0, p.calForce2);
  EXPECT_EQ(1.0, p.calVolts2);
  EXPECT_EQ(nullptr, pistons.piston(3));
}

TEST(ValueLists, InsertSortsStably) {
  AreaList areas;
  EXPECT_EQ(ListOk, areas.insert(2.0, "second two"));
  EXPECT_EQ(ListOk, areas.insert(0.5));
  EXPECT_EQ((std::vector<double>{0.5, 1, 2, 2, 3}), valuesOf(areas));
  EXPECT_EQ("", areas.entry(2)->name);
  EXPECT_EQ("second two", areas.entry(3)->name);
  areas.insert(2.0, std::string(40, 'k'));
  EXPECT_EQ(23u, areas.entry(4)->name.size());
}

TEST(ValueLists, RefusesValuesThatAreNotPositiveNumbers) {
  SpeedList speeds;
  for (double bad : {0.0, -5.0, std::numeric_limits<double>::infinity(),
                     std::numeric_limits<double>::quiet_NaN()})
    EXPECT_EQ(ListInvalidValue, speeds.insert(bad)) << bad;
  EXPECT_EQ((std::vector<double>{100, 200, 300}), valuesOf(speeds));
  PistonList pistons;
  EXPECT_EQ(ListInvalidValue, pistons.insert(-10.0));
  EXPECT_EQ(3, pistons.count());
}

TEST(ValueLists, ValidateReplacesUnknownValuesByTheFirst) {
  AreaList areas;
  double area = 2.5;
  EXPECT_FALSE(areas.validate(area));
  EXPECT_EQ(1.0, area);
  area = 3.0;
  EXPECT_TRUE(areas.validate(area));
  EXPECT_EQ(3.0, area);
  PistonList pistons;
  double range = 20.0;
  EXPECT_EQ(1, pistons.validateIndex(range));
  range = 20.0000001;
  EXPECT_EQ(0, pistons.validateIndex(range));
  EXPECT_EQ(10.0, range);
  EXPECT_EQ(2, pistons.find(30.0));
  EXPECT_EQ(-1, pistons.find(std::nan("")));
}

TEST(ValueLists, DeleteClampsTheIndexAndKeepsTheLastEntry) {
  test::ScriptedUi ui;
  Language lang;
  SpeedList speeds;
  ListValue removed;
  EXPECT_EQ(ListOk, deleteSpeed(speeds, 7, ui, lang, &removed));
  EXPECT_EQ(300.0, removed.value);
  EXPECT_EQ(ListOk, deleteSpeed(speeds, -2, ui, lang, &removed));
  EXPECT_EQ(100.0, removed.value);
  EXPECT_TRUE(ui.popups().empty());
  EXPECT_EQ(ListLastEntry, deleteSpeed(speeds, 0, ui, lang));
  EXPECT_EQ((std::vector<double>{200}), valuesOf(speeds));
  EXPECT_EQ(std::vector<std::string>{LastEntryPopup}, ui.popups());

  lang.language = 0;
  PistonList pistons;
  pistons.removeAt(0);
  pistons.removeAt(0);
  PistonRange gone;
  gone.range = -1;
  EXPECT_EQ(ListLastEntry, deletePiston(pistons, 0, ui, lang, &gone));
  EXPECT_EQ(-1, gone.range);
  EXPECT_EQ("Eingabefehler|Die Liste mu\xDF mindestens ein Element enthalten", ui.popups().back());
}

TEST(ValueLists, ClampIndexAndItems) {
  AreaList areas;
  int i = -4;
  EXPECT_EQ(-1, areas.clampIndex(i));
  EXPECT_EQ(0, i);
  i = 9;
  EXPECT_EQ(1, areas.clampIndex(i));
  EXPECT_EQ(2, i);
  i = 1;
  EXPECT_EQ(0, areas.clampIndex(i));
  auto byValue = areas.items();
  ASSERT_EQ(3u, byValue.size());
  EXPECT_EQ("   2.000", byValue[1].label);
  EXPECT_EQ(2.0, byValue[1].value);
  PistonList pistons;
  auto byIndex = pistons.items(ItemValue::EntryIndex);
  EXPECT_EQ("  30.000", byIndex[2].label);
  EXPECT_EQ(2.0, byIndex[2].value);
}

TEST(ValueLists, AssignAsAStoredListIsRead) {
  AreaList areas;
  int skipped = -1;
  EXPECT_EQ(ListOk, areas.assign({{"Fl\xE4"
                                   "che-1",
                                   5.0},
                                  {"b", 1.0},
                                  {"c", 3.0}},
                                 &skipped));
  EXPECT_EQ((std::vector<double>{1, 3, 5}), valuesOf(areas));
  EXPECT_EQ("Fl\xE4"
            "che-1",
            areas.entry(2)->name);
  EXPECT_EQ(0, skipped);
  EXPECT_EQ(ListOk, areas.assign({{"", 4.0}, {"", 0.0}, {"", -1.0}}, &skipped));
  EXPECT_EQ((std::vector<double>{4}), valuesOf(areas));
  EXPECT_EQ(2, skipped);
  EXPECT_EQ(ListNothingUsable, areas.assign({{"", 0.0}}));
  EXPECT_EQ(ListNothingUsable, areas.assign({}));
  EXPECT_EQ((std::vector<double>{4}), valuesOf(areas));

  PistonList pistons;
  PistonRange a, b, c;
  a.range = 20;
  a.calFlags = 15;
  b.range = 10;
  c.range = 20;
  c.calFlags = 3;
  pistons.assign({a, b, c});
  EXPECT_EQ(10.0, pistons.piston(0)->range);
  EXPECT_EQ(15, pistons.piston(1)->calFlags); // equal ranges keep their order
  EXPECT_EQ(3, pistons.piston(2)->calFlags);
}

TEST(ValueLists, AddPrompts) {
  test::ScriptedUi ui;
  Language lang;
  AreaList areas;
  ui.promptAnswers = {std::string("approx. 12.5 mm2"),
                      std::string("none"),
                      std::string("0"),
                      std::string("-4"),
                      std::string(""),
                      std::nullopt,
                      std::string("1e999")};
  EXPECT_EQ(ListOk, promptAddArea(areas, ui, lang));
  EXPECT_EQ(ListInvalidValue, promptAddArea(areas, ui, lang));
  EXPECT_EQ(ListInvalidValue, promptAddArea(areas, ui, lang));
  EXPECT_EQ(ListInvalidValue, promptAddArea(areas, ui, lang));
  EXPECT_EQ(ListPromptCancelled, promptAddArea(areas, ui, lang));
  EXPECT_EQ(ListPromptCancelled, promptAddArea(areas, ui, lang));
  EXPECT_EQ(ListInvalidValue, promptAddArea(areas, ui, lang));
  EXPECT_EQ((std::vector<double>{1, 2, 3, 12.5}), valuesOf(areas));
  EXPECT_EQ(std::vector<std::string>(4, "Input Error|Please enter a number greater than 0"),
            ui.popups());
  EXPECT_EQ("Please entering contact area in [mm2]", ui.shown[0].text);

  lang.language = 0;
  PistonList pistons;
  SpeedList speeds;
  ui.shown.clear();
  ui.promptAnswers = {std::string("15"), std::string("250")};
  EXPECT_EQ(ListOk, promptAddPiston(pistons, ui, lang));
  EXPECT_EQ(ListOk, promptAddSpeed(speeds, ui, lang));
  EXPECT_EQ((std::vector<double>{10, 15, 20, 30}), valuesOf(pistons));
  EXPECT_EQ(10.0, pistons.piston(1)->rangeVolts);
  EXPECT_EQ((std::vector<double>{100, 200, 250, 300}), valuesOf(speeds));
  EXPECT_EQ("Bitte Geschwindigkeit in [N/s] eingeben", ui.shown[1].text);
}

TEST(CalibrationLine, TwoPoints) {
  PistonRange p;
  CalibrationLine line = pistonCalibrationLine(p);
  EXPECT_EQ(1.0, line.gain);
  EXPECT_EQ(0.0, line.offset);
  p.calVolts1 = 0;
  p.calForce1 = 0;
  p.calVolts2 = 10;
  p.calForce2 = 50;
  line = pistonCalibrationLine(p);
  EXPECT_DOUBLE_EQ(5.0, line.gain);
  EXPECT_DOUBLE_EQ(0.0, line.offset);
  EXPECT_DOUBLE_EQ(10.0, line.force(2.0));
  p.calVolts1 = 1;
  p.calVolts2 = 5;
  p.calForce2 = 20;
  line = pistonCalibrationLine(p);
  EXPECT_DOUBLE_EQ(5.0, line.gain);
  EXPECT_DOUBLE_EQ(-5.0, line.offset);
  EXPECT_TRUE(line.usable());
  p.calVolts2 = 1;
  EXPECT_FALSE(pistonCalibrationLine(p).usable());
  p.calVolts2 = 5;
  p.calForce2 = p.calForce1;
  EXPECT_FALSE(pistonCalibrationLine(p).usable());
}

std::vector<std::string> textsOf(const EvaluationList& list) {
  return list.entries();
}

TEST(EvaluationList, BuiltInAndAssign) {
  EvaluationList list;
  EXPECT_EQ((std::vector<std::string>{"AU", "AX", "AZ"}), textsOf(list));
  EXPECT_FALSE(list.changed());
  list.setCurrentIndex(2);
  EXPECT_EQ(ListOk, list.assign({"AX", "AU", "AX", std::string(25, 'Q')}));
  EXPECT_EQ((std::vector<std::string>{"AU", "AX", std::string(19, 'Q')}), textsOf(list));
  EXPECT_EQ(0, list.currentIndex());
  EXPECT_FALSE(list.changed()); // read lists count as saved
  EXPECT_EQ(ListNothingUsable, list.assign({}));
  EXPECT_EQ(3, list.count());
  EXPECT_EQ(nullptr, list.textAt(3));
  EXPECT_EQ("AX", *list.textAt(1));
}

TEST(EvaluationList, InsertKeepsTextsUniqueAndSorted) {
  test::ScriptedUi ui;
  Language lang;
  EvaluationList list;
  EXPECT_EQ(EvaluationDuplicate, addEvaluation(list, "AU", ui, lang));
  EXPECT_EQ(
      std::vector<std::string>{
          "Input Error|The name mustn't be available twice, please enter newly"},
      ui.popups());
  EXPECT_EQ(ListOk, addEvaluation(list, "au", ui, lang));
  EXPECT_EQ(ListOk, addEvaluation(list, "\xC4K", ui, lang)); // Latin-1 Ä after every ASCII
  EXPECT_EQ(ListOk, addEvaluation(list, "B", ui, lang));
  EXPECT_EQ((std::vector<std::string>{"AU", "AX", "AZ", "B", "au", "\xC4K"}), textsOf(list));
  EXPECT_EQ(3, list.currentIndex()); // the new entry becomes current
  EXPECT_EQ(EvaluationEmptyText, addEvaluation(list, "", ui, lang));
  EXPECT_EQ(1u, ui.popups().size());
  // Texts are compared as stored, so two long texts equal in their first 19 bytes clash.
  EXPECT_EQ(ListOk, list.insert(std::string(19, 'M') + "1"));
  EXPECT_EQ(EvaluationDuplicate, list.insert(std::string(19, 'M') + "2"));
  EXPECT_EQ(4, list.find("B"));
  EXPECT_EQ(0, list.find("b"));
  EXPECT_TRUE(list.changed());
  list.takeSavedChecksum();
  EXPECT_FALSE(list.changed());
}

TEST(EvaluationList, DeleteAndSelection) {
  test::ScriptedUi ui;
  Language lang;
  EvaluationList list;
  std::string removed;
  EXPECT_EQ(ListOk, deleteEvaluation(list, 1, ui, lang, &removed));
  EXPECT_EQ("AX", removed);
  EXPECT_EQ(ListOk, deleteEvaluation(list, 99, ui, lang, &removed));
  EXPECT_EQ("AZ", removed);
  EXPECT_EQ(ListLastEntry, deleteEvaluation(list, 0, ui, lang, &removed));
  EXPECT_EQ(std::vector<std::string>{LastEntryPopup}, ui.popups());
  EXPECT_EQ(std::vector<std::string>{"AU"}, textsOf(list));
  list.setCurrentIndex(5);
  EXPECT_EQ(0, list.selectedIndex());
  auto items = list.items();
  ASSERT_EQ(1u, items.size());
  EXPECT_EQ("AU", items[0].label);
  EXPECT_EQ(0.0, items[0].value);
}

TEST(EvaluationListEditor, AbortRestoresOkKeeps) {
  test::ScriptedUi ui;
  Language lang;
  EvaluationList list;
  {
    EvaluationListEditor editor(list, ui, lang);
    EXPECT_STREQ("Close", editor.okLabel());
    EXPECT_FALSE(editor.abortVisible());
    EXPECT_EQ(ListOk, editor.add("NEW"));
    EXPECT_TRUE(editor.changed());
    EXPECT_STREQ("OK", editor.okLabel());
    EXPECT_TRUE(editor.abortVisible());
    editor.abort();
  }
  EXPECT_EQ((std::vector<std::string>{"AU", "AX", "AZ"}), textsOf(list));
  {
    EvaluationListEditor editor(list, ui, lang);
    editor.select(0);
    EXPECT_EQ(std::optional<std::string>("AU"), editor.deleteCurrent());
    // The entry field holds at most 20 characters; the list keeps 19 of them.
    editor.add(std::string(25, 'Z'));
    editor.ok();
  }
  EXPECT_EQ((std::vector<std::string>{"AX", "AZ", std::string(19, 'Z')}), textsOf(list));
}

TEST(EvaluationListEditor, RefusalsLeaveItUnchanged) {
  test::ScriptedUi ui;
  Language lang{0};
  EvaluationList list;
  list.assign({"X"});
  EvaluationListEditor editor(list, ui, lang);
  EXPECT_EQ(EvaluationDuplicate, editor.add("X"));
  EXPECT_EQ(std::nullopt, editor.deleteCurrent());
  EXPECT_FALSE(editor.changed());
  EXPECT_STREQ("Schlie\xDF"
               "en",
               editor.okLabel());
  EXPECT_STREQ("Setup - Bewertungsliste", editor.captions().title);
  EXPECT_EQ(2u, ui.popups().size());
  editor.abort();
  EXPECT_EQ(std::vector<std::string>{"X"}, textsOf(list));
}

using EvaluationOfStorage = test::ModelFixture;

TEST_F(EvaluationOfStorage, CopiedIntoTheCurrentStorage) {
  EXPECT_EQ(-1, setCurrentStorageEvaluation(model, "AU"));
  newDataSet(2, 2);
  ds().currentSample = 1;
  ds().currentStorage = 1;
  model.resetChanges();
  EXPECT_EQ(0, setCurrentStorageEvaluation(model, std::string(20, 'K')));
  EXPECT_EQ(std::string(19, 'K'), model.storageAt(1, 1)->evaluation);
  EXPECT_EQ(1u, model.storageAt(1, 1)->saveChanges);
  EXPECT_NE(0u, model.isChanged());
}

} // namespace
} // namespace zv
