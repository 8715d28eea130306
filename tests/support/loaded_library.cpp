#include "loaded_library.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <utility>

namespace support {
namespace {

template <typename Function>
Function Require(const LoadedLibrary& library, const char* name) {
  void* address = library.Symbol(name);
  if (address == nullptr) {
    std::fprintf(stderr, "libtapline.so lacks the export %s\n", name);
    std::abort();
  }
  // dlsym hands out object pointers; POSIX guarantees they convert to function pointers.
  return reinterpret_cast<Function>(address);
}

}  // namespace

LoadedLibrary::LoadedLibrary(std::string libraryPath) : path(std::move(libraryPath)) {
  handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    std::fprintf(stderr, "dlopen %s: %s\n", path.c_str(), dlerror());
    std::abort();
  }
  OpenEx = Require<decltype(OpenEx)>(*this, "OpenEx");
  Close = Require<decltype(Close)>(*this, "Close");
}

LoadedLibrary::~LoadedLibrary() { Unload(); }

void* LoadedLibrary::Symbol(const char* name) const { return handle ? dlsym(handle, name) : nullptr; }

bool LoadedLibrary::Unload() {
  if (handle == nullptr) return false;
  dlclose(std::exchange(handle, nullptr));
  OpenEx = nullptr;
  Close = nullptr;
  void* stillThere = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NOLOAD);
  if (stillThere == nullptr) return true;
  dlclose(stillThere);
  return false;
}

}  // namespace support
