#pragma once
// Message texts with one placeholder.
#include <string>
#include <string_view>

namespace zv {

// The pattern with its first "%s" replaced by value; a pattern without one stays as it is.
inline std::string fillIn(std::string_view pattern, std::string_view value) {
  std::string text(pattern);
  if (const auto at = text.find("%s"); at != std::string::npos)
    text.replace(at, 2, value);
  return text;
}

} // namespace zv
