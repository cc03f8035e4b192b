#include "storage/zv_datafile.hpp"

#include <algorithm>
#include <system_error>

#include "platform/zv_latin1.hpp"
#include "platform/zv_path_bytes.hpp"
#include "support/zv_system_error.hpp"
#include "support/zv_text_pattern.hpp"

namespace zv {

namespace {

constexpr std::size_t MaxPathLength = 4095;

std::string upper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z')
      c = static_cast<char>(c - 32);
  return s;
}

// The text after the last "." of a file name; empty when there is none.
std::string extensionOf(const std::string& name) {
  const auto dot = name.rfind('.');
  return dot == std::string::npos ? std::string() : name.substr(dot + 1);
}

std::string withoutExtension(const std::string& name) {
  const auto dot = name.rfind('.');
  return dot == std::string::npos ? name : name.substr(0, dot);
}

const TextPair OverwriteTitle{"Save", "Speichern"};
const TextPair OverwriteText{"File -%s-\n exists", "Datei -%s-\n vorhanden"};
const TextPair OverwriteButton{"Overwriting", "Überschreiben"_l1};
const TextPair NewFileButton{"Choosing new file", "Neue Datei wählen"_l1};
const TextPair AbortButton{"Abort", "Abbrechen"};
const char* const BackupDirRefused =
    "Backup Verzeichnis kann nicht zum Speichern ausgewählt werden"_l1;

const TextPair MissingSectionText{
    "The data set file is incomplete; the first missing section is",
    "Die Datensatzdatei ist unvollständig; der erste fehlende Abschnitt ist"_l1};
const TextPair NonFiniteText{"measurements hold a force or area that is no finite number",
                             "Messungen enthalten eine Kraft oder Fläche, die keine endliche "
                             "Zahl ist"_l1};

} // namespace

int DlgExitChange(Ui& ui, const std::string& title, const std::string& text,
                  const std::string& abortLabel, const std::string& saveLabel,
                  const std::string& rejectLabel) {
  const int answer = ui.ask(title, text, {abortLabel, saveLabel, rejectLabel}, 1, 0);
  if (answer == 1)
    return 1;
  if (answer == 2)
    return -1;
  return 0;
}

int dataFormatOfName(const std::string& fileName) {
  const std::string ext = upper(extensionOf(fileName));
  if (fileName.find('.') == std::string::npos)
    return -1;
  if (ext == "BIN")
    return 0;
  if (ext == "DAT")
    return 1;
  return -1;
}

DataFileHandler::DataFileHandler(const Context& context)
    : ctx_(context), text_(context.model, context.reporter, context.fs),
      binary_(context.model, context.reporter, context.lang, context.fs) {}

void DataFileHandler::dataFileInit() {
  state_.dataFileOpen = false;
  binary_.closeBinaryWriteFile(true);
  state_.dataWrtTypeSelect = 0;
  state_.loadType = 1;
}

bool DataFileHandler::isInBackupDirectory(const std::filesystem::path& path) const {
  if (backupCheck_)
    return backupCheck_(path);
  if (backupDirectory_.empty())
    return false;
  std::error_code ec;
  const auto dir = std::filesystem::weakly_canonical(backupDirectory_, ec);
  if (ec)
    return false;
  const auto file = std::filesystem::weakly_canonical(path, ec);
  if (ec)
    return false;
  const auto rel = file.lexically_relative(dir);
  return !rel.empty() && *rel.begin() != ".." && rel != ".";
}

void DataFileHandler::setDataFile(const std::filesystem::path& path) {
  state_.dataDirectory = pathBytes(path.parent_path());
  state_.fileDirectory = state_.dataDirectory;
  state_.dataFileName = pathBytes(path.filename());
  filePath_ = pathBytes(path);
}

bool DataFileHandler::useChosenFile() {
  if (!chosen_)
    return false;
  setDataFile(*chosen_);
  chosen_.reset();
  return true;
}

