#pragma once
// Scripted stand-ins for the ports: every popup and question is recorded, every question is
// answered from a queue. A question with no scripted answer fails the test.
#include <deque>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/zv_fakes.hpp"
#include "platform/zv_ui.hpp"

namespace zv::test {

struct Shown {
  std::string kind; // "popup", "ask", "prompt", "file", "dir", "progress"
  std::string title;
  std::string text;
  std::vector<std::string> buttons;
};

class ScriptedUi : public Ui {
public:
  // Answers, consumed in order by their kind of question.
  std::deque<int> askAnswers;
  std::deque<std::optional<std::string>> promptAnswers;
  std::deque<std::optional<std::filesystem::path>> fileAnswers;
  std::deque<std::optional<std::filesystem::path>> directoryAnswers;
  // The progress dialog reports Stop at this update count (0 = never).
  int stopProgressAtUpdate = 0;

  std::vector<Shown> shown;
  std::vector<FileDialogSpec> fileDialogs;
  std::vector<int> progressValues;
  std::string clipboard;
  char regionalSeparator = ','; // the decimal separator of the regional settings
  std::vector<std::pair<std::string, std::string>> startedProcesses;
  bool failProcessStart = false;
  std::vector<std::string> openedDocuments; // "path#section", or the path for the top
  bool waitCursor = false;

  void popup(const std::string& title, const std::string& text) override {
    shown.push_back({"popup", title, text, {}});
  }
  int ask(const std::string& title, const std::string& text,
          const std::vector<std::string>& buttons, int, int) override {
    shown.push_back({"ask", title, text, buttons});
    if (askAnswers.empty()) {
      ADD_FAILURE() << "unexpected question: " << title << " / " << text;
      return -1;
    }
    int a = askAnswers.front();
    askAnswers.pop_front();
    return a;
  }
  std::optional<std::string> promptText(const std::string& title, const std::string& text,
                                        const std::string&, int) override {
    shown.push_back({"prompt", title, text, {}});
    if (promptAnswers.empty()) {
      ADD_FAILURE() << "unexpected prompt: " << title;
      return std::nullopt;
    }
    auto a = promptAnswers.front();
    promptAnswers.pop_front();
    return a;
  }
  std::optional<std::filesystem::path> chooseFile(const FileDialogSpec& spec) override {
    shown.push_back({"file", spec.title, spec.filter, {}});
    fileDialogs.push_back(spec);
    if (fileAnswers.empty()) {
      ADD_FAILURE() << "unexpected file dialog: " << spec.title;
      return std::nullopt;
    }
    auto a = fileAnswers.front();
    fileAnswers.pop_front();
    return a;
  }
  std::optional<std::filesystem::path> chooseDirectory(const std::string& title,
                                                       const std::filesystem::path&) override {
    shown.push_back({"dir", title, {}, {}});
    if (directoryAnswers.empty()) {
      ADD_FAILURE() << "unexpected directory dialog: " << title;
      return std::nullopt;
    }
    auto a = directoryAnswers.front();
    directoryAnswers.pop_front();
    return a;
  }

  class ScriptedProgress : public Progress {
  public:
    explicit ScriptedProgress(ScriptedUi& ui) : ui_(ui) {}
    bool update(int percent) override {
      ui_.progressValues.push_back(percent);
      ++updates_;
      return ui_.stopProgressAtUpdate > 0 && updates_ >= ui_.stopProgressAtUpdate;
    }

  private:
    ScriptedUi& ui_;
    int updates_ = 0;
  };
  std::unique_ptr<Progress> startProgress(const std::string& title, const std::string& label,
                                          const std::string& stop) override {
    shown.push_back({"progress", title, label, {stop}});
    return std::make_unique<ScriptedProgress>(*this);
  }
  void setWaitCursor(bool on) override { waitCursor = on; }
  void setClipboardText(const std::string& text) override { clipboard = text; }
  char regionalDecimalSeparator() const override { return regionalSeparator; }
  bool startProcess(const std::string& program, const std::string& argument) override {
    startedProcesses.emplace_back(program, argument);
    return !failProcessStart;
  }
  bool openDocument(const std::filesystem::path& file, const std::string& section) override {
    openedDocuments.push_back(file.string() + (section.empty() ? "" : "#" + section));
    return true;
  }

  // The popups shown so far, as "title|text".
  std::vector<std::string> popups() const {
    std::vector<std::string> out;
    for (const auto& s : shown)
      if (s.kind == "popup")
        out.push_back(s.title + "|" + s.text);
    return out;
  }
};

} // namespace zv::test
