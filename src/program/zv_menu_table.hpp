#pragma once
// The menu bar that every main window carries: its items with their fixed ids, labels,
// shortcuts and handlers, and the rules that dim and check them.
#include <cstdint>
#include <map>
#include <span>
#include <string>

#include "platform/zv_refresh.hpp"

namespace zv {

enum class MenuHandler {
  None,
  Menu,    // a top-level menu
  Submenu, // a submenu title
  All,     // cbMnuAll
  Work,    // cbMnuWork
  FileNew,
  FileLoad,
  FileClose,
  FileExit,
  CopyTable,
  CopyData,
  CopyReport,
  OptLang,
  WorkDir,
  Separator,
};

namespace menu {
// Item ids; what the handlers compare.
enum Id : int {
  Bar = 1,
  File = 2,
  New = 3,
  Load = 4,
  Close = 5,
  SaveW = 6,
  Save = 7,
  Separator = 8,
  Print = 9,
  Separator2 = 10,
  BeforeExit = 11,
  Exit = 12,
  Work = 13,
  NewSample = 14,
  NewStorage = 15,
  NewMeas = 16,
  DelSample = 18,
  DelStorage = 19,
  DelMeas = 20,
  CopyAll = 22,
  CopyData = 23,
  CopyStorage = 25,
  Setup = 26,
  Units = 27,
  MeasParams = 29,
  Device1 = 31,
  Device2 = 32,
  Hard = 34,
  Evaluations = 36,
  Measurement = 37,
  Start = 38,
  Stop = 40,
  Window = 41,
  OrderTable = 42,
  StorageTable = 44,
  SglMea = 46,
  Log = 48,
  Options = 49,
  Dir = 50,
  SglPnl = 52,
  Language = 54,
  German = 56,
  English = 57,
  Protoc = 59,
  Edit = 61,
  Delete = 62,
  WorkDir = 64,
  Help = 65,
  HlpFile = 66,
  Info = 68,
  ProgInfo = 69,
  Report = 71,
  // Added after the classic bar: the test report files.
  ExportReport = 72,
  ExportCsv = 73,
};
} // namespace menu

struct MenuItemDef {
  int id;
  int parent; // id of the menu or submenu that holds it
  const char* constant;
  const char* german; // Latin-1; "__" marks the access letter
  const char* english;
  MenuHandler handler;
  const char* shortcut; // in Qt's portable key notation; empty for none
  bool checkable;
};

// Every item in display order, separators included.
std::span<const MenuItemDef> menuItems();
const MenuItemDef* findMenuItem(int id);

// What the menu state depends on.
struct MenuContext {
  WindowId window = WindowId::Log;
  bool measuring = false;
  bool dataLoaded = false;
  int daqErrorState = 0;
  bool programMode = false;
  int language = 1;
  bool singlePanel = true;
};

struct MenuItemState {
  bool dimmed = false;
  bool checked = false;
};

// The state of every item id for the window that owns the bar.
std::map<int, MenuItemState> updateMenuState(const MenuContext& ctx);

// The label of the run-time recent-file item: the path, or "Recent File" dimmed when empty.
struct RecentFileItem {
  std::string label; // Latin-1 text, or a path in the file system's encoding when isPath
  bool dimmed = true;
  bool isPath = false;
};
RecentFileItem recentFileItem(const std::string& path, const char* recentFileText);

} // namespace zv
