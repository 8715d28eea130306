// A reader component module registering itself the way tapline-regsvr has it do, then leaving
// the process again: whatever creates its class afterwards finds it through the registry alone.
#pragma once

#include <string>

namespace support {

// Loads the module, calls its DllRegisterServer and unloads it again. Empty when the module
// registered; otherwise the step that failed and why.
std::string RegisterModule(const std::string& path);

}  // namespace support
