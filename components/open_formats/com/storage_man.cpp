#include "com/storage_man.h"

#include <string>
#include <vector>

#include "com/event_object.h"
#include "com/native_path.h"
#include "com/packet_object.h"
#include "com/segment_object.h"
#include "com/thread_error_info.h"

namespace open_formats {

HRESULT StorageMan::GetSegmentInterface(reader::SegmentInterface** segments) {
  return HandOutPart<SegmentObject>(this, segments);
}

HRESULT StorageMan::GetPacketInterface(reader::PacketInterface** packets) {
  return HandOutPart<PacketObject>(this, packets);
}

HRESULT StorageMan::GetEventInterface(reader::EventInterface** events) {
  return HandOutPart<EventObject>(this, events);
}

HRESULT StorageMan::QueryInterface(REFIID iid, void** object) {
  if (object && IsEqualGUID(iid, IID_ISupportErrorInfo)) {
    *object = static_cast<ISupportErrorInfo*>(this);
    AddRef();
    return S_OK;
  }
  return ComObject::QueryInterface(iid, object);
}

HRESULT StorageMan::InterfaceSupportsErrorInfo(REFIID iid) {
  return IsEqualGUID(iid, reader::kStorageManInterfaceId) ? S_OK : S_FALSE;
}

namespace {

std::string OneALine(const std::vector<std::string>& sentences) {
  std::string text;
  for (const std::string& sentence : sentences) {
    if (!text.empty()) text += '\n';
    text += sentence;
  }
  return text;
}

}  // namespace

HRESULT StorageMan::OpenRecording(BSTR path, std::int32_t, std::int32_t, std::int32_t) {
  ClearErrorInfo();
  const HRESULT result = Guarded([&]() -> HRESULT {
    current.reset();
    if (!path) {
      LeaveErrorInfo("no file name was given");
      return E_INVALIDARG;
    }
    // Element by element: OLECHAR is a 16-bit unit on every system, of another type on some.
    const std::u16string wide(path, path + SysStringLen(path));
    const auto native = NativePathOf(wide);
    if (!native) {
      LeaveErrorInfo("the file name is not valid text");
      return E_INVALIDARG;
    }
    auto opened = OpenedRecording::Open(*native);
    if (!opened.Ok()) {
      LeaveErrorInfo(opened.Reason());
      return E_FAIL;
    }
    current = std::move(opened.Value());
    const std::vector<std::string>& warnings = current->Recording().warnings;
    if (!warnings.empty()) LeaveErrorInfo(OneALine(warnings));
    return S_OK;
  });
  if (result == E_OUTOFMEMORY) LeaveErrorInfo("memory ran out while the file was opened");
  return result;
}

HRESULT StorageMan::CloseRecording() {
  if (!current) return S_FALSE;
  current.reset();
  return S_OK;
}

}  // namespace open_formats
