#pragma once
// <windows.h> for the Windows implementations in this folder (files ending in _windows.cpp),
// without the min/max macros, and Windows error codes as std::error_code.
#if !defined(_WIN32)
#error "zv_windows_api.hpp is for the Windows implementations only"
#endif

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <system_error>

namespace zv {

// A Windows error code in the generic (errno) category where it has an errno counterpart
// (ERROR_ACCESS_DENIED is permission_denied, ERROR_DISK_FULL no_space_on_device, ...), so
// callers compare against std::errc alike on every system; otherwise as the system's own code,
// whose message() is Windows' text.
inline std::error_code windowsError(DWORD code) {
  const std::error_condition condition =
      std::system_category().default_error_condition(static_cast<int>(code));
  if (condition.category() == std::generic_category())
    return {condition.value(), std::generic_category()};
  return {static_cast<int>(code), std::system_category()};
}

inline std::error_code lastWindowsError() {
  return windowsError(::GetLastError());
}

} // namespace zv
