#include "core/zv_format.hpp"

#include <charconv>
#include <cmath>
#include <system_error>

namespace zv {

namespace {

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

// Largest text a double in fixed notation needs besides its decimals: sign, 309 integer
// digits and the point.
constexpr int IntegerPartSpace = 320;
constexpr int MaxPrecision = 1100; // beyond this every further digit of a double is 0

} // namespace

std::string padField(std::string_view text, int width) {
  std::string out;
  const bool left = width < 0;
  const std::size_t field = left ? static_cast<std::size_t>(-static_cast<long long>(width))
                                 : static_cast<std::size_t>(width);
  if (text.size() >= field)
    return std::string(text);
  if (left) {
    out.assign(text);
    out.append(field - text.size(), ' ');
  } else {
    out.assign(field - text.size(), ' ');
    out.append(text);
  }
  return out;
}

void appendFixed(std::string& out, double value, int width, int precision) {
  if (precision < 0)
    precision = 6;
  std::string digits;
  if (std::isnan(value)) {
    digits = std::signbit(value) ? "-nan" : "nan";
  } else if (std::isinf(value)) {
    digits = value < 0 ? "-inf" : "inf";
  } else {
    // to_chars stops producing new digits long before MaxPrecision; printf pads with zeros.
    const int used = precision > MaxPrecision ? MaxPrecision : precision;
    digits.resize(static_cast<std::size_t>(IntegerPartSpace + used));
    auto res = std::to_chars(digits.data(), digits.data() + digits.size(), value,
                             std::chars_format::fixed, used);
    digits.resize(static_cast<std::size_t>(res.ptr - digits.data()));
    if (precision > used)
      digits.append(static_cast<std::size_t>(precision - used), '0');
  }
  out += padField(digits, width);
}

void appendFixed(std::string& out, double value, int width, int precision, char decimalSeparator) {
  const std::size_t start = out.size();
  appendFixed(out, value, width, precision);
  if (decimalSeparator == '.')
    return;
  const std::size_t point = out.find('.', start);
  if (point != std::string::npos)
    out[point] = decimalSeparator;
}

std::string formatFixed(double value, int width, int precision) {
  std::string out;
  appendFixed(out, value, width, precision);
  return out;
}

void appendInt(std::string& out, long long value, int width) {
  char buf[32];
  auto res = std::to_chars(buf, buf + sizeof buf, value);
  out += padField(std::string_view(buf, static_cast<std::size_t>(res.ptr - buf)), width);
}

std::string formatInt(long long value, int width) {
  std::string out;
  appendInt(out, value, width);
  return out;
}

namespace {
// The text with each comma between two digits turned into a decimal point.
std::string withDecimalPoints(std::string_view text) {
  std::string out(text);
  for (std::size_t i = 1; i + 1 < out.size(); ++i)
    if (out[i] == ',' && isDigit(out[i - 1]) && isDigit(out[i + 1]))
      out[i] = '.';
  return out;
}
} // namespace

std::optional<double> parseTypedNumber(std::string_view text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos)
    return std::nullopt;
  text = text.substr(first, text.find_last_not_of(" \t") - first + 1);
  std::string s(text);
  if (s.find('.') == std::string::npos)
    if (const auto comma = s.find(','); comma != std::string::npos)
      s[comma] = '.';
  const char* p = s.data();
  const char* last = p + s.size();
  const bool negative = *p == '-';
  if (*p == '-' || *p == '+')
    ++p;
  if (p == last || *p == '-' || *p == '+')
    return std::nullopt;
  double value = 0.0;
  const auto res = std::from_chars(p, last, value, std::chars_format::general);
  if (res.ec != std::errc() || res.ptr != last)
    return std::nullopt;
  return negative ? -value : value;
}

std::optional<double> parseFirstNumber(std::string_view typed) {
  const std::string converted = withDecimalPoints(typed);
  const std::string_view text = converted;
  for (std::size_t i = 0; i < text.size(); ++i) {
    bool negative = false;
    std::size_t p = i;
    if (text[p] == '-' || text[p] == '+') {
      negative = text[p] == '-';
      ++p;
    }
    if (p >= text.size())
      break;
    const bool digitNext = isDigit(text[p]);
    const bool pointDigit = text[p] == '.' && p + 1 < text.size() && isDigit(text[p + 1]);
    if (!digitNext && !pointDigit)
      continue;
    double value = 0.0;
    const char* first = text.data() + p;
    const char* last = text.data() + text.size();
    auto res = std::from_chars(first, last, value, std::chars_format::general);
    if (res.ec == std::errc::result_out_of_range) {
      // from_chars reports underflow like overflow; a tiny number reads as 0, as strtod has it.
      std::string_view number(first, static_cast<std::size_t>(res.ptr - first));
      auto e = number.find_first_of("eE");
      if (e != std::string_view::npos && e + 1 < number.size() && number[e + 1] == '-')
        return negative ? -0.0 : 0.0;
      return std::nullopt;
    }
    if (res.ec != std::errc())
      continue;
    return negative ? -value : value;
  }
  return std::nullopt;
}

} // namespace zv
