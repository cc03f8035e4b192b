#include "program/zv_userdir.hpp"

#include <system_error>

namespace zv {

namespace {
bool isSeparator(char c) {
#ifdef _WIN32
  return c == '\\' || c == '/';
#else
  return c == '/';
#endif
}
} // namespace

std::string directoryPart(const std::string& path) {
  for (std::size_t i = path.size(); i > 0; --i)
    if (isSeparator(path[i - 1]))
      return path.substr(0, i);
  return {};
}

std::filesystem::path fallbackDirectory() {
#ifdef _WIN32
  return std::filesystem::path("C:\\temp\\Zarvik\\");
#else
  std::error_code ec;
  auto tmp = std::filesystem::temp_directory_path(ec);
  if (ec)
    tmp = "/tmp";
  return tmp / "Zarvik" / "";
#endif
}

std::string withTrailingSeparator(std::string dir) {
  if (dir.empty() || !isSeparator(dir.back()))
    dir.push_back(static_cast<char>(std::filesystem::path::preferred_separator));
  return dir;
}

int getUserDirectory(Registry& registry, Reporter& reporter, const char* errorText,
                     std::string& userDirectory) {
  auto value = registry.readIniFilePath();
  if (!value) {
    reporter.reportMessage(report::LogOnly, 0, "", errorText, -1);
    return -1;
  }
  userDirectory = directoryPart(value->substr(0, PathCapacity - 1));
  if (userDirectory.size() < 2)
    return -2;
  userDirectory = withTrailingSeparator(userDirectory);
  return 0;
}

} // namespace zv
