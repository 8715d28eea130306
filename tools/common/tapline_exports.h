// The twelve exports of the library as a host holds them: function pointers found by name in
// the loaded library, with the types of include/tapline.h. Shared by tapline-info, the
// benchmarks and the tests that load the library as a host does.
#pragma once

#include <string>

#include "tapline.h"

namespace tapline_host {

struct TaplineExports {
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
};

// Loads the library at path as a host does (LoadModule) and fills exports from it. Returns the
// module's handle, for FindSymbol and UnloadModule. On failure returns null with error set to
// the loader's message or the names of the missing exports, and leaves exports unchanged; a
// module that lacks an export stays loaded, as a host keeps what it loaded.
void* LoadTaplineLibrary(const std::string& path, TaplineExports& exports, std::string& error);

}  // namespace tapline_host
