#include "com/event_object.h"

namespace open_formats {

HRESULT EventObject::GetEventPacket(std::int32_t index, BYTE** record) {
  return Guarded([&]() -> HRESULT {
    if (!record) return E_POINTER;
    OpenedRecording* opened = owner->Current();
    if (!opened) return E_UNEXPECTED;
    if (index < 0 || static_cast<std::size_t>(index) >= opened->EventCount()) return E_INVALIDARG;
    // The library reads the bytes through a byte pointer; std::byte and BYTE are both bytes.
    *record = reinterpret_cast<BYTE*>(opened->EventRecord(static_cast<std::size_t>(index)).data());
    return S_OK;
  });
}

HRESULT EventObject::CountEvents(std::int32_t* count) {
  if (!count) return E_POINTER;
  OpenedRecording* opened = owner->Current();
  if (!opened) return E_UNEXPECTED;
  *count = static_cast<std::int32_t>(opened->EventCount());  // checked at open
  return S_OK;
}

}  // namespace open_formats