std::filesystem::path DataFileHandler::joinedPath(int& failed) const {
  failed = 0;
  const std::filesystem::path p =
      pathFromBytes(state_.fileDirectory) / pathFromBytes(state_.dataFileName);
  const std::string text = pathBytes(p);
  if (text.size() > MaxPathLength || text.find('\0') != std::string::npos)
    failed = 1;
  return p;
}

std::unique_ptr<Progress> DataFileHandler::startProgress() {
  return ctx_.ui.startProgress(state_.fileTitle + ": " + pathText(filePath_),
                               msg(MessageText::PercentReady), msg(MessageText::StopButton));
}

void DataFileHandler::logReplacements(const ListReplacements& replaced) {
  if (replaced.total() == 0)
    return;
  const std::string device = deviceName_ ? deviceName_() : std::string("built-in");
  ctx_.reporter.reportMessage(report::LogOnly, report::KindNoPopup, state_.fileTitle,
                              listReplacementText(replaced, device, ctx_.lang), 0);
}

std::string DataFileHandler::withReason(const std::string& message, std::error_code why) const {
  const std::string reason = fileErrorText(why, ctx_.lang);
  return reason.empty() ? message : message + "\n" + reason;
}

void DataFileHandler::logLoadNotes() {
  auto note = [&](const std::string& text) {
    ctx_.reporter.reportMessage(report::LogOnly, report::KindNoPopup, state_.fileTitle, text, 0);
  };
  if (state_.loadType == 1 && !text_.firstMissingSection().empty())
    note(std::string(ctx_.lang.pick(MissingSectionText)) + " [" + text_.firstMissingSection() +
         "]");
  // Such values are kept as they are; the statistics of their storages are then undefined.
  const DataSet* d = ctx_.model.dataSet();
  if (const int nonFinite = d ? d->nonFiniteTotal : 0; nonFinite > 0)
    note(std::to_string(nonFinite) + ' ' + ctx_.lang.pick(NonFiniteText));
}

// ---- file dialogs ---------------------------------------------------------------------------

int DataFileHandler::fileSelect(FileDialogSpec spec) {
  const bool save = spec.mode == FileDialogSpec::Mode::Save;
  for (;;) {
    const auto answer = ctx_.ui.chooseFile(spec);
    if (!answer || answer->empty())
      return 0;
    std::filesystem::path file = *answer;
    // A saved file must open again, which needs one of the two extensions.
    if (save && dataFormatOfName(pathBytes(file.filename())) < 0)
      file += state_.fileExtension;
    if (isInBackupDirectory(file)) {
      ctx_.ui.popup(state_.fileTitle, BackupDirRefused);
      continue;
    }
    std::error_code ec;
    const bool exists = std::filesystem::exists(file, ec);
    if (save && exists) {
      const int choice =
          ctx_.ui.ask(ctx_.lang.pick(OverwriteTitle),
                      fillIn(ctx_.lang.pick(OverwriteText), pathText(pathBytes(file))),
                      {ctx_.lang.pick(OverwriteButton), ctx_.lang.pick(NewFileButton),
                       ctx_.lang.pick(AbortButton)},
                      0, 2);
      if (choice == 1) {
        spec.startDirectory = file.parent_path();
        spec.defaultName = pathBytes(file.filename());
        continue;
      }
      if (choice != 0)
        return 0;
    }
    chosen_ = file;
    return exists ? 1 : 2;
  }
}

int DataFileHandler::selectSaveFile(bool keepFormat) {
  const int named = keepFormat ? dataFormatOfName(state_.dataFileName) : -1;
  switch (named >= 0 ? named : state_.dataWrtTypeSelect) {
  case 0:
    state_.fileTitle = msg(MessageText::SaveTitle);
    state_.fileExtension = ".BIN";
    break;
  case 1:
    state_.fileTitle = msg(MessageText::SaveAsTitle);
    state_.fileExtension = ".DAT";
    break;
  default:
    return error(DfSaveType);
  }
  FileDialogSpec spec;
  spec.mode = FileDialogSpec::Mode::Save;
  spec.title = state_.fileTitle;
  spec.startDirectory = state_.dataDirectory;
  spec.defaultName = state_.dataFileName.empty()
                         ? "New" + state_.fileExtension
                         : withoutExtension(state_.dataFileName) + state_.fileExtension;
  spec.filter = "*" + state_.fileExtension;
  const int r = fileSelect(spec);
  return r == 1 || r == 2 ? 1 : 0;
}

