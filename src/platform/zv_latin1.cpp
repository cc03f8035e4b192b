#include "platform/zv_latin1.hpp"

#include <cstdint>

namespace zv {

std::string latin1ToUtf8(std::string_view latin1) {
  std::string out;
  out.reserve(latin1.size());
  for (char ch : latin1) {
    auto c = static_cast<unsigned char>(ch);
    if (c < 0x80) {
      out.push_back(ch);
    } else {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

std::optional<std::string> utf8ToLatin1(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    auto c = static_cast<unsigned char>(utf8[i]);
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
      continue;
    }
    if ((c == 0xC2 || c == 0xC3) && i + 1 < utf8.size()) {
      auto next = static_cast<unsigned char>(utf8[i + 1]);
      if ((next & 0xC0) != 0x80)
        return std::nullopt;
      out.push_back(static_cast<char>(((c & 0x03) << 6) | (next & 0x3F)));
      ++i;
      continue;
    }
    return std::nullopt;
  }
  return out;
}

std::string pathText(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size();) {
    const auto c = static_cast<unsigned char>(bytes[i]);
    // Length and first bits of a UTF-8 sequence starting here; 0 when it is none.
    const std::size_t n = c < 0x80             ? 1
                          : (c & 0xE0) == 0xC0 ? 2
                          : (c & 0xF0) == 0xE0 ? 3
                          : (c & 0xF8) == 0xF0 ? 4
                                               : 0;
    bool valid = n > 0 && i + n <= bytes.size();
    std::uint32_t cp = n == 1 ? c : n == 2 ? (c & 0x1Fu) : n == 3 ? (c & 0x0Fu) : (c & 0x07u);
    for (std::size_t k = 1; valid && k < n; ++k) {
      const auto b = static_cast<unsigned char>(bytes[i + k]);
      valid = (b & 0xC0) == 0x80;
      cp = (cp << 6) | (b & 0x3Fu);
    }
    if (!valid) {
      out.push_back(static_cast<char>(c));
      ++i;
      continue;
    }
    out.push_back(cp <= 0xFF ? static_cast<char>(cp) : '?');
    i += n;
  }
  return out;
}

std::string cutToField(std::string_view text, std::size_t fieldSize) {
  if (fieldSize == 0)
    return {};
  auto nul = text.find('\0');
  if (nul != std::string_view::npos)
    text = text.substr(0, nul);
  return std::string(text.substr(0, fieldSize - 1));
}

} // namespace zv
