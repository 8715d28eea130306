#include "com/class_factory.h"

#include "com/storage_man.h"

namespace open_formats {

HRESULT ClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (outer) return CLASS_E_NOAGGREGATION;
  return Guarded([&] {
    ComPtr<StorageMan> storageMan;
    storageMan.attach(new StorageMan);
    return storageMan->QueryInterface(iid, object);
  });
}

HRESULT ClassFactory::LockServer(BOOL lock) {
  CountLock(lock != FALSE);
  return S_OK;
}

}  // namespace open_formats
