#pragma once
// What tests ask of the operating system beyond standard C++, on POSIX systems and on Windows.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#if defined(_WIN32)
#include <stdlib.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace zv::test {

inline std::optional<std::string> getEnv(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::optional<std::string>(value) : std::nullopt;
}

inline void setEnv(const char* name, const std::string& value) {
#if defined(_WIN32)
  _putenv_s(name, value.c_str());
#else
  ::setenv(name, value.c_str(), 1);
#endif
}

inline void unsetEnv(const char* name) {
#if defined(_WIN32)
  _putenv_s(name, ""); // an empty value removes the variable
#else
  ::unsetenv(name);
#endif
}

// Whether this process writes into files whose permissions forbid it: root does on POSIX
// systems. Windows honours the read-only attribute, but Wine keeps it as Unix mode bits,
// which root under Wine writes through, so there a read-only file is tried.
inline bool writesThroughPermissions() {
#if defined(_WIN32)
  namespace fs = std::filesystem;
  const fs::path probe = fs::temp_directory_path() / "zv-read-only-probe";
  std::ofstream(probe) << "x";
  fs::permissions(probe, fs::perms::owner_read);
  const bool writes = std::ofstream(probe, std::ios::app).is_open();
  std::error_code ec;
  fs::permissions(probe, fs::perms::owner_all, ec);
  fs::remove(probe, ec);
  return writes;
#else
  return ::geteuid() == 0;
#endif
}

// A named pipe (FIFO); false where the system has none (Windows).
inline bool makeFifo(const std::filesystem::path& path) {
#if defined(_WIN32)
  (void)path;
  return false;
#else
  return ::mkfifo(path.c_str(), 0600) == 0;
#endif
}

// A path that names a device, not a file.
inline std::filesystem::path deviceIn(const std::filesystem::path& directory) {
#if defined(_WIN32)
  return directory / "NUL"; // a device name in every folder
#else
  (void)directory;
  return "/dev/null";
#endif
}

} // namespace zv::test
