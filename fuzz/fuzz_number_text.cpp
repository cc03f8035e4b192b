// The number reader against glibc's strtod in the "C" locale: for any bytes both give the same
// double bit for bit (NaN payloads and signs included), stop at the same character and agree
// on the range error. The reader sees the whole input; strtod stops at a zero byte, where the
// reader stops too, as no number goes on past one.
#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include <locale.h>

#include "platform/zv_number_text.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  const std::string text(reinterpret_cast<const char*>(data), size);
  const zv::NumberRead ours = zv::readNumber(text);
  char* end = nullptr;
  errno = 0;
  const double theirs = strtod_l(text.c_str(), &end, c);
  const bool range = errno == ERANGE;
  const auto used = static_cast<std::size_t>(end - text.c_str());
  if (std::bit_cast<std::uint64_t>(ours.value) != std::bit_cast<std::uint64_t>(theirs) ||
      ours.used != used || ours.outOfRange != range) {
    std::fprintf(stderr, "readNumber %a, %zu chars, range %d; strtod %a, %zu chars, range %d\n",
                 ours.value, ours.used, ours.outOfRange, theirs, used, range);
    std::abort();
  }
  return 0;
}
