// The twelve exports of the library as a host holds them: function pointers found by name in
// the loaded library, with the types of include/tapline.h. Shared by tapline-info and the
// tests that load the library as a host does.
#pragma once

#include <string>
#include <type_traits>

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

// Fills every export from lookup(name) (dlsym or GetProcAddress: an address, null when the
// library lacks the name). Returns the names not found, space separated; empty when all were.
template <typename Lookup>
std::string ResolveExports(TaplineExports& exports, Lookup lookup) {
  std::string missing;
  const auto resolve = [&](auto& function, const char* name) {
    // dlsym and GetProcAddress hand out addresses that both systems guarantee to convert to
    // function pointers; the detour through void (*)() tells the compiler the change is meant.
    function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(
        reinterpret_cast<void (*)()>(lookup(name)));
    if (function == nullptr) missing += std::string(missing.empty() ? "" : " ") + name;
  };
  resolve(exports.OpenEx, "OpenEx");
  resolve(exports.Close, "Close");
  resolve(exports.GetSegment, "GetSegment");
  resolve(exports.GetSegmentTime, "GetSegmentTime");
  resolve(exports.RecSecToDate, "RecSecToDate");
  resolve(exports.GetChannelCount, "GetChannelCount");
  resolve(exports.GetChannelInf, "GetChannelInf");
  resolve(exports.GetSegmentInf, "GetSegmentInf");
  resolve(exports.GetData, "GetData");
  resolve(exports.GetData2, "GetData2");
  resolve(exports.GetEventCount, "GetEventCount");
  resolve(exports.GetEvents, "GetEvents");
  return missing;
}

}  // namespace tapline_host
