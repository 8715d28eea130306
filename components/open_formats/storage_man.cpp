#include "storage_man.h"

#include "event_object.h"
#include "native_path.h"
#include "packet_object.h"
#include "segment_object.h"

namespace edf_component {

HRESULT StorageMan::GetSegmentInterface(reader::SegmentInterface** segments) {
  return HandOutPart<SegmentObject>(this, segments);
}

HRESULT StorageMan::GetPacketInterface(reader::PacketInterface** packets) {
  return HandOutPart<PacketObject>(this, packets);
}

HRESULT StorageMan::GetEventInterface(reader::EventInterface** events) {
  return HandOutPart<EventObject>(this, events);
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
    if (!opened.Ok()) {
      lastRefusal = opened.Reason();
      return E_FAIL;
    }
    current = std::move(opened.Value());
    return S_OK;
  });
}

HRESULT StorageMan::CloseRecording() {
  if (!current) return S_FALSE;
  current.reset();
  return S_OK;
}

}  // namespace edf_component
