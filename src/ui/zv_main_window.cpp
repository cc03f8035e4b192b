#include "ui/zv_main_window.hpp"

#include <QCloseEvent>

namespace zv {

MainWindowBase::MainWindowBase(WindowId id, QWidget* parent)
    : QMainWindow(parent), id_(id), menu_(new MenuBar(this)) {
  setMenuBar(menu_);
}

void MainWindowBase::closeEvent(QCloseEvent* event) {
  // The close box never closes a main window by itself: it asks to end the program.
  event->ignore();
  emit exitRequested();
}

} // namespace zv
