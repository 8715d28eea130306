#include "storage_man.h"

#include "event_object.h"
#include "native_path.h"
#include "packet_object.h"
#include "segment_object.h"

namespace edf_component {

HRESULT StorageMan::GetSegmentInterface(reader::SegmentInterface** segments) {
  if (!segments) return E_POINTER;
  *segments = nullptr;
  return Guarded([&] {
    *segments = new SegmentObject(this);
    return S_OK;
  });
}

HRESULT StorageMan::GetPacketInterface(reader::PacketInterface** packets) {
  if (!packets) return E_POINTER;
  *packets = nullptr;
  return Guarded([&] {
    *packets = new PacketObject(this);
    return S_OK;
  });
}

HRESULT StorageMan::GetEventInterface(reader::EventInterface** events) {
  if (!events) return E_POINTER;
  *events = nullptr;
  return Guarded([&] {
    *events = new EventObject(this);
    return S_OK;
  });
}

HRESULT StorageMan::OpenRecording(BSTR path, std::int32_t, std::int32_t, std::int32_t) {
  return Guarded([&]() -> HRESULT {
    current.reset();
    lastRefusal.clear();
    if (!path) {
      lastRefusal = "no file name was given";
      return E_INVALIDARG;
    }
    // Element by element: OLECHAR is a 16-bit unit on every system, of another type on some.
    const std::u16string wide(path, path + SysStringLen(path));
    const auto native = NativePathOf(wide);
    if (!native) {
      lastRefusal = "the file name is not valid text";
      return E_INVALIDARG;
    }
    auto opened = OpenedRecording::Open(*native);
    if (!opened.ok()) {
      lastRefusal = opened.reason();
      return E_FAIL;
    }
    current = std::move(opened.value());
    return S_OK;
  });
}

HRESULT StorageMan::CloseRecording() {
  if (!current) return S_FALSE;
  current.reset();
  return S_OK;
}

}  // namespace edf_component
