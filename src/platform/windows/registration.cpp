#include "registration.h"

#include <cstdio>
#include <cstring>
#include <limits>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace platform {
namespace {

// "CLSID\{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" followed by `tail`, the key names the system
// expects (upper-case digits, braces).
void ClassKeyName(REFCLSID clsid, const char* tail, char (&name)[96]) {
  std::snprintf(name, sizeof name,
                "CLSID\\{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}%s",
                static_cast<unsigned long>(clsid.Data1), clsid.Data2, clsid.Data3,
                clsid.Data4[0], clsid.Data4[1], clsid.Data4[2], clsid.Data4[3], clsid.Data4[4],
                clsid.Data4[5], clsid.Data4[6], clsid.Data4[7], tail);
}

bool SetText(HKEY key, const char* valueName, const char* text) {
  const std::size_t bytes = std::strlen(text) + 1;
  if (bytes > std::numeric_limits<DWORD>::max()) return false;
  // The registry API takes the text as bytes; REG_SZ keeps its terminator.
  return RegSetValueExA(key, valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                        static_cast<DWORD>(bytes)) == ERROR_SUCCESS;
}

}  // namespace

HRESULT RegisterInprocServer(REFCLSID clsid, const char* modulePath, const char* threadingModel) {
  if (modulePath == nullptr) return E_INVALIDARG;
  char name[96];
  ClassKeyName(clsid, "\\InprocServer32", name);
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_CLASSES_ROOT, name, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE,
                      nullptr, &key, nullptr) != ERROR_SUCCESS) {
    return REGDB_E_WRITEREGDB;
  }
  bool written = SetText(key, nullptr, modulePath);
  if (written && threadingModel != nullptr) written = SetText(key, "ThreadingModel", threadingModel);
  RegCloseKey(key);
  return written ? S_OK : REGDB_E_WRITEREGDB;
}

HRESULT UnregisterInprocServer(REFCLSID clsid) {
  char name[96];
  ClassKeyName(clsid, "", name);
  const LSTATUS status = RegDeleteTreeA(HKEY_CLASSES_ROOT, name);
  return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND ? S_OK : REGDB_E_WRITEREGDB;
}

bool ModulePathOf(const void* address, char* path, std::size_t capacity) {
  if (path == nullptr || capacity == 0) return false;
  path[0] = '\0';
  // The system takes a null address as the executable's own; no module holds it.
  if (address == nullptr) return false;
  HMODULE module = nullptr;
  if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                              GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                          static_cast<LPCSTR>(address), &module)) {
    return false;
  }
  const DWORD size = capacity > std::numeric_limits<DWORD>::max()
                         ? std::numeric_limits<DWORD>::max()
                         : static_cast<DWORD>(capacity);
  const DWORD length = GetModuleFileNameA(module, path, size);
  // A path that filled the whole buffer was cut short.
  if (length == 0 || length >= size) {
    path[0] = '\0';
    return false;
  }
  return true;
}

}  // namespace platform
