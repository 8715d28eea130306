// What the segment, packet and event objects share: each keeps StorageMan, and so the open
// recording it serves, alive while the library holds the object, and answers to IUnknown and
// its own vtable only.
#pragma once

#include "com/com_object.h"
#include "com/storage_man.h"

namespace open_formats {

template <typename Derived, typename Interface>
class StorageManPart : public ComObject<Derived, Interface> {
 public:
  explicit StorageManPart(StorageMan* storageMan) { owner.copy_from(storageMan); }
  static bool Implements(REFIID) { return false; }

 protected:
  ComPtr<StorageMan> owner;
};

// Hands out a new part of storageMan through an out-pointer: E_POINTER for a null one, else
// null on failure and the result of the allocation.
template <typename Part, typename Interface>
HRESULT HandOutPart(StorageMan* storageMan, Interface** part) {
  if (!part) return E_POINTER;
  *part = nullptr;
  return Guarded([&] {
    *part = new Part(storageMan);
    return S_OK;
  });
}

}  // namespace open_formats
