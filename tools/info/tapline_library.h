// The library as any host meets it: loaded at run time, reached only through its twelve C
// exports (include/tapline.h).
#pragma once

#include <string>

#include "tapline_exports.h"

namespace tapline_info {

using TaplineLibrary = tapline_host::TaplineExports;

// Loads the library file and finds the twelve exports. On failure returns false and sets
// error to the loader's message; the library stays loaded for the process's lifetime either
// way, as a host keeps it.
bool LoadTaplineLibrary(const std::string& path, TaplineLibrary& library, std::string& error);

// libtapline.so in the folder of the running executable; empty when that folder is unknown.
std::string LibraryBesideExecutable();

}  // namespace tapline_info