int DataFileHandler::selectLoadFile() {
  switch (state_.dataWrtTypeSelect) {
  case 0:
    state_.fileExtension = ".BIN";
    break;
  case 1:
    state_.fileExtension = ".DAT";
    break;
  default:
    return error(DfLoadSelectType);
  }
  FileDialogSpec spec;
  spec.mode = FileDialogSpec::Mode::Open;
  spec.title = state_.fileTitle;
  spec.startDirectory = state_.dataDirectory;
  spec.defaultName = state_.dataFileName.empty() ? "*" + state_.fileExtension : state_.dataFileName;
  spec.filter = "*.DAT;*.BIN";
  const int r = fileSelect(spec);
  if (r != 1)
    chosen_.reset();
  return r == 1 ? 1 : 0;
}

// ---- saving ---------------------------------------------------------------------------------

int DataFileHandler::saveDataSet() {
  if (state_.dataFileName.empty() || state_.fileDirectory.empty())
    return error(DfNoFileName);
  int failed = 0;
  const std::filesystem::path path = joinedPath(failed);
  if (failed)
    return error(DfBadPath);
  filePath_ = pathBytes(path);
  // The file keeps the format its extension names, so it always opens again.
  const int format = dataFormatOfName(state_.dataFileName);
  if ((format < 0 ? state_.dataWrtTypeSelect : format) == 1) {
    state_.fileTitle = msg(MessageText::SaveAsTitle);
    state_.fileExtension = ".DAT";
  } else {
    state_.fileTitle = msg(MessageText::SaveTitle);
    state_.fileExtension = ".BIN";
  }

  // The graph file is written beside the complete new data file before that replaces the old
  // one, so a graph file that cannot be written (a full disk) leaves both files as they were.
  const bool withGraph = state_.saveGraph != 0 && hooks_;
  int graphResult = 0;
  bool graphPrepared = false;
  auto prepareGraph = [&](const std::filesystem::path& temp) -> std::error_code {
    graphResult = hooks_->graphSavePrepare(filePath_, temp);
    if (graphResult != 0) {
      const std::error_code why = hooks_->lastGraphError();
      return why ? why : std::make_error_code(std::errc::io_error);
    }
    graphPrepared = true;
    return {};
  };
  text_.setBeforeReplace(withGraph ? IniBeforeRename(prepareGraph) : IniBeforeRename());
  binary_.setBeforeReplace(withGraph ? IniBeforeRename(prepareGraph) : IniBeforeRename());
  auto progress = startProgress();
  const int r = writeDataFile(path, progress.get());
  progress.reset();
  text_.setBeforeReplace({});
  binary_.setBeforeReplace({});
  auto graphFailed = [&](int g) {
    ctx_.reporter.reportMessage(
        report::PopupAndLog, 0, state_.fileTitle,
        withReason(msg(MessageText::GraphSaveError), hooks_->lastGraphError()), g);
    return error(DfSaveGraph, g);
  };
  if (graphResult != 0)
    return graphFailed(graphResult);
  if (r != 0 && graphPrepared)
    hooks_->graphSaveAbandon();
  if (r < 0) {
    const std::error_code why =
        state_.fileExtension == ".DAT" ? text_.lastWriteError() : binary_.lastWriteError();
    ctx_.reporter.reportMessage(report::PopupAndLog, 0, state_.fileTitle,
                                withReason(msg(MessageText::SaveError), why), r);
    return error(DfSaveWrite, r);
  }
  if (r > 0) {
    ctx_.reporter.reportMessage(report::PopupAndLog, 0, state_.fileTitle,
                                msg(MessageText::SaveCancelled), r);
    return UserStopped;
  }
  if (withGraph) {
    if (int g = hooks_->graphSaveCommit(filePath_); g != 0)
      return graphFailed(g);
  }
  ctx_.model.resetChanges();
  if (hooks_) {
    if (int b = hooks_->refreshBackup(filePath_); b != 0) {
      ctx_.reporter.reportMessage(report::PopupAndLog, 0, state_.fileTitle,
                                  msg(MessageText::BackupSaveError), b);
      ctx_.reporter.reportError(DfSaveBackup, b, state_.fileTitle, msg(MessageText::SaveError));
    }
  }
  return 0;
}

