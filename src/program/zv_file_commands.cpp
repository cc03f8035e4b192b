#include "program/zv_file_commands.hpp"

#include "platform/zv_path_bytes.hpp"
#include "program/zv_program.hpp"
#include "program/zv_tables.hpp"

namespace zv {

FileCommands::FileCommands(Program& program, DataWindows& windows, EditDialogs& dialogs)
    : program_(program), windows_(windows), dialogs_(dialogs) {}

bool FileCommands::refusedWhileMeasuring() {
  if (!program_.isMeasuring())
    return false;
  program_.reporter.reportMessage(report::PopupAndLog, 0, "",
                                  program_.texts[MessageText::StopMeasuringFirst], 0);
  return true;
}

void FileCommands::refreshDataWindows() {
  for (WindowId w : {WindowId::Order, WindowId::Storage, WindowId::Measurement})
    program_.requestRefresh(w, refresh::Everything);
}

// ---- File -----------------------------------------------------------------------------------

int FileCommands::fileNew() {
  if (refusedWhileMeasuring())
    return 1;
  program_.backupDataSet();
  const auto input = dialogs_.newDataSet(newDataSetInputFrom(program_.data.model.defaults()));
  if (!input)
    return UserStopped;
  return newDataSetOk(*input);
}

int FileCommands::newDataSetOk(const NewDataSetInput& input) {
  DataFileHandler& files = program_.data.files;
  applyNewDataSetInput(program_.data.model.defaults(), program_.data.model.limits(), input);
  // The chosen tester's lists are the ones the new data set and the storage table use.
  program_.meas.devices.setShownDevice(program_.data.model.defaults().channel);
  program_.requestRefresh(WindowId::Storage, refresh::Parameters);
  if (files.selectSaveFile() != 1)
    return UserStopped;
  const int closed = files.closeDataSet(std::string(program_.lang.pick(edit_texts::CreateNewly)));
  if (closed < 0)
    return -1;
  if (closed > 0)
    return UserStopped;
  files.useChosenFile();

  program_.ui.setWaitCursor(true);
  program_.data.files.markLoaded();
  int r = buildNewDataSet(program_.data.model, program_.reporter, program_.lang);
  if (r == 0)
    r = files.saveDataSet();
  program_.ui.setWaitCursor(false);
  if (r == 0) {
    windows_.showDataWindows();
  } else if (r != UserStopped) {
    files.closeDataSet(std::nullopt);
    windows_.closeDataWindows();
  }
  return r;
}

int FileCommands::fileOpenRecent(const std::string& path) {
  if (path.empty())
    return 1;
  program_.data.files.setChosenFile(pathFromBytes(path));
  return loadFile(false);
}

int FileCommands::loadFile(bool ask) {
  DataFileHandler& files = program_.data.files;
  if (refusedWhileMeasuring())
    return 1;
  program_.backupDataSet();
  if (ask && files.selectLoadFile() != 1)
    return UserStopped;
  if (!files.chosenFile())
    return 1;

  program_.ui.setWaitCursor(true);
  int r = files.closeDataSet(std::string(program_.texts[MessageText::OpenDataSetTitle]));
  if (r == 0) {
    files.useChosenFile();
    r = files.loadDataSetReport(1);
    if (r != 0) {
      files.closeDataSet(std::nullopt);
      windows_.closeDataWindows();
    } else {
      windows_.showDataWindows();
    }
  } else {
    // The user stays with the current data set; the choice is dropped.
    files.clearChosenFile();
    r = UserStopped;
  }
  program_.ui.setWaitCursor(false);
  return r;
}

int FileCommands::fileClose() {
  if (refusedWhileMeasuring())
    return 1;
  program_.backupDataSet();
  const int r =
      program_.data.files.closeDataSet(std::string(program_.texts[MessageText::CloseDataSetTitle]));
  if (r == 0)
    windows_.closeDataWindows();
  return r;
}

int FileCommands::fileSave() {
  program_.backupDataSet();
  if (!program_.data.model.hasDataSet())
    return 1;
  const int r = program_.data.files.saveDataSet();
  if (r == 0)
    windows_.refreshTitles();
  return r;
}

int FileCommands::fileSaveAs() {
  program_.backupDataSet();
  if (!program_.data.model.hasDataSet())
    return 1;
  DataFileHandler& files = program_.data.files;
  if (files.selectSaveFile() != 1)
    return UserStopped;
  files.useChosenFile();
  const int r = files.saveDataSet();
  windows_.refreshTitles();
  return r;
}

// ---- Edit -----------------------------------------------------------------------------------

int FileCommands::editAdd(AddKind kind) {
  program_.backupDataSet();
  const int r = addRecord(program_.data.model, kind);
  if (r == 0)
    refreshDataWindows();
  return r;
}

int FileCommands::editDelete(DeleteMode mode) {
  program_.backupDataSet();
  if (!program_.data.model.hasDataSet())
    return 1;
  if (!canDelete(program_.data.model, mode)) {
    program_.ui.popup(program_.texts[MessageText::InputErrorTitle],
                      program_.texts[MessageText::ListNeedsOneEntry]);
    return 1;
  }
  if (!dialogs_.confirmDelete(mode))
    return UserStopped;
  const int r = deleteCurrent(program_.data.model, mode);
  refreshDataWindows();
  return r;
}

int FileCommands::editCopyParameters() {
  program_.backupDataSet();
  if (!program_.data.model.currentStorage())
    return 1;
  const auto target = dialogs_.copyParameters();
  if (!target)
    return UserStopped;
  const int r = copyStorageParameters(program_.data.model, *target);
  refreshDataWindows();
  return r;
}

} // namespace zv
