#include "tapline_library.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>

namespace tapline_info {

bool LoadTaplineLibrary(const std::string& path, TaplineLibrary& library, std::string& error) {
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* message = dlerror();
    error = message != nullptr ? message : "cannot load " + path;
    return false;
  }
  TaplineLibrary found;
  const std::string missing =
      tapline_host::ResolveExports(found, [&](const char* name) { return dlsym(handle, name); });
  if (!missing.empty()) {
    error = "the library has no export " + missing;
    return false;
  }
  library = found;
  return true;
}

std::string LibraryBesideExecutable() {
  char path[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  if (length <= 0) return {};
  std::string executable(path, static_cast<std::size_t>(length));
  const std::size_t slash = executable.rfind('/');
  if (slash == std::string::npos) return {};
  return executable.substr(0, slash + 1) + "libtapline.so";
}

}  // namespace tapline_info
