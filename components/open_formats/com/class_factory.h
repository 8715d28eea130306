// Makes StorageMan objects for CoCreateInstance.
#pragma once

#include "com/com_object.h"

namespace open_formats {

class ClassFactory final : public ComObject<ClassFactory, IClassFactory> {
 public:
  static bool Implements(REFIID iid) { return IsEqualGUID(iid, IID_IClassFactory); }
  // CLASS_E_NOAGGREGATION with an outer object; E_NOINTERFACE for an interface StorageMan
  // does not have. *object is null on every failure.
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override;
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;
};

}  // namespace open_formats
