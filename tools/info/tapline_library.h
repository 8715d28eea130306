// The library as any host meets it: loaded at run time, reached only through its twelve C
// exports (include/tapline.h), with the loader every host of this tree shares.
#pragma once

#include "library_module.h"
#include "tapline_exports.h"

namespace tapline_info {

using TaplineLibrary = tapline_host::TaplineExports;
// tapline-info keeps the library loaded for the process's lifetime, as a host keeps it.
using tapline_host::HostLibrary;
using tapline_host::LoadTaplineLibrary;

}  // namespace tapline_info
