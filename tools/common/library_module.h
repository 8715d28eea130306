// A module loaded at run time by its file name, as a host loads the library: dlopen with
// RTLD_NOW | RTLD_LOCAL, or LoadLibraryA on Windows.
#pragma once

#include <string>

namespace tapline_host {

// The module's handle; null when it cannot be loaded, with error set to the loader's message.
void* LoadModule(const std::string& path, std::string& error);

// The address of name in module; null when the module does not define it.
void* FindSymbol(void* module, const char* name);

// Unloads module (loaded from path); true when it has then left the process, false when
// something else still pins it.
bool UnloadModule(void* module, const std::string& path);

// The library a tool loads: its file (libtapline.so, tapline.dll) in the folder of the running
// executable when it is there (a build folder, the Windows archive); else, outside Windows,
// its installed name (libtapline.so.0), which the loader finds through the executable's run
// path or the system's library path. Empty when the executable's folder is unknown.
std::string HostLibrary();

}  // namespace tapline_host
