#include "platform/zv_latin1.hpp"

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

std::string cutToField(std::string_view text, std::size_t fieldSize) {
  if (fieldSize == 0)
    return {};
  auto nul = text.find('\0');
  if (nul != std::string_view::npos)
    text = text.substr(0, nul);
  return std::string(text.substr(0, fieldSize - 1));
}

} // namespace zv
