// tapline.dll loaded as a host loads it: LoadLibrary, then each export by its plain name.
#pragma once

#include <string>

#include "platform/platform.h"
#include "tapline.h"

namespace windows_test {

class HostLibrary {
 public:
  // Loads the DLL; IsLoaded() tells whether that worked and every export was found.
  explicit HostLibrary(const std::string& path);
  ~HostLibrary();
  HostLibrary(const HostLibrary&) = delete;
  HostLibrary& operator=(const HostLibrary&) = delete;

  bool IsLoaded() const { return module != nullptr && missing.empty(); }
  // Names of exports GetProcAddress did not find, space separated.
  const std::string& Missing() const { return missing; }

  decltype(&::OpenEx) OpenEx = nullptr;
  decltype(&::Close) Close = nullptr;
  decltype(&::GetSegment) GetSegment = nullptr;
  decltype(&::GetSegmentTime) GetSegmentTime = nullptr;
  decltype(&::RecSecToDate) RecSecToDate = nullptr;
  decltype(&::GetChannelCount) GetChannelCount = nullptr;
  decltype(&::GetChannelInf) GetChannelInf = nullptr;
  decltype(&::GetSegmentInf) GetSegmentInf = nullptr;
  decltype(&::GetData) GetData = nullptr;
  decltype(&::GetData2) GetData2 = nullptr;
  decltype(&::GetEventCount) GetEventCount = nullptr;
  decltype(&::GetEvents) GetEvents = nullptr;

 private:
  template <typename Function>
  void Resolve(Function& function, const char* name);

  HMODULE module = nullptr;
  std::string missing;
};

// True when the StorageMan class has an entry in this machine's registry: then a real reader
// component may be installed, and tests must neither replace nor remove it.
bool StorageManIsRegistered();

}  // namespace windows_test
