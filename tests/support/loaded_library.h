// The library loaded the way a host loads it: dlopen or LoadLibrary, then every export by name.
// A fresh load gives a fresh ReaderContext; unloading runs its destructor.
#pragma once

#include <string>

#include "tapline_exports.h"

namespace support {

// The exports are reached through the TaplineExports base, null once unloaded.
class LoadedLibrary : public tapline_host::TaplineExports {
 public:
  // Loads with the hosts' loader (dlopen with RTLD_NOW | RTLD_LOCAL, or LoadLibraryA); aborts
  // the test run when the library or any of its exports is missing, saying which.
  explicit LoadedLibrary(std::string path);
  ~LoadedLibrary();
  LoadedLibrary(const LoadedLibrary&) = delete;
  LoadedLibrary& operator=(const LoadedLibrary&) = delete;

  // dlclose or FreeLibrary; true when the library has really left the process afterwards
  // (nothing pins it).
  bool Unload();
  bool IsLoaded() const { return handle != nullptr; }
  // The export's address, or null when the library does not define it.
  void* Symbol(const char* name) const;

 private:
  std::string path;
  void* handle = nullptr;
};

}  // namespace support
