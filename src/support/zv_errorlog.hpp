#pragma once
// The error log file: one line per recorded error, created on the first record.
// A line holds the time, the code, the detail, the title and the message, separated by
// tabs; line breaks and tabs inside the texts are written as \n and \t so that every
// record stays on one line.
#include <filesystem>
#include <string>
#include <string_view>

#include "platform/zv_clock.hpp"

namespace zv {

class ErrorLog {
public:
  ErrorLog(const Clock& clock, std::filesystem::path fallbackDirectory);

  // A path ending in a separator, or naming an existing directory, sets the directory only;
  // any other path sets directory and file name.
  void setPath(const std::filesystem::path& path);
  // The file name used while no path gave one.
  void setName(const std::string& name);
  std::filesystem::path path() const;

  // Appends one record and returns code. A record that cannot be written is dropped:
  // the error log never fails its caller.
  int reportError(int code, int detail, std::string_view title, std::string_view message);

  static std::string formatRecord(std::time_t when, int code, int detail, std::string_view title,
                                  std::string_view message);

private:
  const Clock& clock_;
  std::filesystem::path directory_;
  std::string name_ = "zarviklog.txt";
  bool pathNamesFile_ = false;
};

} // namespace zv
