// The Windows loader for tapline-info: LoadLibrary and GetProcAddress, as a Windows host
// reaches tapline.dll.
#include "tapline_library.h"

#include "platform/platform.h"

namespace tapline_info {

namespace {

template <typename Function>
bool Find(HMODULE module, const char* name, Function& function, std::string& error) {
  const FARPROC address = GetProcAddress(module, name);
  if (address == nullptr) {
    error = std::string("the library has no export ") + name;
    return false;
  }
  // GetProcAddress hands out a generic function pointer; the export's type is in tapline.h.
  // The detour through void (*)() tells the compiler the type change is meant.
  function = reinterpret_cast<Function>(reinterpret_cast<void (*)()>(address));
  return true;
}

}  // namespace

bool LoadTaplineLibrary(const std::string& path, TaplineLibrary& library, std::string& error) {
  const HMODULE module = LoadLibraryA(path.c_str());
  if (module == nullptr) {
    error = "cannot load " + path + " (error " + std::to_string(GetLastError()) + ")";
    return false;
  }
  TaplineLibrary found;
  const bool complete = Find(module, "OpenEx", found.OpenEx, error) &&
                        Find(module, "Close", found.Close, error) &&
                        Find(module, "GetSegment", found.GetSegment, error) &&
                        Find(module, "GetSegmentTime", found.GetSegmentTime, error) &&
                        Find(module, "RecSecToDate", found.RecSecToDate, error) &&
                        Find(module, "GetChannelCount", found.GetChannelCount, error) &&
                        Find(module, "GetChannelInf", found.GetChannelInf, error) &&
                        Find(module, "GetSegmentInf", found.GetSegmentInf, error) &&
                        Find(module, "GetData", found.GetData, error) &&
                        Find(module, "GetData2", found.GetData2, error) &&
                        Find(module, "GetEventCount", found.GetEventCount, error) &&
                        Find(module, "GetEvents", found.GetEvents, error);
  if (!complete) return false;
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
