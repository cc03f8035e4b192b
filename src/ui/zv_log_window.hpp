#pragma once
// The log window: the program's main window, a read-only list of report lines.
#include <QTimer>

#include "support/zv_message.hpp"
#include "ui/zv_main_window.hpp"

class QPlainTextEdit;

namespace zv {

class LogWindow final : public MainWindowBase, public LogSink {
  Q_OBJECT
public:
  explicit LogWindow(QWidget* parent = nullptr);

  void appendText(std::string_view text) override;
  void appendLine(std::string_view line) override;
  QString text() const;
  QPlainTextEdit* textBox() const { return text_; }
  QTimer& mainTimer() { return timer_; }

private:
  QPlainTextEdit* text_;
  QTimer timer_; // TIMER_MAIN: the periodic backup
};

} // namespace zv
