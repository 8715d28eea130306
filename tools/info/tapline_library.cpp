#include "tapline_library.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>

namespace tapline_info {

namespace {

template <typename Function>
bool Find(void* handle, const char* name, Function& function, std::string& error) {
  void* address = dlsym(handle, name);
  if (address == nullptr) {
    error = std::string("the library has no export ") + name;
    return false;
  }
  // dlsym hands out functions as object pointers; POSIX guarantees the round trip.
  function = reinterpret_cast<Function>(address);
  return true;
}

}  // namespace

bool LoadTaplineLibrary(const std::string& path, TaplineLibrary& library, std::string& error) {
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* message = dlerror();
    error = message != nullptr ? message : "cannot load " + path;
    return false;
  }
  TaplineLibrary found;
  const bool complete = Find(handle, "OpenEx", found.OpenEx, error) &&
                        Find(handle, "Close", found.Close, error) &&
                        Find(handle, "GetSegment", found.GetSegment, error) &&
                        Find(handle, "GetSegmentTime", found.GetSegmentTime, error) &&
                        Find(handle, "RecSecToDate", found.RecSecToDate, error) &&
                        Find(handle, "GetChannelCount", found.GetChannelCount, error) &&
                        Find(handle, "GetChannelInf", found.GetChannelInf, error) &&
                        Find(handle, "GetSegmentInf", found.GetSegmentInf, error) &&
                        Find(handle, "GetData", found.GetData, error) &&
                        Find(handle, "GetData2", found.GetData2, error) &&
                        Find(handle, "GetEventCount", found.GetEventCount, error) &&
                        Find(handle, "GetEvents", found.GetEvents, error);
  if (!complete) return false;
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
