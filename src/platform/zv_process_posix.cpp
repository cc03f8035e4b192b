#include "platform/zv_process.hpp"

#include <cstdlib>

namespace zv {

std::filesystem::path runningExecutable() {
  std::error_code ec;
  auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::filesystem::path() : self;
}

std::vector<std::string> commandLineArguments(int argc, char** argv) {
  return std::vector<std::string>(argv, argv + argc);
}

namespace {

std::filesystem::path variable(const char* name) {
  const char* value = std::getenv(name);
  return value && *value ? value : "";
}

} // namespace

std::filesystem::path userHomeFolder() {
  return variable("HOME");
}

std::filesystem::path userSettingsFolder() {
  if (auto chosen = variable("XDG_CONFIG_HOME"); !chosen.empty())
    return chosen;
  const std::filesystem::path home = userHomeFolder();
  return home.empty() ? ".config" : home / ".config";
}

} // namespace zv
