// The library loaded the way a host loads it: dlopen or LoadLibrary, then every export by name.
// A fresh load gives a fresh ReaderContext; unloading runs its destructor.
#pragma once

#include <string>

#include "tapline.h"

namespace support {

class LoadedLibrary {
 public:
  // Loads with RTLD_NOW | RTLD_LOCAL (LoadLibraryA on Windows); aborts the test run when the
  // library or an export implemented so far is missing.
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

  decltype(&::OpenEx) OpenEx = nullptr;
  decltype(&::Close) Close = nullptr;

 private:
  void ResolveLifecycleExports();

  std::string path;
  void* handle = nullptr;
};

}  // namespace support
