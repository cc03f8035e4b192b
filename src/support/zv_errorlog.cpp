#include "support/zv_errorlog.hpp"

#include <cstdio>
#include <ctime>
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
  name_ = path.filename().string();
  pathNamesFile_ = true;
}

void ErrorLog::setName(const std::string& name) {
  if (!pathNamesFile_ && !name.empty())
    name_ = name;
}

std::filesystem::path ErrorLog::path() const {
  return directory_ / name_;
}

std::string ErrorLog::formatRecord(std::time_t when, int code, int detail, std::string_view title,
                                   std::string_view message) {
  std::tm tm{};
  localtime_r(&when, &tm);
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
  if (std::FILE* f = std::fopen(path().c_str(), "ab")) {
    std::fwrite(line.data(), 1, line.size(), f);
    std::fclose(f);
  }
  return code;
}

} // namespace zv
