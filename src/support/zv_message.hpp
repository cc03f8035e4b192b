#pragma once
// reportMessage: the one way the program tells the user or the log anything.
#include <optional>
#include <string>
#include <string_view>

#include "platform/zv_ui.hpp"
#include "support/zv_errorlog.hpp"

namespace zv {

// A text that may be absent: an absent title differs from an empty one.
using OptText = std::optional<std::string_view>;

namespace report {
constexpr int Popup = 1;
constexpr int LogLine = 4;
constexpr int LogOnly = 6;
constexpr int PopupAndLog = 7;
constexpr int KindNoPopup = 3;
} // namespace report

// The log window's text box, as seen from the logic.
class LogSink {
public:
  virtual ~LogSink() = default;
  // Appends text as it is (start-up writes "Check DAQ Connection..." and later "OK\n").
  virtual void appendText(std::string_view text) = 0;
  // Appends the text as a new last line.
  virtual void appendLine(std::string_view line) = 0;
};

class Reporter {
public:
  Reporter(ErrorLog& errorLog, Ui& ui) : errorLog_(errorLog), ui_(ui) {}

  // flags: report::Popup and/or report::LogLine; kind report::KindNoPopup suppresses the popup.
  // Returns code unchanged.
  int reportMessage(int flags, int kind, OptText title, OptText message, int code);
  // Records an error in the log file without telling the user; returns code.
  int reportError(int code, int detail, std::string_view title = {},
                  std::string_view message = {}) {
    return errorLog_.reportError(code, detail, title, message);
  }

  // The log window's text box, once it exists; nullptr before.
  void setLogTarget(LogSink* sink) { log_ = sink; }
  LogSink* logTarget() const { return log_; }
  void appendLogText(std::string_view text) {
    if (log_)
      log_->appendText(text);
  }

  ErrorLog& errorLog() { return errorLog_; }
  Ui& ui() { return ui_; }

private:
  ErrorLog& errorLog_;
  Ui& ui_;
  LogSink* log_ = nullptr;
};

} // namespace zv
