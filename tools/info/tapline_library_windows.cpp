// The Windows loader for tapline-info: LoadLibrary and GetProcAddress, as a Windows host
// reaches tapline.dll.
#include "tapline_library.h"

#include "platform/platform.h"

namespace tapline_info {

bool LoadTaplineLibrary(const std::string& path, TaplineLibrary& library, std::string& error) {
  const HMODULE module = LoadLibraryA(path.c_str());
  if (module == nullptr) {
    error = "cannot load " + path + " (error " + std::to_string(GetLastError()) + ")";
    return false;
  }
  TaplineLibrary found;
  const std::string missing =
      tapline_host::ResolveExports(found, [&](const char* name) { return GetProcAddress(module, name); });
  if (!missing.empty()) {
    error = "the library has no export " + missing;
    return false;
  }
  library = found;
  return true;
}

std::string LibraryBesideExecutable() {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  // A path that filled the buffer was cut short.
  if (length == 0 || length >= MAX_PATH) return {};
  std::string executable(path, length);
  const std::size_t separator = executable.find_last_of("\\/");
  if (separator == std::string::npos) return {};
  return executable.substr(0, separator + 1) + "tapline.dll";
}

}  // namespace tapline_info
