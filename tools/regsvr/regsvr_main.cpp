// tapline-regsvr [-u] MODULE: registers (or with -u unregisters) an in-process server module
// by calling its DllRegisterServer (DllUnregisterServer), as regsvr32 does on Windows.
// tapline-regsvr --list: what the class registry holds, and where.
// Exit status: 0 done, 1 usage, 2 module not loadable, 3 function missing, 4 function failed.
#include <dlfcn.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/platform.h"
#include "registry_listing.h"

namespace {

constexpr char kUsageText[] =
    "usage: tapline-regsvr [-u] MODULE\n"
    "       tapline-regsvr --list | --help\n";

constexpr char kHelpText[] =
    "Registers the reader component in MODULE in this user's class registry, as regsvr32 does\n"
    "on Windows: the module's DllRegisterServer writes one entry per class id it serves.\n"
    "\n"
    "  -u MODULE   unregisters it (DllUnregisterServer removes its entries)\n"
    "  --list      prints the registry's folder and each class id with its module\n"
    "  -h, --help  this text\n"
    "\n"
    "The registry is the folder $XDG_DATA_HOME/tapline/classes (else\n"
    "~/.local/share/tapline/classes), one file per class id. Registering replaces what held the\n"
    "class id before.\n"
    "\n"
    "Exit status: 0 done, 1 usage, 2 module not loadable, 3 function missing, 4 function\n"
    "failed.\n";

int Usage() {
  std::fputs(kUsageText, stderr);
  return 1;
}

int CallServerFunction(std::string module, bool unregister) {
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

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    std::printf("%s\n%s", kUsageText, kHelpText);
    return 0;
  }
  if (argc == 2 && std::strcmp(argv[1], "--list") == 0) {
    PrintRegistry(stdout, platform::ClassRegistryDirectory());
    return 0;
  }
  bool unregister = false;
  int argument = 1;
  if (argument < argc && std::strcmp(argv[argument], "-u") == 0) {
    unregister = true;
    ++argument;
  }
  if (argument + 1 != argc || argv[argument][0] == '-') return Usage();
  return CallServerFunction(argv[argument], unregister);
}
