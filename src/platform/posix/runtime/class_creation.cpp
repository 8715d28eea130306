// Class creation: class objects registered by the process come first, then the in-process
// servers named by the class registry, loaded into the calling thread's apartment.
#include <dlfcn.h>

#include <mutex>
#include <new>
#include <string>
#include <vector>

#include "../com_runtime.h"
#include "apartment.h"
#include "class_registry.h"

extern "C" {
const IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID IID_IClassFactory = {0x00000001, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID IID_IErrorInfo = {0x1CF2B120, 0x547D, 0x101B, {0x8E, 0x65, 0x08, 0x00, 0x2B, 0x2B, 0xD1, 0x19}};
const IID IID_ICreateErrorInfo = {0x22F03340, 0x547D, 0x101B, {0x8E, 0x65, 0x08, 0x00, 0x2B, 0x2B, 0xD1, 0x19}};
const IID IID_ISupportErrorInfo = {0xDF0B3D60, 0x548F, 0x101B, {0x8E, 0x65, 0x08, 0x00, 0x2B, 0x2B, 0xD1, 0x19}};
}

namespace {

struct ClassRegistration {
  DWORD cookie;
  CLSID clsid;
  IUnknown* classObject;  // one reference, released on revocation
};

// Registrations are process-wide and may be made from any thread.
std::mutex registrationsLock;
std::vector<ClassRegistration> registrations;
DWORD lastCookie = 0;

// The class object most recently registered for the class, with a reference for the caller;
// null when there is none.
IUnknown* RegisteredClassObject(REFCLSID clsid) {
  std::lock_guard<std::mutex> guard(registrationsLock);
  for (auto it = registrations.rbegin(); it != registrations.rend(); ++it) {
    if (it->clsid == clsid) {
      it->classObject->AddRef();
      return it->classObject;
    }
  }
  return nullptr;
}

HRESULT CreateFromFactory(IClassFactory* factory, REFIID iid, LPVOID* object) {
  const HRESULT hr = factory->CreateInstance(nullptr, iid, object);
  factory->Release();
  // After a failure the out-value is not an interface the caller may touch (a factory may
  // leave anything there); as on Windows it is cleared, never released.
  if (FAILED(hr)) *object = nullptr;
  return hr;
}

HRESULT CreateFromClassObject(IUnknown* classObject, REFIID iid, LPVOID* object) {
  IClassFactory* factory = nullptr;
  const HRESULT hr = classObject->QueryInterface(IID_IClassFactory, reinterpret_cast<void**>(&factory));
  classObject->Release();
  if (FAILED(hr) || factory == nullptr) return FAILED(hr) ? hr : E_NOINTERFACE;
  return CreateFromFactory(factory, iid, object);
}

// Loads the module into the apartment (once) and asks its DllGetClassObject for the factory.
HRESULT CreateFromModule(REFCLSID clsid, const std::string& modulePath, REFIID iid, LPVOID* object) {
  void* module = dlopen(modulePath.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) return HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND);
  // dlsym hands out the function as a data pointer; POSIX guarantees the round trip.
  const auto getClassObject = reinterpret_cast<DllGetClassObjectFunction>(dlsym(module, "DllGetClassObject"));
  if (getClassObject == nullptr) {
    dlclose(module);
    return CO_E_ERRORINDLL;
  }
  platform::runtime::KeepModule(module);
  IClassFactory* factory = nullptr;
  const HRESULT hr = getClassObject(clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory));
  if (FAILED(hr) || factory == nullptr) return FAILED(hr) ? hr : CLASS_E_CLASSNOTAVAILABLE;
  return CreateFromFactory(factory, iid, object);
}

}  // namespace

// E_POINTER for a null out-pointer; CLASS_E_NOAGGREGATION for an outer object;
// CO_E_NOTINITIALIZED outside an apartment; REGDB_E_CLASSNOTREG for an unknown class or a
// context without in-process servers; HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND) when the
// registered module cannot be loaded; CO_E_ERRORINDLL when it has no DllGetClassObject; else
// what the class object answers. Exceptions thrown by a class object pass through.
HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID iid, LPVOID* object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (outer != nullptr) return CLASS_E_NOAGGREGATION;
  if (!platform::runtime::HasApartment()) return CO_E_NOTINITIALIZED;
  if ((context & CLSCTX_INPROC_SERVER) == 0) return REGDB_E_CLASSNOTREG;
  if (IUnknown* classObject = RegisteredClassObject(clsid)) return CreateFromClassObject(classObject, iid, object);
  try {
    std::string modulePath;
    if (const HRESULT hr = platform::runtime::FindInprocServer(clsid, modulePath); hr != S_OK) return hr;
    return CreateFromModule(clsid, modulePath, iid, object);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

// Keeps a reference to the class object until CoRevokeClassObject; flags and apartments do not
// matter here. E_INVALIDARG for a null object or cookie pointer.
HRESULT CoRegisterClassObject(REFCLSID clsid, IUnknown* classObject, DWORD, DWORD, DWORD* cookie) {
  if (cookie != nullptr) *cookie = 0;
  if (classObject == nullptr || cookie == nullptr) return E_INVALIDARG;
  classObject->AddRef();
  try {
    std::lock_guard<std::mutex> guard(registrationsLock);
    registrations.push_back({++lastCookie, clsid, classObject});
    *cookie = lastCookie;
  } catch (const std::bad_alloc&) {
    classObject->Release();
    return E_OUTOFMEMORY;
  }
  return S_OK;
}

// CO_E_OBJNOTREG for a cookie that names no registration.
HRESULT CoRevokeClassObject(DWORD cookie) {
  IUnknown* classObject = nullptr;
  {
    std::lock_guard<std::mutex> guard(registrationsLock);
    for (auto it = registrations.begin(); it != registrations.end(); ++it) {
      if (it->cookie == cookie) {
        classObject = it->classObject;
        registrations.erase(it);
        break;
      }
    }
  }
  if (classObject == nullptr) return CO_E_OBJNOTREG;
  classObject->Release();  // outside the lock: the object's last release may register anew
  return S_OK;
}
