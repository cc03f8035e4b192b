#pragma once
// What tests ask of the operating system beyond standard C++, on POSIX systems and on Windows.
#include <cstdlib>
#include <string>

#if defined(_WIN32)
#include <stdlib.h>
#endif

namespace zv::test {

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

} // namespace zv::test
