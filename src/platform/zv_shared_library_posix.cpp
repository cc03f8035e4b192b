#include <dlfcn.h>

#include "platform/zv_shared_library.hpp"

namespace zv {

void* openSharedLibrary(const std::string& name, std::string& why) {
  void* h = ::dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!h) {
    const char* e = ::dlerror();
    why = e ? e : ("cannot load " + name);
  }
  return h;
}

void closeSharedLibrary(void* library) {
  ::dlclose(library);
}

void* sharedLibrarySymbol(void* library, const char* name) {
  return ::dlsym(library, name);
}

} // namespace zv
