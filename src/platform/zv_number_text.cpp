// Number texts: glibc's strtod rules on top of from_chars, which rounds correctly on every
// system; this file adds what from_chars leaves to the caller (white space, '+', "0x",
// infinities and NaN payloads) and the range error glibc reports.
#include "platform/zv_number_text.hpp"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstdint>
#include <limits>
#include <system_error>
#include <vector>

namespace zv {

namespace {

constexpr std::uint64_t SignBit = std::uint64_t{1} << 63;
constexpr std::uint64_t QuietNan = 0x7FF8000000000000;
constexpr std::uint64_t NanPayload = 0x0007FFFFFFFFFFFF;
constexpr long long ExponentCap = 1'000'000'000'000'000; // far beyond any double

char lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c | 0x20) : c;
}

bool isSpace(char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

// 0-9, then a-z (any case) as 10-35; anything else is no digit at all.
int digitValue(char c) {
  if (isDigit(c))
    return c - '0';
  const char l = lower(c);
  return l >= 'a' && l <= 'z' ? l - 'a' + 10 : 99;
}

bool isHexDigit(char c) {
  return digitValue(c) < 16;
}

bool startsFolded(std::string_view text, std::size_t at, std::string_view word) {
  if (text.size() - at < word.size())
    return false;
  for (std::size_t i = 0; i < word.size(); ++i)
    if (lower(text[at + i]) != word[i])
      return false;
  return true;
}

double withSign(std::uint64_t bits, bool negative) {
  return std::bit_cast<double>(negative ? bits | SignBit : bits);
}

double withSign(double value, bool negative) {
  return withSign(std::bit_cast<std::uint64_t>(value), negative);
}

// The NaN payload glibc takes from "nan(chars)": the chars read as strtoull(chars, 0) does
// (decimal, 0 octal, 0x hexadecimal, saturating), used only when that reads them all. Its
// range error stays even when the payload is not used.
struct Payload {
  std::uint64_t bits = 0;
  bool whole = false;
  bool saturated = false;
};

Payload nanPayload(std::string_view chars) {
  int base = 10;
  std::size_t i = 0;
  if (chars.size() > 2 && chars[0] == '0' && lower(chars[1]) == 'x' && isHexDigit(chars[2])) {
    base = 16;
    i = 2;
  } else if (!chars.empty() && chars[0] == '0') {
    base = 8;
  }
  Payload p;
  for (; i < chars.size(); ++i) {
    const int d = digitValue(chars[i]);
    if (d >= base)
      break;
    const auto b = static_cast<std::uint64_t>(base);
    if (p.bits > (std::numeric_limits<std::uint64_t>::max() - static_cast<std::uint64_t>(d)) / b)
      p.saturated = true;
    p.bits = p.bits * b + static_cast<std::uint64_t>(d);
  }
  if (p.saturated)
    p.bits = std::numeric_limits<std::uint64_t>::max();
  p.whole = i == chars.size();
  return p;
}

NumberRead readNan(std::string_view text, std::size_t at, bool negative) {
  std::size_t end = at + 3;
  std::uint64_t bits = QuietNan;
  bool saturated = false;
  if (end < text.size() && text[end] == '(') {
    std::size_t close = end + 1;
    while (close < text.size() && (digitValue(text[close]) < 36 || text[close] == '_'))
      ++close;
    if (close < text.size() && text[close] == ')') {
      const Payload payload = nanPayload(text.substr(end + 1, close - end - 1));
      if (payload.whole)
        bits |= payload.bits & NanPayload;
      saturated = payload.saturated;
      end = close + 1;
    }
  }
  return {withSign(bits, negative), end, saturated};
}

// The digits of a number text without leading and trailing zeros (most significant first) and
// the exponent that places them: the value is digits * 10^exponent, or for a hexadecimal
// text digits * 2^exponent.
struct Significand {
  std::vector<std::uint8_t> digits;
  long long exponent = 0;
};

Significand significandOf(std::string_view body, bool hex) {
  Significand s;
  const char marker = hex ? 'p' : 'e';
  const long long digitWeight = hex ? 4 : 1;
  bool point = false;
  std::size_t i = 0;
  for (; i < body.size() && lower(body[i]) != marker; ++i) {
    if (body[i] == '.') {
      point = true;
      continue;
    }
    if (point)
      s.exponent -= digitWeight;
    const int d = digitValue(body[i]);
    if (d != 0 || !s.digits.empty())
      s.digits.push_back(static_cast<std::uint8_t>(d));
  }
  if (i < body.size()) { // from_chars took the exponent, so it has digits
    const bool negative = body[++i] == '-';
    if (body[i] == '-' || body[i] == '+')
      ++i;
    long long e = 0;
    for (; i < body.size(); ++i)
      e = std::min(e * 10 + (body[i] - '0'), ExponentCap);
    s.exponent += negative ? -e : e;
  }
  while (!s.digits.empty() && s.digits.back() == 0) {
    s.digits.pop_back();
    s.exponent += digitWeight;
  }
  return s;
}

// Whether a result from_chars calls out of range is too large (else it is too small).
bool overflows(const Significand& s, bool hex) {
  const auto n = static_cast<long long>(s.digits.size());
  return hex ? 4 * n + s.exponent >= 0 : n - 1 + s.exponent >= 0;
}

__extension__ typedef unsigned __int128 Wide; // GCC and Clang on 64-bit systems

// |x| * 2^1129 for a number below DBL_MIN: the integer part (below 2^107) and whether a
// fraction is left. In these units the subnormal step 2^-1074 is 2^55.
struct Scaled {
  Wide integer = 0;
  bool fraction = false;
};

constexpr int ScaleBits = 1129;
constexpr int MaxScaledDigits = 33; // 10^33 > 2^107

Scaled scaledHex(const Significand& s) {
  const long long k = ScaleBits + s.exponent; // |x| * 2^1129 = digits * 2^k
  const long long bits = 4 * static_cast<long long>(s.digits.size());
  Scaled z;
  for (long long i = 0; i < bits; ++i) { // bit i of the digits, from the least significant
    const auto digit = s.digits[s.digits.size() - 1 - static_cast<std::size_t>(i / 4)];
    if (!((digit >> (i % 4)) & 1))
      continue;
    if (i + k < 0)
      z.fraction = true;
    else if (i + k < 128)
      z.integer |= Wide{1} << (i + k);
  }
  return z;
}

Scaled scaledDecimal(const Significand& s) {
  Scaled z;
  const auto fraction = static_cast<std::size_t>(-s.exponent);     // the number is below 1
  std::vector<std::uint8_t> x(s.digits.rbegin(), s.digits.rend()); // least significant first
  x.resize(std::max(x.size(), fraction), 0);
  for (int left = ScaleBits; left > 0;) {
    const int step = std::min(left, 28);
    std::uint64_t carry = 0;
    for (std::uint8_t& d : x) {
      const std::uint64_t v = (std::uint64_t{d} << step) + carry;
      d = static_cast<std::uint8_t>(v % 10);
      carry = v / 10;
    }
    for (; carry; carry /= 10)
      x.push_back(static_cast<std::uint8_t>(carry % 10));
    left -= step;
  }
  z.fraction = std::any_of(x.begin(), x.begin() + static_cast<std::ptrdiff_t>(fraction),
                           [](std::uint8_t d) { return d != 0; });
  for (std::size_t i = std::min(x.size(), fraction + MaxScaledDigits); i > fraction; --i)
    z.integer = z.integer * 10 + x[i - 1];
  return z;
}

int bitWidth(Wide w) {
  const auto high = static_cast<std::uint64_t>(w >> 64);
  return high ? 64 + std::bit_width(high) : std::bit_width(static_cast<std::uint64_t>(w));
}

// Rounds to nearest, ties to even, dropping `bits` low bits.
Wide rounded(Wide w, int bits, bool sticky) {
  const Wide q = w >> bits;
  const bool guard = (w >> (bits - 1)) & 1;
  sticky = sticky || (w & ((Wide{1} << (bits - 1)) - 1)) != 0;
  return q + (guard && (sticky || (q & 1)));
}

// A number below DBL_MIN as glibc gives it. glibc leaves out one bit there, the first one
// below full precision (the 54th): it counts neither for the rounding to the subnormal's
// fewer bits nor for whether bits were lost. Whether the number is tiny (below DBL_MIN even
// after rounding to full precision, which makes the loss a range error) counts it.
NumberRead subnormalAsGlibc(const Scaled& z, NumberRead r) {
  const int exponent = bitWidth(z.integer) - 1 - ScaleBits; // x is 1.f * 2^exponent
  if (z.integer == 0 || exponent < -1075) {
    r.value = 0.0;
    r.outOfRange = true;
    return r;
  }
  if (exponent >= -1022) // DBL_MIN itself or just above it
    return r;
  const Wide kept = z.integer & ~(Wide{1} << (exponent + 1076));
  const auto bits = static_cast<std::uint64_t>(rounded(kept, 55, z.fraction));
  const bool inexact = z.fraction || (kept & ((Wide{1} << 55) - 1)) != 0;
  const bool tiny = exponent < -1023 || rounded(z.integer, 54, z.fraction) < (Wide{1} << 53);
  r.value = std::bit_cast<double>(bits);
  r.outOfRange = tiny && inexact;
  return r;
}

// The end of the number that starts at `at`: digits with at most one point, then an exponent
// if its marker is followed by digits (with an optional sign).
std::size_t numberEnd(std::string_view text, std::size_t at, bool hex) {
  const auto digit = [&](std::size_t i) {
    return i < text.size() && (hex ? isHexDigit(text[i]) : isDigit(text[i]));
  };
  std::size_t i = at;
  while (digit(i))
    ++i;
  if (i < text.size() && text[i] == '.')
    for (++i; digit(i);)
      ++i;
  if (i >= text.size() || lower(text[i]) != (hex ? 'p' : 'e'))
    return i;
  std::size_t e = i + 1;
  if (e < text.size() && (text[e] == '+' || text[e] == '-'))
    ++e;
  if (e >= text.size() || !isDigit(text[e]))
    return i;
  while (e < text.size() && isDigit(text[e]))
    ++e;
  return e;
}

NumberRead readDigits(std::string_view text, std::size_t at, bool negative, bool hex) {
  const char* first = text.data() + at;
  const char* last = text.data() + numberEnd(text, at, hex);
  double value = 0.0;
  const auto [ptr, ec] = std::from_chars(first, last, value,
                                         hex ? std::chars_format::hex : std::chars_format::general);
  if (ec == std::errc::invalid_argument || ptr != last)
    return {}; // cannot happen: the text was checked to be a number
  NumberRead r{value, static_cast<std::size_t>(ptr - text.data()), false};
  const bool nearSubnormal = value != 0.0 && value <= std::numeric_limits<double>::min();
  if (ec == std::errc::result_out_of_range) {
    const bool large = overflows(significandOf(std::string_view(first, ptr), hex), hex);
    r.value = large ? std::numeric_limits<double>::infinity() : 0.0;
    r.outOfRange = true;
  } else if (nearSubnormal) {
    const Significand s = significandOf(std::string_view(first, ptr), hex);
    r = subnormalAsGlibc(hex ? scaledHex(s) : scaledDecimal(s), r);
  }
  r.value = withSign(r.value, negative);
  return r;
}

} // namespace

NumberRead readNumber(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && isSpace(text[i]))
    ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-'))
    negative = text[i++] == '-';
  if (startsFolded(text, i, "inf")) {
    const std::size_t n = startsFolded(text, i, "infinity") ? 8 : 3;
    return {withSign(std::numeric_limits<double>::infinity(), negative), i + n, false};
  }
  if (startsFolded(text, i, "nan"))
    return readNan(text, i, negative);
  const auto digitAt = [&](std::size_t at, bool hex) {
    return at < text.size() && (hex ? isHexDigit(text[at]) : isDigit(text[at]));
  };
  const auto numberAt = [&](std::size_t at, bool hex) {
    return digitAt(at, hex) || (at < text.size() && text[at] == '.' && digitAt(at + 1, hex));
  };
  if (i + 1 < text.size() && text[i] == '0' && lower(text[i + 1]) == 'x') {
    if (numberAt(i + 2, true))
      return readDigits(text, i + 2, negative, true);
    return {withSign(0.0, negative), i + 1, false}; // "0x" without digits is the "0"
  }
  if (!numberAt(i, false))
    return {};
  return readDigits(text, i, negative, false);
}

} // namespace zv
