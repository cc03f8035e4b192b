#pragma once
// Display settings of the configuration: colours, fonts and number formats the program keeps
// and writes back, the placements of the three data windows, and the number formats of the
// clipboard exports. Also the placement arithmetic that turns a stored placement (fractions
// of the screen) into pixels and back.
#include <string>

#include "core/zv_calculate.hpp"
#include "storage/zv_ini.hpp"

namespace zv {

// A window's place as fractions of the screen: left and width of its width, top and height
// of its height.
struct WindowPlacement {
  double left = 0.2;
  double top = 0.2;
  double width = 0.5;
  double height = 0.5;
  friend bool operator==(const WindowPlacement&, const WindowPlacement&) = default;
};

struct DisplaySettings {
  // A colour is 65536 * red + 256 * green + blue.
  int backgroundColor = 12632256; // grey
  int frameType = 3;
  int indicatorTextBackground = 12632256;
  int inputTextBackground = 16777215; // white
  int indicatorTextColor = 0;
  int inputTextColor = 0;
  int fontSize = 12;
  std::string fontName = "NIDialogMetaFont"; // never stored in the file
  int numberFormat = 65520;
  int decimalPlaces = 3;
  WindowPlacement measWindow;    // "WindowMeas"
  WindowPlacement orderWindow;   // "WindowAuftr"
  WindowPlacement storageWindow; // "WindowLager"
  friend bool operator==(const DisplaySettings&, const DisplaySettings&) = default;
};

// Number formats of the clipboard exports and the report.
struct ClipboardSettings {
  int OptKomma = 1;     // decimal comma option
  int TablePrec = 2;    // decimals
  int NumberWidth = 4;  // width of integer fields
  int ResultWidth = 12; // width of floating-point fields
  friend bool operator==(const ClipboardSettings&, const ClipboardSettings&) = default;
};

// The number format of the exports: the clipboard settings kept within sensible bounds (a
// damaged value must not make texts unreadable or megabytes wide) and the given separator.
ExportFormat exportFormatOf(const ClipboardSettings& clipboard, char decimalSeparator);

// Reads a run of integer keys where a key that does not convert stops the keys after it.
// A key that is missing is skipped and leaves the run as it was.
class IniIntChain {
public:
  explicit IniIntChain(IniDocument* doc) : doc_(doc) {}
  // Reads the key only while the chain holds.
  void chained(std::string_view section, std::string_view key, int& target);
  // Reads the key whatever happened before; its conversion decides how the chain goes on.
  void always(std::string_view section, std::string_view key, int& target);
  // Whether the most recent conversion worked (true before the first one).
  bool ok() const { return ok_; }

private:
  IniDocument* doc_;
  bool ok_ = true;
};

// "Display" and "Clipboard" (one chain over their 13 integers), then the three window
// sections, whose doubles are read each on its own.
void readDisplaySections(IniDocument* doc, DisplaySettings& display, ClipboardSettings& clip);
// Replaces "Display" and puts its keys; the window and clipboard keys are put in place, so
// those sections keep their position when they exist.
void writeDisplaySections(IniDocument* doc, const DisplaySettings& display,
                          const ClipboardSettings& clip);

// Pixels of a window's client area.
struct PixelRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

// Where a placement puts a window on a screen of width x height pixels: left + 5 and top + 36
// for the frame, then clamped (left 0..500, top 10..500, width 10..800, height 10..600).
// Values that are not finite numbers end at the nearer bound instead of overflowing.
PixelRect applyWindowPlacement(const WindowPlacement& placement, int screenWidth, int screenHeight);
// The placement of a window at `rect` with a title bar `titleBar` pixels high. A screen
// without size leaves the placement unchanged (false).
bool storeWindowPlacement(const PixelRect& rect, int titleBar, int screenWidth, int screenHeight,
                          WindowPlacement& placement);

} // namespace zv