int DataFileHandler::writeDataFile(const std::filesystem::path& path, Progress* progress) {
  const int samples = ctx_.model.sampleCount();
  const int storages = ctx_.model.storageCount();
  const int byName = dataFormatOfName(pathBytes(path.filename()));
  const int format = byName >= 0 ? byName : state_.dataWrtTypeSelect;
  if (format == 0) {
    if (binary_.openBinaryWriteFile(path) != 0)
      return error(DfBinaryOpen);
    int r = binary_.reserveBlockBuffer(storages)
                ? binary_.writeBinaryDataSet(samples, storages, progress)
                : error(DfBinaryBuffer);
    const int closed = binary_.closeBinaryWriteFile(r != 0);
    if (r < 0)
      return error(DfBinaryWrite, r);
    if (closed < 0)
      return error(DfBinaryClose, closed);
    return r;
  }
  if (format == 1) {
    if (text_.openTextWriteFile(path) != 0)
      return error(DfTextWrite);
    const int r = text_.writeTextDataSet(samples, storages, progress);
    const int closed = text_.closeTextWriteFile(path, r);
    if (r < 0)
      return error(DfTextWrite, r);
    if (closed != 0)
      return error(DfTextClose, closed);
    return r;
  }
  return error(DfWriteType);
}

// ---- loading --------------------------------------------------------------------------------

int DataFileHandler::loadDataSet(int refreshBackup, std::string& message) {
  message.clear();
  state_.fileTitle = msg(MessageText::LoadTitle);
  if (state_.dataFileName.empty() || state_.fileDirectory.empty()) {
    message = msg(MessageText::BadDataFileName);
    return error(DfLoadNoName);
  }
  const int format = dataFormatOfName(state_.dataFileName);
  if (format < 0) {
    message = msg(MessageText::BadExtension);
    return error(DfLoadExtension);
  }
  state_.loadType = format;
  state_.fileExtension = extensionOf(state_.dataFileName);
  int failed = 0;
  const std::filesystem::path path = joinedPath(failed);
  if (failed) {
    message = msg(MessageText::BadDataFileName);
    return error(DfLoadPath);
  }
  filePath_ = pathBytes(path);
  std::uint64_t size = 0;
  if (!ctx_.fs.exists(path) || ctx_.fs.fileSize(path, size) || size == 0) {
    message = msg(MessageText::FileNotAvailable);
    return error(DfLoadMissing);
  }

  loaded_ = false;
  if (ctx_.model.createDataSet() != 0) {
    message = msg(MessageText::DataSetInitError);
    return error(DfLoadCreate);
  }
  auto progress = startProgress();
  const int r = readDataFile(path, progress.get());
  progress.reset();
  if (r < 0) {
    message = msg(MessageText::ReadError);
    return error(DfLoadRead, r);
  }
  if (r > 0) {
    ctx_.reporter.reportMessage(report::PopupAndLog, 0, state_.fileTitle,
                                msg(MessageText::LoadCancelled), r);
    return UserStopped;
  }
  loaded_ = true; // and unchanged: the reader's renumbering cleared the change counters
  logReplacements(state_.loadType == 0 ? binary_.lastReplacements() : text_.lastReplacements());
  logLoadNotes();

  if (refreshBackup != 0 && hooks_) {
    if (int b = hooks_->refreshBackup(filePath_); b != 0) {
      ctx_.reporter.reportMessage(report::PopupAndLog, 0, state_.fileTitle,
                                  msg(MessageText::BackupSaveError), b);
      ctx_.reporter.reportError(DfLoadBackup, b, state_.fileTitle, "RefreshBackup");
    }
  }
  state_.dataFileOpen = true;
  if (hooks_) {
    if (int g = hooks_->graphLoad(filePath_); g != 0) {
      const std::string text = std::string(" ") + msg(MessageText::GraphFileOpenError) + ": " +
                               pathText(filePath_) + ", Error= " + std::to_string(g);
      ctx_.reporter.reportMessage(report::PopupAndLog, 0, state_.fileTitle, text, g);
      ctx_.reporter.reportError(DfLoadGraph, g, state_.fileTitle,
                                msg(MessageText::GraphFileOpenError));
    }
  }
  return 0;
}

