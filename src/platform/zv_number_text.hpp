#pragma once
// Numbers in text, read the same on every system. The C libraries disagree on texts such as
// "0x1p3", "nan" or "infinity" (Windows' msvcrt reads them otherwise than glibc), so a file
// written on one system would read other values on the other; the program reads every number
// text through readNumber instead of strtod.
#include <cstddef>
#include <string_view>

namespace zv {

// A number read from the front of a text.
struct NumberRead {
  double value = 0.0;
  std::size_t used = 0;    // characters taken; 0 when the text does not start with a number
  bool outOfRange = false; // ±HUGE_VAL for a number too large, or a tiny one that lost bits
};

// Reads a number the way glibc's strtod does in the "C" locale, bit for bit, with the same end
// and the same range error (ERANGE there, outOfRange here): leading white space, a sign,
// decimal and "0x" hexadecimal numbers, "inf", "infinity", "nan" and "nan(chars)" in any case.
// The end of the view ends the text; no terminating zero is needed.
NumberRead readNumber(std::string_view text);

} // namespace zv
