#include "storage/zv_display_settings.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "platform/zv_latin1.hpp"

namespace zv {

namespace {

constexpr const char* Display = "Display";
constexpr const char* Clipboard = "Clipboard";

struct WindowSection {
  const char* name;
  WindowPlacement DisplaySettings::*placement;
};
constexpr WindowSection windowSections[] = {
    {"WindowMeas", &DisplaySettings::measWindow},
    {"WindowAuftr", &DisplaySettings::orderWindow},
    {"WindowLager", &DisplaySettings::storageWindow},
};

void readDouble(IniDocument* doc, std::string_view section, std::string_view key, double& target) {
  if (Ini_ItemExists(doc, section, key) == 1)
    Ini_GetDouble(doc, section, key, &target); // a bad number still leaves its leading part
}

// Truncates toward zero and clamps; NaN ends at the lower bound.
int pixels(double value, int lo, int hi) {
  if (!(value >= lo))
    return lo;
  if (value > hi)
    return hi;
  return static_cast<int>(value);
}

} // namespace

void IniIntChain::chained(std::string_view section, std::string_view key, int& target) {
  if (ok_)
    always(section, key, target);
}

void IniIntChain::always(std::string_view section, std::string_view key, int& target) {
  if (Ini_ItemExists(doc_, section, key) != 1)
    return;
  std::int32_t value = 0;
  const int r = Ini_GetInt(doc_, section, key, &value);
  if (r == 1)
    target = value;
  ok_ = r >= 0;
}

void readDisplaySections(IniDocument* doc, DisplaySettings& d, ClipboardSettings& c) {
  IniIntChain chain(doc);
  chain.chained(Display, "Hintergrundfarbe", d.backgroundColor);
  chain.chained(Display, "Rahmentyp", d.frameType);
  chain.chained(Display, "Texthintergrund Anzeige", d.indicatorTextBackground);
  chain.chained(Display, "Texthintergrund Eingabe", d.inputTextBackground);
  chain.chained(Display, "Schriftfarbe Anzeige", d.indicatorTextColor);
  chain.chained(Display, "Schriftfarbe Eingabe", d.inputTextColor);
  chain.chained(Display, "Schriftgröße"_l1, d.fontSize);
  chain.chained(Display, "Kommaformat", d.numberFormat);
  chain.chained(Display, "Kommastellen", d.decimalPlaces);
  chain.chained(Clipboard, "Kommaoption", c.OptKomma);
  chain.chained(Clipboard, "Kommastellen", c.TablePrec);
  chain.chained(Clipboard, "NumerischeZahl", c.NumberWidth);
  chain.chained(Clipboard, "FloatZahl", c.ResultWidth);
  for (const WindowSection& w : windowSections) {
    WindowPlacement& p = d.*(w.placement);
    readDouble(doc, w.name, "Left", p.left);
    readDouble(doc, w.name, "Top", p.top);
    readDouble(doc, w.name, "Width", p.width);
    readDouble(doc, w.name, "Height", p.height);
  }
}

void writeDisplaySections(IniDocument* doc, const DisplaySettings& d, const ClipboardSettings& c) {
  Ini_RemoveSection(doc, Display);
  Ini_PutInt(doc, Display, "Hintergrundfarbe", d.backgroundColor);
  Ini_PutInt(doc, Display, "Rahmentyp", d.frameType);
  Ini_PutInt(doc, Display, "Texthintergrund Anzeige", d.indicatorTextBackground);
  Ini_PutInt(doc, Display, "Texthintergrund Eingabe", d.inputTextBackground);
  Ini_PutInt(doc, Display, "Schriftfarbe Anzeige", d.indicatorTextColor);
  Ini_PutInt(doc, Display, "Schriftfarbe Eingabe", d.inputTextColor);
  Ini_PutInt(doc, Display, "Schriftgröße"_l1, d.fontSize);
  Ini_PutInt(doc, Display, "Kommaformat", d.numberFormat);
  Ini_PutInt(doc, Display, "Kommastellen", d.decimalPlaces);
  for (const WindowSection& w : windowSections) {
    const WindowPlacement& p = d.*(w.placement);
    Ini_PutDouble(doc, w.name, "Left", p.left);
    Ini_PutDouble(doc, w.name, "Top", p.top);
    Ini_PutDouble(doc, w.name, "Width", p.width);
    Ini_PutDouble(doc, w.name, "Height", p.height);
  }
  Ini_PutInt(doc, Clipboard, "Kommaoption", c.OptKomma);
  Ini_PutInt(doc, Clipboard, "Kommastellen", c.TablePrec);
  Ini_PutInt(doc, Clipboard, "NumerischeZahl", c.NumberWidth);
  Ini_PutInt(doc, Clipboard, "FloatZahl", c.ResultWidth);
}

ExportFormat exportFormatOf(const ClipboardSettings& c, char decimalSeparator) {
  return {std::clamp(c.TablePrec, 0, 10), std::clamp(c.ResultWidth, 0, 255),
          std::clamp(c.NumberWidth, 0, 255), decimalSeparator};
}

PixelRect applyWindowPlacement(const WindowPlacement& p, int screenWidth, int screenHeight) {
  const double w = screenWidth;
  const double h = screenHeight;
  PixelRect r;
  r.left = pixels(std::trunc(w * p.left) + 5, 0, 500);
  r.top = pixels(std::trunc(h * p.top) + 36, 10, 500);
  r.height = pixels(std::trunc(h * p.height), 10, 600);
  r.width = pixels(std::trunc(w * p.width), 10, 800);
  return r;
}

bool storeWindowPlacement(const PixelRect& rect, int titleBar, int screenWidth, int screenHeight,
                          WindowPlacement& p) {
  if (screenWidth <= 0 || screenHeight <= 0)
    return false;
  const double w = screenWidth;
  const double h = screenHeight;
  const double left = static_cast<double>(rect.left) - 5;
  const double top = static_cast<double>(rect.top) - (static_cast<double>(titleBar) + 15);
  p.left = (left > 0 ? left : 0) / w;
  p.top = (top > 0 ? top : 0) / h;
  p.height = rect.height / h;
  p.width = rect.width / w;
  return true;
}

} // namespace zv
