// The library as any host meets it: loaded at run time, reached only through its twelve C
// exports (include/tapline.h).
#pragma once

#include <string>

#include "tapline.h"

namespace tapline_info {

struct TaplineLibrary {
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

// Loads the library file and finds the twelve exports. On failure returns false and sets
// error to the loader's message; the library stays loaded for the process's lifetime either
// way, as a host keeps it.
bool LoadTaplineLibrary(const std::string& path, TaplineLibrary& library, std::string& error);

// libtapline.so in the folder of the running executable; empty when that folder is unknown.
std::string LibraryBesideExecutable();

}  // namespace tapline_info
