#include "support/zv_errorlog.hpp"
#include "platform/zv_path_bytes.hpp"

#include <algorithm>
#include <cctype>
#include <ctime>
#include <fstream>
#include <system_error>

namespace zv {

namespace {
void appendEscaped(std::string& out, std::string_view text) {
  for (char c : text) {
    if (c == '\n')
      out += "\\n";
    else if (c == '\r')
      out += "\\r";
    else if (c == '\t')
      out += "\\t";
    else
      out.push_back(c);
  }
}
} // namespace

ErrorLog::ErrorLog(const Clock& clock, std::filesystem::path fallbackDirectory)
    : clock_(clock), directory_(std::move(fallbackDirectory)) {}

void ErrorLog::setPath(const std::filesystem::path& path) {
  std::error_code ec;
  if (!path.has_filename() || std::filesystem::is_directory(path, ec)) {
    directory_ = path;
    pathNamesFile_ = false;
    return;
  }
  directory_ = path.parent_path();
  name_ = pathBytes(path.filename());
  pathNamesFile_ = true;
}

void ErrorLog::setName(const std::string& name) {
  // The same name in other letter case names the same file on Windows; keep it one file here.
  const bool sameName =
      std::equal(name.begin(), name.end(), name_.begin(), name_.end(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) ==
               std::tolower(static_cast<unsigned char>(b));
      });
  if (!pathNamesFile_ && !name.empty() && !sameName)
    name_ = name;
}

std::filesystem::path ErrorLog::path() const {
  return directory_ / pathFromBytes(name_);
}

std::string ErrorLog::formatRecord(std::time_t when, int code, int detail, std::string_view title,
                                   std::string_view message) {
  const std::tm tm = localTime(when);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &tm);
  std::string line = stamp;
  line += '\t' + std::to_string(code) + '\t' + std::to_string(detail) + '\t';
  appendEscaped(line, title);
  line += '\t';
  appendEscaped(line, message);
  line += "\r\n";
  return line;
}

int ErrorLog::reportError(int code, int detail, std::string_view title, std::string_view message) {
  const std::string line = formatRecord(clock_.now(), code, detail, title, message);
  std::error_code ec;
  std::filesystem::create_directories(directory_, ec);
  std::ofstream out(path(), std::ios::binary | std::ios::app);
  out.write(line.data(), static_cast<std::streamsize>(line.size()));
  return code;
}

} // namespace zv
