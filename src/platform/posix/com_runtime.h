// The COM runtime of the stand-in: apartments, class creation, in-process class registration,
// module registration and BSTR. Same names and contracts as the Windows functions.
#pragma once

#include "com_types.h"

enum APTTYPE { APTTYPE_CURRENT = -1, APTTYPE_STA = 0, APTTYPE_MTA = 1, APTTYPE_NA = 2, APTTYPE_MAINSTA = 3 };
enum APTTYPEQUALIFIER { APTTYPEQUALIFIER_NONE = 0 };

extern "C" {

// Per-thread apartment count: S_OK for the first initialisation, S_FALSE when nested. The
// thread's last CoUninitialize unloads the modules that its apartment loaded and revokes
// nothing registered by CoRegisterClassObject.
TAPLINE_COM_API HRESULT CoInitialize(LPVOID reserved);
TAPLINE_COM_API void CoUninitialize();
// CO_E_NOTINITIALIZED when the calling thread has no apartment.
TAPLINE_COM_API HRESULT CoGetApartmentType(APTTYPE* type, APTTYPEQUALIFIER* qualifier);

// Looks among class objects registered in the process first, then in the class registry (one
// file per class id naming the module, under $XDG_DATA_HOME/tapline/classes, else
// ~/.local/share/tapline/classes); a module is loaded once per apartment and asked through its
// DllGetClassObject. Unknown class: REGDB_E_CLASSNOTREG. *object is null on every failure.
TAPLINE_COM_API HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID iid,
                                         LPVOID* object);
TAPLINE_COM_API HRESULT CoRegisterClassObject(REFCLSID clsid, IUnknown* factory, DWORD context,
                                              DWORD flags, DWORD* cookie);
TAPLINE_COM_API HRESULT CoRevokeClassObject(DWORD cookie);

// Length-prefixed UTF-16 strings; a null BSTR is the empty string.
TAPLINE_COM_API BSTR SysAllocString(const OLECHAR* text);
TAPLINE_COM_API BSTR SysAllocStringLen(const OLECHAR* text, UINT length);
TAPLINE_COM_API void SysFreeString(BSTR text);
TAPLINE_COM_API UINT SysStringLen(BSTR text);

// The thread's error-information object, as raised with _com_error by a failing party.
TAPLINE_COM_API HRESULT SetErrorInfo(DWORD reserved, IErrorInfo* info);
TAPLINE_COM_API HRESULT GetErrorInfo(DWORD reserved, IErrorInfo** info);
// A new, empty error-information object, with one reference for the caller; E_OUTOFMEMORY
// (and null) when memory runs out, E_INVALIDARG for a null out-pointer. Its code lives in
// this runtime, so it outlives the module of the party that made it.
TAPLINE_COM_API HRESULT CreateErrorInfo(ICreateErrorInfo** info);

}  // extern "C"

// What an in-process server module exports (resolved by name with dlsym).
using DllGetClassObjectFunction = HRESULT (*)(REFCLSID clsid, REFIID iid, LPVOID* object);
using DllCanUnloadNowFunction = HRESULT (*)();
using DllRegisterServerFunction = HRESULT (*)();

namespace platform {

// Where the class registry lives, honouring $XDG_DATA_HOME; tests point it elsewhere.
TAPLINE_COM_API const char* ClassRegistryDirectory();
// Registry entries written by a module's DllRegisterServer / removed by DllUnregisterServer.
TAPLINE_COM_API HRESULT RegisterInprocServer(REFCLSID clsid, const char* modulePath,
                                             const char* threadingModel);
TAPLINE_COM_API HRESULT UnregisterInprocServer(REFCLSID clsid);
// Absolute path of the module (shared object or executable) that holds the address.
TAPLINE_COM_API bool ModulePathOf(const void* address, char* path, std::size_t capacity);

}  // namespace platform
