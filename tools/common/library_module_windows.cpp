#include "library_module.h"

#include "platform/platform.h"

namespace tapline_host {

void* LoadModule(const std::string& path, std::string& error) {
  const HMODULE module = LoadLibraryA(path.c_str());
  if (module == nullptr) error = "cannot load " + path + " (error " + std::to_string(GetLastError()) + ")";
  return module;
}

void* FindSymbol(void* module, const char* name) {
  if (module == nullptr) return nullptr;
  // The detour through void (*)() tells the compiler that the change of type is meant.
  return reinterpret_cast<void*>(reinterpret_cast<void (*)()>(GetProcAddress(static_cast<HMODULE>(module), name)));
}

bool UnloadModule(void* module, const std::string& path) {
  FreeLibrary(static_cast<HMODULE>(module));
  // A module still mapped answers to its file name.
  return GetModuleHandleA(path.c_str()) == nullptr;
}

std::string HostLibrary() {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  // A path that filled the buffer was cut short.
  if (length == 0 || length >= MAX_PATH) return {};
  std::string executable(path, length);
  const std::size_t separator = executable.find_last_of("\\/");
  if (separator == std::string::npos) return {};
  return executable.substr(0, separator + 1) + "tapline.dll";
}

}  // namespace tapline_host
