#include "loaded_library.h"

#include <cstdio>
#include <cstdlib>
#include <utility>

#include "platform/platform.h"

namespace support {

LoadedLibrary::LoadedLibrary(std::string libraryPath) : path(std::move(libraryPath)) {
  handle = LoadLibraryA(path.c_str());
  if (handle == nullptr) {
    std::fprintf(stderr, "LoadLibrary %s: error %lu\n", path.c_str(), GetLastError());
    std::abort();
  }
  RequireExports();
}

LoadedLibrary::~LoadedLibrary() { Unload(); }

void* LoadedLibrary::Symbol(const char* name) const {
  if (handle == nullptr) return nullptr;
  // The detour through void (*)() tells the compiler that the change of type is meant.
  return reinterpret_cast<void*>(
      reinterpret_cast<void (*)()>(GetProcAddress(static_cast<HMODULE>(handle), name)));
}

bool LoadedLibrary::Unload() {
  if (handle == nullptr) return false;
  FreeLibrary(static_cast<HMODULE>(std::exchange(handle, nullptr)));
  static_cast<tapline_host::TaplineExports&>(*this) = tapline_host::TaplineExports{};
  // A module still mapped answers to its file name.
  return GetModuleHandleA(path.c_str()) == nullptr;
}

}  // namespace support
