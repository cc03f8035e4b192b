#include "ui/zv_log_window.hpp"

#include <QPlainTextEdit>
#include <QTextCursor>

#include "ui/zv_qt_ports.hpp"

namespace zv {

LogWindow::LogWindow(QWidget* parent) : MainWindowBase(WindowId::Log, parent) {
  text_ = new QPlainTextEdit(this);
  text_->setReadOnly(true);
  text_->setObjectName("TEXTBOX");
  setCentralWidget(text_);
  setMinimumSize(100, 100);
  resize(640, 400);
  timer_.setInterval(30'000);
}

void LogWindow::appendText(std::string_view text) {
  QTextCursor end(text_->document());
  end.movePosition(QTextCursor::End);
  end.insertText(fromLatin1(std::string(text)));
  text_->ensureCursorVisible();
}

void LogWindow::appendLine(std::string_view line) {
  QString current = text_->toPlainText();
  std::string l(line);
  if (!current.isEmpty() && !current.endsWith('\n'))
    l.insert(l.begin(), '\n');
  appendText(l + "\n");
}

QString LogWindow::text() const {
  return text_->toPlainText();
}

} // namespace zv
