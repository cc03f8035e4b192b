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

  // Refresh requests are collected and run while the window is visible (or when forced).
  void requestRefresh(std::uint32_t bits);
  std::uint32_t pendingRefresh() const { return pending_; }
  // The next time the window shows, it grows until its content fits (within the screen).
  void fitContentsOnNextShow() { fitPending_ = true; }

signals:
  void exitRequested();

protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  // Runs the collected bits; windows with content override it.
  virtual void applyRefresh(std::uint32_t) {}

private:
  WindowId id_;
  MenuBar* menu_;
  std::uint32_t pending_ = 0;
  bool fitPending_ = false;
};

} // namespace zv
