#pragma once
// The File commands (New, Open, Close, Save, Save As, the recent file) and the Edit commands
// that add, delete and copy, as flows over the program state. The windows and the three
// editing dialogs are reached through the two small interfaces below, so every flow runs in
// tests with scripted answers.
#include <optional>
#include <string>

#include "core/zv_edit_ops.hpp"

namespace zv {

class Program;

// What the commands ask of the main windows.
class DataWindows {
public:
  virtual ~DataWindows() = default;
  // After New and Open: the order table comes up and every data window is refreshed.
  virtual void showDataWindows() = 0;
  // After Close or a failed Open: back to the log window alone.
  virtual void closeDataWindows() = 0;
  // The file name changed (Save, Save As): titles and menus follow.
  virtual void refreshTitles() = 0;
};

// The editing dialogs; each returns the user's choice, or nothing for Abort and the close box.
class EditDialogs {
public:
  virtual ~EditDialogs() = default;
  virtual std::optional<NewDataSetInput> newDataSet(const NewDataSetInput& initial) = 0;
  virtual bool confirmDelete(DeleteMode mode) = 0;
  virtual std::optional<CopyTarget> copyParameters() = 0;
};

class FileCommands {
public:
  FileCommands(Program& program, DataWindows& windows, EditDialogs& dialogs);

  // Results: 0 done, 55 the user stopped or cancelled, 1 nothing to do or refused, or the
  // negative code of the failing step.
  int fileNew();
  int newDataSetOk(const NewDataSetInput& input); // the dialog's OK
  int fileOpen() { return loadFile(true); }
  int fileOpenRecent(const std::string& path);
  int loadFile(bool ask);
  int fileClose();
  int fileSave();
  int fileSaveAs();

  int editAdd(AddKind kind);
  int editDelete(DeleteMode mode);
  int editCopyParameters();

private:
  bool refusedWhileMeasuring();
  void refreshDataWindows();

  Program& program_;
  DataWindows& windows_;
  EditDialogs& dialogs_;
};

} // namespace zv
