#include "component_registry.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

namespace bench {

std::string ExecutableFolder() {
  char path[4096];
  const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  if (length <= 0) throw std::runtime_error("cannot find the benchmark's own folder");
  const std::string executable(path, static_cast<std::size_t>(length));
  return executable.substr(0, executable.rfind('/') + 1);
}

std::string RegisterComponent(const std::string& folder) {
  char dataHome[] = "/tmp/tapline-bench-XXXXXX";
  if (mkdtemp(dataHome) == nullptr || setenv("XDG_DATA_HOME", dataHome, 1) != 0) {
    throw std::runtime_error("cannot create a private class registry");
  }
  void* module = dlopen((folder + "libtapline_open_formats.so").c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) throw std::runtime_error(dlerror());
  // dlsym hands out functions as object pointers; the module exports this signature.
  const auto registerServer = reinterpret_cast<long (*)()>(dlsym(module, "DllRegisterServer"));
  if (registerServer == nullptr || registerServer() != 0) {
    throw std::runtime_error("the EDF component did not register");
  }
  return dataHome;
}

std::string LoadLibraryWithComponent(const std::string& folder, tapline_info::TaplineLibrary& lib) {
  std::string registry = RegisterComponent(folder);
  std::string error;
  if (!tapline_info::LoadTaplineLibrary(folder + "libtapline.so", lib, error)) {
    throw std::runtime_error(error);
  }
  return registry;
}

std::filesystem::path CacheFolder(int argc, char** argv, const std::string& name) {
  if (argc > 1) return argv[1];
  return std::filesystem::path(ExecutableFolder()) / ".." / name;
}

int RunBenchmark(const char* program, const std::function<int()>& body) {
  if (std::freopen("/dev/null", "r", stdin) == nullptr) return 2;
  try {
    return body();
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "%s: %s\n", program, failure.what());
    return 1;
  }
}

}  // namespace bench
