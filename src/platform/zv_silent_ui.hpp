#pragma once
// A Ui for runs without anyone at the screen (the command-line tool, benchmarks, fuzzing):
// it shows nothing, answers every question with its escape choice, cancels every dialog,
// and its progress dialog is never stopped. Derive from it to report popups somewhere.
#include "platform/zv_ui.hpp"

namespace zv {

class SilentUi : public Ui {
public:
  void popup(const std::string&, const std::string&) override {}
  int ask(const std::string&, const std::string&, const std::vector<std::string>&, int,
          int escape) override {
    return escape;
  }
  std::optional<std::string> promptText(const std::string&, const std::string&, const std::string&,
                                        int) override {
    return std::nullopt;
  }
  std::optional<std::filesystem::path> chooseFile(const FileDialogSpec&) override {
    return std::nullopt;
  }
  std::optional<std::filesystem::path> chooseDirectory(const std::string&,
                                                       const std::filesystem::path&) override {
    return std::nullopt;
  }
  std::unique_ptr<Progress> startProgress(const std::string&, const std::string&,
                                          const std::string&) override {
    return std::make_unique<NeverStopped>();
  }
  void setWaitCursor(bool) override {}
  void setClipboardText(const std::string&) override {}
  char regionalDecimalSeparator() const override { return '.'; }
  bool startProcess(const std::string&, const std::string&) override { return false; }
  bool openDocument(const std::filesystem::path&, const std::string&) override { return false; }

private:
  class NeverStopped final : public Progress {
  public:
    bool update(int) override { return false; }
  };
};

} // namespace zv
