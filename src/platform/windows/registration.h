// In-process server registration in the system registry, for modules' DllRegisterServer and
// DllUnregisterServer: the same names and contracts as the stand-in's, so that a component
// registers itself the same way on every system.
#pragma once

#include <cstddef>

#include <objbase.h>

namespace platform {

// Writes HKEY_CLASSES_ROOT\CLSID\{clsid}\InprocServer32 with the module path as its default
// value and the threading model. Any existing registration of the class is overwritten.
// REGDB_E_WRITEREGDB when a key or value cannot be written; E_INVALIDARG for a null path.
HRESULT RegisterInprocServer(REFCLSID clsid, const char* modulePath, const char* threadingModel);
// Removes HKEY_CLASSES_ROOT\CLSID\{clsid} with everything below it. S_OK also when the class
// was not registered; REGDB_E_WRITEREGDB when the key cannot be removed.
HRESULT UnregisterInprocServer(REFCLSID clsid);
// Full path of the module (DLL or executable) that holds the address, in the ANSI code page.
// False, with path left empty when capacity allows, when there is no such module or the path
// does not fit.
bool ModulePathOf(const void* address, char* path, std::size_t capacity);

}  // namespace platform
