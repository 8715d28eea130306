#include "library_module.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>

namespace tapline_host {

void* LoadModule(const std::string& path, std::string& error) {
  void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) {
    const char* message = dlerror();
    error = message != nullptr ? message : "cannot load " + path;
  }
  return module;
}

void* FindSymbol(void* module, const char* name) { return module != nullptr ? dlsym(module, name) : nullptr; }

bool UnloadModule(void* module, const std::string& path) {
  dlclose(module);
  void* stillThere = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NOLOAD);
  if (stillThere == nullptr) return true;
  dlclose(stillThere);
  return false;
}

std::string HostLibrary() {
  char path[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  if (length <= 0) return {};
  std::string executable(path, static_cast<std::size_t>(length));
  const std::size_t slash = executable.rfind('/');
  if (slash == std::string::npos) return {};
  std::string beside = executable.substr(0, slash + 1) + "libtapline.so";
  // An installation keeps tools and libraries in different folders.
  return access(beside.c_str(), F_OK) == 0 ? beside : TAPLINE_LIBRARY_SONAME;
}

}  // namespace tapline_host
