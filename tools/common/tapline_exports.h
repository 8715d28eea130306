// The exports of the library as a host holds them: function pointers found by name in the
// loaded library, with the types of include/tapline.h and include/tapline_ext.h. Shared by tapline-info, the
// benchmarks and the tests that load the library as a host does.
#pragma once

#include <string>

#include "tapline_ext.h"

namespace tapline_host {

// The names, in the order of include/tapline.h, then include/tapline_ext.h; X(name) for each.
#define TAPLINE_EXPORT_NAMES(X)                                                                   \
  X(OpenEx) X(Close) X(GetSegment) X(GetSegmentTime) X(RecSecToDate) X(GetChannelCount)         \
  X(GetChannelInf) X(GetSegmentInf) X(GetData) X(GetData2) X(GetEventCount) X(GetEvents)        \
  X(GetChannelCalibration) X(GetChannelUnit) X(GetChannelPhysicalRange)                          \
  X(GetChannelInvalidValue) X(GetChannelValue) X(GetWindowCounts) X(GetEventText) X(GetOpenMessage)

struct TaplineExports {
#define TAPLINE_EXPORT_POINTER(name) decltype(&::name) name = nullptr;
  TAPLINE_EXPORT_NAMES(TAPLINE_EXPORT_POINTER)
#undef TAPLINE_EXPORT_POINTER
};

// Loads the library at path as a host does (LoadModule) and fills exports from it. Returns the
// module's handle, for FindSymbol and UnloadModule. On failure returns null with error set to
// the loader's message or the names of the missing exports, and leaves exports unchanged; a
// module that lacks an export stays loaded, as a host keeps what it loaded.
void* LoadTaplineLibrary(const std::string& path, TaplineExports& exports, std::string& error);

}  // namespace tapline_host
