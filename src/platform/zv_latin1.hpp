#pragma once
// Text in memory and in files is Latin-1. Source files are UTF-8, so fixed texts with
// umlauts are written as "Fläche"_l1, which the compiler turns into Latin-1 bytes
// (a character outside Latin-1 is a compile error).
#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace zv {

namespace detail {
template <std::size_t N> struct Utf8Literal {
  char bytes[N]{};
  constexpr Utf8Literal(const char (&s)[N]) {
    for (std::size_t i = 0; i < N; ++i)
      bytes[i] = s[i];
  }
};

template <std::size_t N> consteval std::array<char, N> toLatin1(const char (&in)[N]) {
  std::array<char, N> out{};
  std::size_t o = 0;
  for (std::size_t i = 0; i < N; ++i) {
    auto c = static_cast<unsigned char>(in[i]);
    if (c < 0x80) {
      out[o++] = static_cast<char>(c);
    } else if ((c == 0xC2 || c == 0xC3) && i + 1 < N) {
      auto next = static_cast<unsigned char>(in[++i]);
      out[o++] = static_cast<char>(((c & 0x03) << 6) | (next & 0x3F));
    } else {
      throw "character outside Latin-1";
    }
  }
  return out;
}

template <Utf8Literal S> struct Latin1Storage {
  static constexpr std::array<char, sizeof(S.bytes)> value = toLatin1(S.bytes);
};
} // namespace detail

template <detail::Utf8Literal S> constexpr const char* operator""_l1() {
  return detail::Latin1Storage<S>::value.data();
}

// Run-time conversions for the edges (JSON output, the windows).
std::string latin1ToUtf8(std::string_view latin1);
// nullopt when the text holds a character Latin-1 cannot hold, or is not valid UTF-8.
std::optional<std::string> utf8ToLatin1(std::string_view utf8);

// A path (the file system's bytes: UTF-8 on Linux, as std::filesystem gives them) as Latin-1
// text for messages: characters Latin-1 cannot hold become "?"; bytes that are no UTF-8 are
// taken as Latin-1. Windows that show a path whole convert it with the file system's codec.
std::string pathText(std::string_view fileSystemBytes);

// Copies text into a fixed field of `fieldSize` bytes: at most fieldSize - 1 bytes are kept,
// and the text ends at its first NUL.
std::string cutToField(std::string_view text, std::size_t fieldSize);

} // namespace zv