int DataFileHandler::readDataFile(const std::filesystem::path& path, Progress* progress) {
  int r = 0;
  if (state_.loadType == 0) {
    std::uint64_t size = 0;
    if (!ctx_.fs.exists(path) || ctx_.fs.fileSize(path, size) || size == 0) {
      r = error(DfBinaryEmpty);
    } else {
      r = binary_.readBinaryDataSet(path, progress);
      if (r == BinOpenReadFailed)
        ctx_.reporter.reportError(DfBinaryOpenRead, r, state_.fileTitle,
                                  msg(MessageText::BinaryOpenError));
    }
    if (r < 0)
      ctx_.reporter.reportError(DfBinaryRead, r, state_.fileTitle,
                                msg(MessageText::DataFileOpenError));
    return r;
  }
  if (state_.loadType == 1) {
    r = text_.openTextReadFile(path);
    if (r != 0) {
      ctx_.reporter.reportError(DfTextOpenRead, r, state_.fileTitle,
                                msg(MessageText::BinaryOpenError));
    } else {
      r = text_.readTextDataSet(progress);
      text_.closeTextReadFile();
    }
    if (r < 0)
      ctx_.reporter.reportError(DfTextRead, r, state_.fileTitle,
                                msg(MessageText::DataFileOpenError));
    return r;
  }
  return error(DfLoadType);
}

int DataFileHandler::loadDataSetReport(int refreshBackup) {
  std::string message;
  const int r = loadDataSet(refreshBackup, message);
  if (r < 0) {
    const std::string text =
        !message.empty() ? message + " : " + std::to_string(r) + "\n" + pathText(filePath_)
                         : pathText(state_.dataFileName) + " : Error= " + std::to_string(r) + " ";
    ctx_.reporter.reportMessage(report::PopupAndLog, 0, state_.fileTitle, text, r);
  }
  return r;
}

// ---- closing --------------------------------------------------------------------------------

int DataFileHandler::closeDataSet(std::optional<std::string> title) {
  if (title && ctx_.model.isChanged() != 0) {
    const int answer = DlgExitChange(
        ctx_.ui, *title, msg(MessageText::DataSetChanged), ctx_.texts[GeneralText::Abort],
        msg(MessageText::SaveDataSetButton), msg(MessageText::RejectChangesButton));
    if (answer == 1) {
      if (saveDataSet() != 0)
        return ClearSaveFailed;
    } else if (answer != -1) {
      return ClearAborted;
    }
  }
  loaded_ = false;
  if (int r = ctx_.model.deleteDataSet(); r != 0) {
    ctx_.reporter.reportMessage(report::LogOnly, report::KindNoPopup, "auftrClearFile()",
                                "auftrDelete()", r);
    return error(DfClearDelete, r);
  }
  if (hooks_)
    hooks_->graphFileCloseAll();
  ctx_.model.resetChanges();
  state_.dataFileOpen = false;
  if (hooks_) {
    if (int c = hooks_->closeBackup(); c != 0)
      ctx_.reporter.reportError(DfClearBackup, c, state_.fileTitle, "CloseBackup");
  }
  return 0;
}

} // namespace zv
