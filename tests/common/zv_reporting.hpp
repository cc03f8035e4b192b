#pragma once
// What reports go through in a test: a scripted Ui for popups and questions, the log window's
// lines, and the error log file in a fresh directory, with a language to pick texts.
#include <string>

#include "common/zv_fake_ui.hpp"
#include "common/zv_fakes.hpp"
#include "common/zv_testdir.hpp"
#include "support/zv_errorlog.hpp"
#include "support/zv_message.hpp"
#include "support/zv_texts.hpp"

namespace zv::test {

struct Reporting {
  TestDir dir;
  FakeClock clock;
  ErrorLog errorLog;
  ScriptedUi ui;
  RecordingLog log;
  Reporter reporter{errorLog, ui};
  Language lang;

  // The error log is written to `logFolder` inside the directory.
  explicit Reporting(const std::string& logFolder = "")
      : errorLog(clock, logFolder.empty() ? dir.path() : dir.path() / logFolder) {
    reporter.setLogTarget(&log);
  }

  bool logged(const std::string& part) const { return log.text.find(part) != std::string::npos; }
  // The error log file, for checking which codes were recorded.
  std::string errorLogText() const { return TestDir::readFile(errorLog.path()); }
  bool recorded(int code) const {
    return errorLogText().find("\t" + std::to_string(code) + "\t") != std::string::npos;
  }
  // What the user saw since `from`, one line each: "kind title|text|button,button"; a file
  // dialog as "save title|default name|filter|start directory" (or "open ...").
  std::string transcript(std::size_t from = 0) const {
    std::string out;
    std::size_t file = 0;
    for (std::size_t i = 0; i < ui.shown.size(); ++i) {
      const Shown& s = ui.shown[i];
      const bool isFile = s.kind == "file";
      const FileDialogSpec* d = isFile ? &ui.fileDialogs.at(file++) : nullptr;
      if (i < from)
        continue;
      if (d) {
        out += std::string(d->mode == FileDialogSpec::Mode::Save ? "save " : "open ") + d->title +
               "|" + d->defaultName + "|" + d->filter + "|" + d->startDirectory.string() + "\n";
        continue;
      }
      out += s.kind + " " + s.title + "|" + s.text;
      for (std::size_t b = 0; b < s.buttons.size(); ++b)
        out += (b ? "," : "|") + s.buttons[b];
      out += "\n";
    }
    return out;
  }
};

} // namespace zv::test
