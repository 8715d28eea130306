#include "loaded_library.h"

#include <cstdio>
#include <cstdlib>
#include <utility>

#include "library_module.h"

namespace support {

LoadedLibrary::LoadedLibrary(std::string libraryPath) : path(std::move(libraryPath)) {
  std::string error;
  handle = tapline_host::LoadTaplineLibrary(path, *this, error);
  if (handle == nullptr) {
    std::fprintf(stderr, "loading %s: %s\n", path.c_str(), error.c_str());
    std::abort();
  }
}

LoadedLibrary::~LoadedLibrary() { Unload(); }

void* LoadedLibrary::Symbol(const char* name) const { return tapline_host::FindSymbol(handle, name); }

bool LoadedLibrary::Unload() {
  if (handle == nullptr) return false;
  static_cast<tapline_host::TaplineExports&>(*this) = tapline_host::TaplineExports{};
  return tapline_host::UnloadModule(std::exchange(handle, nullptr), path);
}

}  // namespace support
