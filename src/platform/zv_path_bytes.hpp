#pragma once
// A path kept in a std::string (a file name in the journal, the data directory in the
// settings, a command-line argument) holds UTF-8 bytes: on Linux the file system's own. Windows
// paths are UTF-16, and std::filesystem with MinGW's runtime reads a plain char string in the C
// library's code page, which is never UTF-8 there, so a name like "Müller.BIN" would come back
// as another file. Every string that becomes a path, and every path kept as a string, goes
// through these two.
#include <filesystem>
#include <string>
#include <string_view>

namespace zv {

inline std::filesystem::path pathFromBytes(std::string_view utf8) {
#ifdef _WIN32
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
#else
  return std::filesystem::path(utf8);
#endif
}

inline std::string pathBytes(const std::filesystem::path& path) {
#ifdef _WIN32
  const std::u8string utf8 = path.u8string();
  return std::string(utf8.begin(), utf8.end());
#else
  return path.string();
#endif
}

} // namespace zv
