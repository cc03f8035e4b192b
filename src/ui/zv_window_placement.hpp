#pragma once
// Puts a data window where the configuration says, and records where it is, in fractions of
// the screen it is on (see storage/zv_display_settings.hpp for the arithmetic).
#include <QWidget>

#include "storage/zv_display_settings.hpp"

namespace zv {

// Moves and sizes the window's client area; a null window is left alone.
void applyWindowPlacement(QWidget* window, const WindowPlacement& placement);
// Records the window's client area; a null window or a screen without size changes nothing.
void storeWindowPlacement(const QWidget* window, WindowPlacement& placement);

// Makes the window at least as large as its content asks for, but never larger than nine
// tenths of the screen's free area.
void growToContents(QWidget* window);

} // namespace zv
