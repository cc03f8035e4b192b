#include "ui/zv_main_window.hpp"

#include "ui/zv_window_placement.hpp"

#include <QCloseEvent>

namespace zv {

MainWindowBase::MainWindowBase(WindowId id, QWidget* parent)
    : QMainWindow(parent), id_(id), menu_(new MenuBar(this)) {
  setMenuBar(menu_);
}

void MainWindowBase::requestRefresh(std::uint32_t bits) {
  pending_ |= bits;
  if (!isVisible() && !(pending_ & refresh::Forced))
    return;
  const std::uint32_t run = pending_ & ~refresh::Forced;
  pending_ = 0;
  applyRefresh(run);
}

void MainWindowBase::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (pending_)
    requestRefresh(0);
  if (fitPending_) {
    fitPending_ = false;
    growToContents(this);
  }
}

void MainWindowBase::closeEvent(QCloseEvent* event) {
  // The close box never closes a main window by itself: it asks to end the program.
  event->ignore();
  emit exitRequested();
}

} // namespace zv
