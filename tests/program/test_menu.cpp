#include <set>

#include <gtest/gtest.h>

#include "program/zv_menu_table.hpp"

namespace zv {
namespace {

TEST(Menu, IdsAreUniqueAndShortcutsNeverCollide) {
  std::set<int> ids;
  std::set<std::string> keys;
  for (const auto& d : menuItems()) {
    EXPECT_TRUE(ids.insert(d.id).second) << d.id;
    if (*d.shortcut) {
      EXPECT_TRUE(keys.insert(d.shortcut).second) << d.shortcut;
    }
    if (d.parent != menu::Bar) {
      EXPECT_NE(nullptr, findMenuItem(d.parent)) << d.id;
    }
  }
  EXPECT_EQ(nullptr, findMenuItem(17 + 1000));
}

MenuContext ctx(WindowId w) {
  MenuContext c;
  c.window = w;
  c.dataLoaded = true;
  return c;
}

TEST(Menu, LogWindowDimsEditSetupAndMeasurement) {
  auto s = updateMenuState(ctx(WindowId::Log));
  EXPECT_TRUE(s[menu::Work].dimmed);
  EXPECT_TRUE(s[menu::Setup].dimmed);
  EXPECT_TRUE(s[menu::Measurement].dimmed);
  EXPECT_FALSE(s[menu::File].dimmed);
  EXPECT_FALSE(s[menu::Options].dimmed);
  EXPECT_FALSE(s[menu::Help].dimmed);
}

TEST(Menu, EditItemsFollowTheWindowAndMeasuring) {
  auto order = updateMenuState(ctx(WindowId::Order));
  EXPECT_FALSE(order[menu::NewSample].dimmed);
  EXPECT_FALSE(order[menu::DelStorage].dimmed);
  EXPECT_TRUE(order[menu::NewMeas].dimmed);
  auto storage = updateMenuState(ctx(WindowId::Storage));
  EXPECT_TRUE(storage[menu::NewSample].dimmed);
  EXPECT_FALSE(storage[menu::DelMeas].dimmed);
  auto c = ctx(WindowId::Order);
  c.measuring = true;
  auto measuring = updateMenuState(c);
  EXPECT_TRUE(measuring[menu::NewSample].dimmed);
  EXPECT_TRUE(measuring[menu::New].dimmed);
  EXPECT_TRUE(measuring[menu::Load].dimmed);
}

TEST(Menu, StartAndStopOnlyInTheMeasurementWindow) {
  auto c = ctx(WindowId::Measurement);
  auto idle = updateMenuState(c);
  EXPECT_FALSE(idle[menu::Start].dimmed);
  EXPECT_TRUE(idle[menu::Stop].dimmed);
  c.measuring = true;
  auto running = updateMenuState(c);
  EXPECT_TRUE(running[menu::Start].dimmed);
  EXPECT_FALSE(running[menu::Stop].dimmed);
  c.measuring = false;
  c.daqErrorState = 2;
  EXPECT_TRUE(updateMenuState(c)[menu::Measurement].dimmed);
  EXPECT_TRUE(updateMenuState(ctx(WindowId::Order))[menu::Start].dimmed);
}

TEST(Menu, NoDataSetDimsFileAndWindowItems) {
  MenuContext c;
  auto s = updateMenuState(c);
  EXPECT_TRUE(s[menu::Close].dimmed);
  EXPECT_TRUE(s[menu::SaveW].dimmed);
  EXPECT_TRUE(s[menu::Save].dimmed);
  EXPECT_TRUE(s[menu::Window].dimmed);
  EXPECT_TRUE(s[menu::ExportReport].dimmed);
  EXPECT_TRUE(s[menu::ExportCsv].dimmed);
  EXPECT_TRUE(s[menu::WorkDir].dimmed);
  EXPECT_TRUE(s[menu::English].checked);
  EXPECT_FALSE(s[menu::German].checked);
  EXPECT_TRUE(s[menu::SglPnl].checked);
  c.programMode = true;
  c.language = 0;
  c.singlePanel = false;
  s = updateMenuState(c);
  EXPECT_FALSE(s[menu::WorkDir].dimmed);
  EXPECT_TRUE(s[menu::German].checked);
  EXPECT_FALSE(s[menu::SglPnl].checked);
}

TEST(Menu, RecentFileItem) {
  auto empty = recentFileItem("", "Recent File");
  EXPECT_EQ("Recent File", empty.label);
  EXPECT_TRUE(empty.dimmed);
  auto set = recentFileItem("/data/a.DAT", "Recent File");
  EXPECT_EQ("/data/a.DAT", set.label);
  EXPECT_FALSE(set.dimmed);
  EXPECT_TRUE(set.isPath);
  EXPECT_FALSE(empty.isPath);
}

} // namespace
} // namespace zv
