// The only header of the core that knows which system it is built for. On Windows it brings
// the system's COM, OLE Automation and Win32 headers; elsewhere the stand-in that supplies the
// same names. Core sources include this file and nothing system-specific.
#pragma once

#ifdef _WIN32
#include "windows/system.h"
#else
#include "posix/com_types.h"
#include "posix/com_runtime.h"
#include "posix/win32.h"
#include "posix/comdef.h"
#endif

#include "com_ptr.h"
#include "console.h"
