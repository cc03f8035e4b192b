#include "program/zv_menu_table.hpp"

#include <algorithm>
#include <array>

#include "platform/zv_latin1.hpp"

namespace zv {

namespace {
using H = MenuHandler;
using namespace menu;

// Two keys are doubled in the classic menu (Open/Close on Ctrl+O, Data acquisition/Copy Data
// on Ctrl+D); a shortcut must be unique to work, so Close takes Ctrl+W and Data acquisition
// Ctrl+Shift+D.
const std::array<MenuItemDef, 70> items = {{
    {File, Bar, "FILE", "__Datei", "__File", H::Menu, "", false},
    {New, File, "NEW", "Neu", "New", H::FileNew, "Ctrl+N", false},
    {Load, File, "LOAD", "Öffnen"_l1, "Open", H::FileLoad, "Ctrl+O", false},
    {Close, File, "CLOSE", "Schließen"_l1, "Close", H::FileClose, "Ctrl+W", false},
    {SaveW, File, "SAVE_W", "Speichern", "Save", H::All, "", false},
    {Save, File, "SAVE", "Speichern unter..", "Save As", H::All, "Ctrl+S", false},
    {Separator, File, "SEPARATOR", "", "", H::Separator, "", false},
    {Print, File, "PRINT", "Drucken", "Print", H::All, "Ctrl+P", false},
    {ExportReport, File, "EXPORT_REPORT", "Bericht exportieren...", "Export Report...", H::All, "",
     false},
    {ExportCsv, File, "EXPORT_CSV", "CSV exportieren...", "Export CSV...", H::All, "", false},
    {Separator2, File, "SEPARATOR_2", "", "", H::Separator, "", false},
    {BeforeExit, File, "BEFORE_EXIT", "", "", H::Separator, "", false},
    {Exit, File, "EXIT", "ZARVIK beenden", "ZARVIK Exit", H::FileExit, "", false},
    {Work, Bar, "WORK", "__Bearbeiten", "__Edit", H::Menu, "", false},
    {NewSample, Work, "NEW_PROBE", "Neue Probe anlegen", "Creating New Sample", H::Work, "", false},
    {NewStorage, Work, "NEW_LAGER", "Neue Lagerung anlegen", "Creating New Storage", H::Work, "",
     false},
    {NewMeas, Work, "NEW_MEAS", "Neue Meßkurve anlegen"_l1, "Creating New Measuring", H::Work, "",
     false},
    {17, Work, "SEPARATOR_3", "", "", H::Separator, "", false},
    {DelSample, Work, "DEL_PROBE", "Probe löschen"_l1, "Deleting Sample", H::Work, "", false},
    {DelStorage, Work, "DEL_LAGER", "Lagerung löschen"_l1, "Deleting Storage", H::Work, "", false},
    {DelMeas, Work, "DEL_MEAS", "Meßkurve löschen"_l1, "Deleting Measuring", H::Work, "", false},
    {21, Work, "SEPARATOR_4", "", "", H::Separator, "", false},
    {CopyAll, Work, "COPY_ALL", "Tabelle kopieren", "Copy Table", H::CopyTable, "Ctrl+C", false},
    {CopyData, Work, "COPY_DATA", "Daten kopieren", "Copy Data", H::CopyData, "Ctrl+D", false},
    {24, Work, "SEPARATOR_5", "", "", H::Separator, "", false},
    {CopyStorage, Work, "COPY_LAG", "Vorgaben kopieren", "Copy Storage Defaults", H::All, "Ctrl+V",
     false},
    {Setup, Bar, "SETUP", "__Setup", "__Setup", H::Menu, "", false},
    {Units, Setup, "UNITS", "Haftzugberechnung", "Bond Strenght Calculation", H::All, "Ctrl+H",
     false},
    {28, Setup, "SEPARATOR_6", "", "", H::Separator, "", false},
    {MeasParams, Setup, "MEAS", "Meßparameter"_l1, "Measurement Param.", H::All, "Ctrl+M", false},
    {30, Setup, "SEPARATOR_7", "", "", H::Separator, "", false},
    {Device1, Setup, "DEVICE1", "Gerätedatei 1"_l1, "Device 1", H::All, "Ctrl+F1", false},
    {Device2, Setup, "DEVICE2", "Gerätedatei 2"_l1, "Device 2", H::All, "Ctrl+F2", false},
    {33, Setup, "SEPARATOR_8", "", "", H::Separator, "", false},
    {Hard, Setup, "HARD", "Datenerfassung", "Data acquisition", H::All, "Ctrl+Shift+D", false},
    {35, Setup, "SEPARATOR_9", "", "", H::Separator, "", false},
    {Evaluations, Setup, "ABRISS", "Abrissliste", "Evaluation List", H::All, "Ctrl+A", false},
    {Measurement, Bar, "MEAS", "__Messung", "__Measurement", H::Menu, "", false},
    {Start, Measurement, "START", "Start Meßreihe"_l1, "Start Measurement", H::All, "F7", false},
    {39, Measurement, "SEPARATOR_10", "", "", H::Separator, "", false},
    {Stop, Measurement, "STOP", "Stop Messung", "Stop Measurement", H::All, "F9", false},
    {Window, Bar, "WINDOW", "__Fenster", "__Window", H::Menu, "", false},
    {OrderTable, Window, "AUFTRAG", "Auftragstabelle", "Order Table", H::All, "F2", false},
    {43, Window, "SEPARATOR_11", "", "", H::Separator, "", false},
    {StorageTable, Window, "LAGER", "Lagerungstabelle", "Storage Table", H::All, "F3", false},
    {45, Window, "SEPARATOR_12", "", "", H::Separator, "", false},
    {SglMea, Window, "SGLMEA", "Einzel Meßkurve"_l1, "Single Measuring", H::All, "F4", false},
    {47, Window, "SEPARATOR_13", "", "", H::Separator, "", false},
    {Log, Window, "LOG", "Protokoll", "Report", H::All, "F5", false},
    {Options, Bar, "OPTIONS", "__Optionen", "__Options", H::Menu, "", false},
    {Dir, Options, "DIR", "Datensatz", "Data Set", H::All, "Ctrl+Z", false},
    {51, Options, "SEPARATOR_14", "", "", H::Separator, "", false},
    {SglPnl, Options, "SGLPNL", "Einzel Fenster", "Single Panel", H::All, "", true},
    {53, Options, "SEPARATOR_15", "", "", H::Separator, "", false},
    {Language, Options, "LANGUAGE", "Sprache", "Language", H::Submenu, "", false},
    {German, Language, "GERMAN", "Deutsch", "German", H::OptLang, "", true},
    {English, Language, "ENGLISH", "Englisch", "English", H::OptLang, "", true},
    {58, Options, "SEPARATOR_16", "", "", H::Separator, "", false},
    {Protoc, Options, "PROTOC", "Protokollfile", "Report File", H::Submenu, "", false},
    {Edit, Protoc, "EDIT", "Editieren", "Edit", H::All, "", false},
    {Delete, Protoc, "DELETE", "Löschen"_l1, "Delete", H::All, "", false},
    {63, Options, "SEPARATOR_17", "", "", H::Separator, "", false},
    {WorkDir, Options, "WORKDIR", "Benutzer Verzeichnis setzen", "Set User Directory", H::WorkDir,
     "", false},
    {Help, Bar, "HELP", "__Hilfe", "__Help", H::Menu, "", false},
    {HlpFile, Help, "HLPFILE", "Hilfeindex", "Online Index", H::All, "F1", false},
    {67, Help, "SEPARATOR_18", "", "", H::Separator, "", false},
    {Info, Help, "INFO", "Version Info", "Version Info", H::All, "Ctrl+I", false},
    {ProgInfo, Help, "PROGINFO", "Programm Info", "Program Info", H::All, "", false},
    {70, Help, "SEPARATOR_19", "", "", H::Separator, "", false},
    {Report, Help, "REPORT", "Report kopieren", "Copy Report", H::CopyReport, "", false},
}};
} // namespace

std::span<const MenuItemDef> menuItems() {
  return items;
}

const MenuItemDef* findMenuItem(int id) {
  auto it =
      std::find_if(items.begin(), items.end(), [id](const MenuItemDef& d) { return d.id == id; });
  return it == items.end() ? nullptr : &*it;
}

std::map<int, MenuItemState> updateMenuState(const MenuContext& c) {
  std::map<int, MenuItemState> s;
  for (const auto& d : items)
    s[d.id] = {};
  const bool inLog = c.window == WindowId::Log;
  const bool inOrder = c.window == WindowId::Order;
  const bool inStorage = c.window == WindowId::Storage;
  const bool inMeas = c.window == WindowId::Measurement;

  s[New].dimmed = s[Load].dimmed = c.measuring;
  s[Close].dimmed = s[SaveW].dimmed = s[Save].dimmed = !c.dataLoaded;
  s[ExportReport].dimmed = s[ExportCsv].dimmed = !c.dataLoaded;
  s[Work].dimmed = s[Setup].dimmed = inLog;
  for (int id : {NewSample, NewStorage, DelSample, DelStorage})
    s[id].dimmed = !inOrder || c.measuring;
  for (int id : {NewMeas, DelMeas})
    s[id].dimmed = !inStorage || c.measuring;
  s[Measurement].dimmed = inLog || !c.dataLoaded || c.daqErrorState != 0;
  s[Start].dimmed = !inMeas || c.measuring;
  s[Stop].dimmed = !inMeas || !c.measuring;
  s[Window].dimmed = !c.dataLoaded;
  s[WorkDir].dimmed = !c.programMode;
  s[German].checked = c.language == 0;
  s[English].checked = c.language == 1;
  s[SglPnl].checked = c.singlePanel;
  return s;
}

RecentFileItem recentFileItem(const std::string& path, const char* recentFileText) {
  if (path.empty())
    return {recentFileText, true};
  return {path, false, true};
}

} // namespace zv
