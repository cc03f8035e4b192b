#pragma once
// What the four main windows share: the menu bar, the window title and the close box that
// asks for the end of the program.
#include <QMainWindow>

#include "platform/zv_refresh.hpp"
#include "ui/zv_menubar.hpp"

namespace zv {

class MainWindowBase : public QMainWindow {
  Q_OBJECT
public:
  MainWindowBase(WindowId id, QWidget* parent = nullptr);
  WindowId windowId() const { return id_; }
  MenuBar* menu() const { return menu_; }
  // Rebuilds labels after a language switch.
  virtual void retranslate() {}

signals:
  void exitRequested();

protected:
  void closeEvent(QCloseEvent* event) override;

private:
  WindowId id_;
  MenuBar* menu_;
};

} // namespace zv
