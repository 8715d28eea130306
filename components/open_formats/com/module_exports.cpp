// The four functions an in-process server exports, with C linkage.
#include "com/class_factory.h"
#include "reader/reader_ids.h"

using open_formats::ClassFactory;
using open_formats::Guarded;

extern "C" {

TAPLINE_COMPONENT_EXPORT HRESULT DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (!IsEqualGUID(clsid, reader::kStorageManClassId)) return CLASS_E_CLASSNOTAVAILABLE;
  return Guarded([&] {
    ComPtr<ClassFactory> factory;
    factory.attach(new ClassFactory);
    return factory->QueryInterface(iid, object);
  });
}

TAPLINE_COMPONENT_EXPORT HRESULT DllCanUnloadNow() {
  return open_formats::ModuleInUse() ? S_FALSE : S_OK;
}

// Registers StorageMan as served by this module's own file, apartment-threaded. Another reader
// component may be registered under the same class id: this replaces that registration for
// every program on the machine, and unregistering does not bring it back.
TAPLINE_COMPONENT_EXPORT HRESULT DllRegisterServer() {
  char path[4096];
  if (!platform::ModulePathOf(reinterpret_cast<const void*>(&DllRegisterServer), path,
                              sizeof path)) {
    return SELFREG_E_CLASS;
  }
  return platform::RegisterInprocServer(reader::kStorageManClassId, path, "Apartment");
}

// Removes the class id's registration entirely, whichever module it names.
TAPLINE_COMPONENT_EXPORT HRESULT DllUnregisterServer() {
  return platform::UnregisterInprocServer(reader::kStorageManClassId);
}

}  // extern "C"
