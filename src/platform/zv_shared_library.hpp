#pragma once
// Loading a shared library at run time and looking up its functions by name: dlopen on POSIX
// systems (zv_shared_library_posix.cpp), LoadLibraryExW on Windows (_windows.cpp).
#include <string>

namespace zv {

// Opens the library (a path, or a bare name the system searches for); nullptr when it cannot,
// with why set to the system's reason.
void* openSharedLibrary(const std::string& name, std::string& why);
void closeSharedLibrary(void* library);
// The address of an exported function or variable; nullptr when the library has none.
void* sharedLibrarySymbol(void* library, const char* name);

} // namespace zv
