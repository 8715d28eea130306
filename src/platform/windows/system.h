// The system's COM, OLE Automation and Win32 headers, for the core and for the modules built
// beside it. UNICODE stays undefined: the system texts the library reads (FormatMessageA and
// the _com_error message) are 8-bit. NOMINMAX keeps std::min and std::max usable.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif

#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <comdef.h>

#include "registration.h"
