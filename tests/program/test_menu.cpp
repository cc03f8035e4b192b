// Which menu items are open, dimmed or checked in each window, with and without a data set
// and while measuring.
#include <gtest/gtest.h>

#include "program/zv_menu_table.hpp"

namespace zv {
namespace {

// Which items are dimmed (d) or open (-), and checked (x) or not (-), in one context.
std::string states(const MenuContext& c, std::initializer_list<int> items, bool checked = false) {
  auto s = updateMenuState(c);
  std::string out;
  for (int id : items)
    out += checked ? (s[id].checked ? 'x' : '-') : (s[id].dimmed ? 'd' : '-');
  return out;
}

TEST(Menu, ItemsFollowTheWindowTheDataSetAndMeasuring) {
  const auto ctx = [](WindowId w, bool measuring = false, int daqErrorState = 0) {
    MenuContext c;
    c.window = w;
    c.dataLoaded = true;
    c.measuring = measuring;
    c.daqErrorState = daqErrorState;
    return c;
  };
  using namespace menu;
  constexpr WindowId Log = WindowId::Log, Order = WindowId::Order, Storage = WindowId::Storage,
                     Meas = WindowId::Measurement;
  EXPECT_EQ(states(ctx(Log), {Work, menu::Setup, Measurement, File, Options, Help}), "ddd---");
  EXPECT_EQ(states(ctx(Order), {NewSample, DelStorage, NewMeas, Start}), "--dd");
  EXPECT_EQ(states(ctx(Storage), {NewSample, DelMeas}), "d-");
  EXPECT_EQ(states(ctx(Order, true), {NewSample, New, Load}), "ddd");
  EXPECT_EQ(states(ctx(Meas), {Start, Stop}), "-d");
  EXPECT_EQ(states(ctx(Meas, true), {Start, Stop}), "d-");
  EXPECT_EQ(states(ctx(Meas, false, 2), {Measurement}), "d");
  // Without a data set.
  MenuContext none;
  EXPECT_EQ(states(none, {Close, SaveW, Save, Window, ExportReport, ExportCsv, WorkDir}),
            "ddddddd");
  EXPECT_EQ(states(none, {English, German, SglPnl}, true), "x-x");
  none.programMode = true;
  none.language = 0;
  none.singlePanel = false;
  EXPECT_EQ(states(none, {WorkDir}), "-");
  EXPECT_EQ(states(none, {English, German, SglPnl}, true), "-x-");
}

} // namespace
} // namespace zv
