// tapline.dll loaded as a host loads it: LoadLibrary, then each export by its plain name.
#pragma once

#include <string>

#include "platform/platform.h"
#include "info/tapline_exports.h"

namespace windows_test {

// The twelve exports are reached through the TaplineExports base.
class HostLibrary : public tapline_host::TaplineExports {
 public:
  // Loads the DLL; IsLoaded() tells whether that worked and every export was found.
  explicit HostLibrary(const std::string& path);
  ~HostLibrary();
  HostLibrary(const HostLibrary&) = delete;
  HostLibrary& operator=(const HostLibrary&) = delete;

  bool IsLoaded() const { return module != nullptr && missing.empty(); }
  // Names of exports GetProcAddress did not find, space separated.
  const std::string& Missing() const { return missing; }

 private:
  HMODULE module = nullptr;
  std::string missing;
};

// True when the StorageMan class has an entry in this machine's registry: then a real reader
// component may be installed, and tests must neither replace nor remove it.
bool StorageManIsRegistered();

}  // namespace windows_test
