#include "loaded_library.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <utility>

namespace support {

LoadedLibrary::LoadedLibrary(std::string libraryPath) : path(std::move(libraryPath)) {
  handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    std::fprintf(stderr, "dlopen %s: %s\n", path.c_str(), dlerror());
    std::abort();
  }
  RequireExports();
}

LoadedLibrary::~LoadedLibrary() { Unload(); }

void* LoadedLibrary::Symbol(const char* name) const { return handle ? dlsym(handle, name) : nullptr; }

bool LoadedLibrary::Unload() {
  if (handle == nullptr) return false;
  dlclose(std::exchange(handle, nullptr));
  static_cast<tapline_host::TaplineExports&>(*this) = tapline_host::TaplineExports{};
  void* stillThere = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NOLOAD);
  if (stillThere == nullptr) return true;
  dlclose(stillThere);
  return false;
}

}  // namespace support
