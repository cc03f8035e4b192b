#pragma once
// The data windows and the editing dialogs of the File and Edit commands, scripted: the windows
// record what they were asked to do, the dialogs answer from fields a test sets.
#include <optional>
#include <string>
#include <vector>

#include "program/zv_file_commands.hpp"

namespace zv::test {

class RecordingWindows : public DataWindows {
public:
  std::vector<std::string> calls;
  void showDataWindows() override { calls.push_back("show"); }
  void closeDataWindows() override { calls.push_back("close"); }
  void refreshTitles() override { calls.push_back("titles"); }
};

class ScriptedDialogs : public EditDialogs {
public:
  std::optional<NewDataSetInput> newAnswer, newInitial;
  std::vector<DeleteMode> deleteAsked;
  bool deleteAnswer = true;
  std::optional<CopyTarget> copyAnswer;
  int copyAsked = 0;

  std::optional<NewDataSetInput> newDataSet(const NewDataSetInput& initial) override {
    newInitial = initial;
    return newAnswer;
  }
  bool confirmDelete(DeleteMode mode) override {
    deleteAsked.push_back(mode);
    return deleteAnswer;
  }
  std::optional<CopyTarget> copyParameters() override {
    ++copyAsked;
    return copyAnswer;
  }
};

} // namespace zv::test
