#include <cstdlib>
#include <string>

#include "platform/zv_path_bytes.hpp"
#include "platform/zv_process.hpp"
#include "platform/zv_windows_api.hpp"

#include <shellapi.h>

namespace zv {

std::filesystem::path runningExecutable() {
  std::wstring name(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = ::GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
    if (n == 0)
      return {};
    if (n < name.size()) { // otherwise cut short: try again with more room
      name.resize(n);
      return name;
    }
    name.resize(name.size() * 2);
  }
}

std::vector<std::string> commandLineArguments(int argc, char** argv) {
  int count = 0;
  LPWSTR* wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (!wide)
    return std::vector<std::string>(argv, argv + argc);
  std::vector<std::string> args;
  for (int i = 0; i < count; ++i)
    args.push_back(pathBytes(std::filesystem::path(wide[i])));
  ::LocalFree(wide);
  return args;
}

namespace {

// Wide, so a user name outside the ANSI code page comes through whole.
std::filesystem::path variable(const wchar_t* name) {
  const wchar_t* value = ::_wgetenv(name);
  return value && *value ? value : L"";
}

} // namespace

std::filesystem::path userHomeFolder() {
  return variable(L"USERPROFILE");
}

std::filesystem::path userSettingsFolder() {
  if (auto chosen = variable(L"APPDATA"); !chosen.empty())
    return chosen;
  return userHomeFolder() / "AppData" / "Roaming";
}

} // namespace zv
