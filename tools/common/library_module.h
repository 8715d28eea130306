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

// The library's file (libtapline.so, tapline.dll) in the folder of the running executable;
// empty when that folder is unknown.
std::string LibraryBesideExecutable();

}  // namespace tapline_host
