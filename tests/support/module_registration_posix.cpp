#include "module_registration.h"

#include <dlfcn.h>

#include <cinttypes>
#include <cstdio>

#include "platform/platform.h"

namespace support {

std::string RegisterModule(const std::string& path) {
  void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) return dlerror();
  // dlsym hands out addresses as void*; the module exports the function with this signature.
  const auto registerServer =
      reinterpret_cast<DllRegisterServerFunction>(dlsym(module, "DllRegisterServer"));
  std::string error;
  if (registerServer == nullptr) {
    error = path + " has no DllRegisterServer";
  } else if (const HRESULT result = registerServer(); result != S_OK) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%08" PRIX32, static_cast<std::uint32_t>(result));
    error = path + ": DllRegisterServer returned " + code;
  }
  dlclose(module);
  return error;
}

}  // namespace support
