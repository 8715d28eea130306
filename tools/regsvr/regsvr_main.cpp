// tapline-regsvr [-u] MODULE: registers (or with -u unregisters) an in-process server module
// by calling its DllRegisterServer (DllUnregisterServer), as regsvr32 does on Windows.
// Exit status: 0 done, 1 usage, 2 module not loadable, 3 function missing, 4 function failed.
#include <dlfcn.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/platform.h"

namespace {

int Usage() {
  std::fprintf(stderr, "usage: tapline-regsvr [-u] MODULE\n");
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  bool unregister = false;
  int argument = 1;
  if (argument < argc && std::strcmp(argv[argument], "-u") == 0) {
    unregister = true;
    ++argument;
  }
  if (argument + 1 != argc) return Usage();
  std::string module = argv[argument];
  // dlopen searches the library path for a bare name; a module named here is a file.
  if (module.find('/') == std::string::npos) module = "./" + module;
  void* handle = dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    std::fprintf(stderr, "tapline-regsvr: cannot load %s: %s\n", module.c_str(), dlerror());
    return 2;
  }
  const char* name = unregister ? "DllUnregisterServer" : "DllRegisterServer";
  // dlsym gives the address as void*; the module exports the function with this signature.
  const auto function = reinterpret_cast<DllRegisterServerFunction>(dlsym(handle, name));
  if (!function) {
    std::fprintf(stderr, "tapline-regsvr: %s has no %s\n", module.c_str(), name);
    dlclose(handle);
    return 3;
  }
  const HRESULT result = function();
  dlclose(handle);
  if (FAILED(result)) {
    std::fprintf(stderr, "tapline-regsvr: %s in %s failed: 0x%08X\n", name, module.c_str(),
                 static_cast<unsigned>(result));
    return 4;
  }
  std::printf("%s in %s succeeded.\n", name, module.c_str());
  return 0;
}
