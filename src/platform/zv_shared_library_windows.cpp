#include <filesystem>

#include "platform/zv_shared_library.hpp"
#include "platform/zv_windows_api.hpp"

namespace zv {

void* openSharedLibrary(const std::string& name, std::string& why) {
  // The name as a wide-character path, converted as every other path of the program.
  const std::filesystem::path path(name);
  // A library given by its path finds the libraries it needs beside itself; a bare name is
  // searched for as Windows does (the program's folder, the system folders, PATH).
  const DWORD flags = path.has_parent_path() ? LOAD_WITH_ALTERED_SEARCH_PATH : 0;
  // No message box about a missing library or drive: failing is reported to the caller.
  DWORD previousMode = 0;
  ::SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &previousMode);
  HMODULE h = ::LoadLibraryExW(path.c_str(), nullptr, flags);
  const DWORD code = ::GetLastError();
  ::SetThreadErrorMode(previousMode, nullptr);
  if (!h)
    why = "cannot load " + name + ": " + std::system_category().message(static_cast<int>(code)) +
          " (error " + std::to_string(code) + ")";
  return reinterpret_cast<void*>(h);
}

void closeSharedLibrary(void* library) {
  ::FreeLibrary(reinterpret_cast<HMODULE>(library));
}

void* sharedLibrarySymbol(void* library, const char* name) {
  return reinterpret_cast<void*>(::GetProcAddress(reinterpret_cast<HMODULE>(library), name));
}

} // namespace zv
