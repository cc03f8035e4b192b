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
  std::vector<std::pair<std::string, std::string>> startedProcesses;
  bool waitCursor = false;

  void popup(const std::string& title, const std::string& text) override {
    shown.push_back({"popup", title, text, {}});
  }
  int ask(const std::string& title, const std::string& text,
          const std::vector<std::string>& buttons, int, int) override {
    shown.push_back({"ask", title, text, buttons});
    return answer(askAnswers, -1);
  }
  std::optional<std::string> promptText(const std::string& title, const std::string& text,
                                        const std::string&, int) override {
    shown.push_back({"prompt", title, text, {}});
    return answer(promptAnswers, {});
  }
  std::optional<std::filesystem::path> chooseFile(const FileDialogSpec& spec) override {
    shown.push_back({"file", spec.title, spec.filter, {}});
    fileDialogs.push_back(spec);
    return answer(fileAnswers, {});
  }
  std::optional<std::filesystem::path> chooseDirectory(const std::string& title,
                                                       const std::filesystem::path&) override {
    shown.push_back({"dir", title, {}, {}});
    return answer(directoryAnswers, {});
  }

  class ScriptedProgress : public Progress {
  public:
    explicit ScriptedProgress(ScriptedUi& ui) : ui_(ui) {}
    bool update(int percent) override {
      ui_.progressValues.push_back(percent);
      return ui_.stopProgressAtUpdate > 0 && ++updates_ >= ui_.stopProgressAtUpdate;
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
  char regionalDecimalSeparator() const override { return ','; }
  bool startProcess(const std::string& program, const std::string& argument) override {
    startedProcesses.emplace_back(program, argument);
    return true;
  }
  bool openDocument(const std::filesystem::path&, const std::string&) override { return true; }

  // The popups shown so far, as "title|text".
  std::vector<std::string> popups() const {
    std::vector<std::string> out;
    for (const auto& s : shown)
      if (s.kind == "popup")
        out.push_back(s.title + "|" + s.text);
    return out;
  }
  // Everything shown so far, one line each: "kind|title|text|button|button...".
  std::vector<std::string> transcript() const {
    std::vector<std::string> out;
    for (const auto& s : shown) {
      out.push_back(s.kind + "|" + s.title + "|" + s.text);
      for (const auto& b : s.buttons)
        out.back() += "|" + b;
    }
    return out;
  }

private:
  template <class T> T answer(std::deque<T>& queue, T none) {
    if (queue.empty()) {
      ADD_FAILURE() << "unexpected " << shown.back().kind << ": " << shown.back().title << " / "
                    << shown.back().text;
      return none;
    }
    T a = std::move(queue.front());
    queue.pop_front();
    return a;
  }
};

} // namespace zv::test
