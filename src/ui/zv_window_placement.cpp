#include "ui/zv_window_placement.hpp"

#include <QGuiApplication>
#include <QScreen>

namespace zv {

namespace {
QSize screenSize(const QWidget* window) {
  const QScreen* screen = window->screen();
  if (!screen)
    screen = QGuiApplication::primaryScreen();
  return screen ? screen->geometry().size() : QSize();
}
} // namespace

void applyWindowPlacement(QWidget* window, const WindowPlacement& placement) {
  if (!window)
    return;
  const QSize screen = screenSize(window);
  if (screen.isEmpty())
    return;
  const PixelRect r = applyWindowPlacement(placement, screen.width(), screen.height());
  window->setGeometry(r.left, r.top, r.width, r.height);
}

void growToContents(QWidget* window) {
  const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
  if (!screen)
    return;
  const QSize room = screen->availableGeometry().size() * 0.9;
  const QSize wanted = window->size().expandedTo(window->sizeHint()).boundedTo(room);
  if (wanted != window->size())
    window->resize(wanted);
}

void storeWindowPlacement(const QWidget* window, WindowPlacement& placement) {
  if (!window)
    return;
  const QSize screen = screenSize(window);
  const QRect client = window->geometry();
  // The title bar: how far the client area starts below the frame (0 before it is shown).
  const int titleBar = client.y() - window->frameGeometry().y();
  storeWindowPlacement(PixelRect{client.x(), client.y(), client.width(), client.height()}, titleBar,
                       screen.width(), screen.height(), placement);
}

} // namespace zv
