#pragma once
// Number texts that never depend on the process locale. The fixed-point forms give exactly
// what printf's "%*.*f" and "%*d" give in the C locale (same rounding, same "inf"/"nan"),
// whatever locale the windows have switched the process to.
#include <optional>
#include <string>
#include <string_view>

namespace zv {

// printf("%*.*f", width, precision, value). A negative precision means 6, a negative width
// left-aligns in a field of -width characters, as printf does.
std::string formatFixed(double value, int width, int precision);
// printf("%.*f", precision, value).
inline std::string formatFixed(double value, int precision) {
  return formatFixed(value, 0, precision);
}
// Appends formatFixed(value, width, precision) to out.
void appendFixed(std::string& out, double value, int width, int precision);
// The same with another decimal separator than the point (a decimal comma for exports).
void appendFixed(std::string& out, double value, int width, int precision, char decimalSeparator);

// printf("%*lld", width, value).
std::string formatInt(long long value, int width = 0);
void appendInt(std::string& out, long long value, int width = 0);

// Pads text on the left with blanks to width characters (right-aligns it); a negative width
// pads on the right. Text longer than the field is kept whole.
std::string padField(std::string_view text, int width);

// The first decimal number in a text typed by the user ("approx. 12,5" reads 12.5; "-3 kN"
// reads -3; "1e3" reads 1000). A number starts at a digit, or at a sign or point that a
// digit follows; a comma between two digits is a decimal point. nullopt when the text holds
// no number or the number is too large for a double.
std::optional<double> parseFirstNumber(std::string_view text);

// A text typed into a number field: blanks around it are ignored, a decimal comma reads as a
// point ("19,6" is 19.6) and nothing else may follow the number. nullopt for anything else.
std::optional<double> parseTypedNumber(std::string_view text);

} // namespace zv
