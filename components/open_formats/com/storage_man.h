// StorageMan: the component's central object. It opens one recording at a time and hands out
// the segment, packet and event objects that serve it.
#pragma once

#include <memory>

#include "com/com_object.h"
#include "com/opened_recording.h"
#include "reader/reader_ids.h"
#include "reader/reader_interfaces.h"

namespace open_formats {

// Its OpenRecording leaves the standard error object on the calling thread (ISupportErrorInfo
// says so): a refused file's reason, what a forgiving open forgave, or none after a clean open.
class StorageMan final : public ComObject<StorageMan, reader::StorageManInterface>,
                         public ISupportErrorInfo {
 public:
  static bool Implements(REFIID iid) { return IsEqualGUID(iid, reader::kStorageManInterfaceId); }

  // IUnknown for both bases; ISupportErrorInfo has its own vtable.
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return ComObject::AddRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return ComObject::Release(); }
  // S_OK for StorageManInterface, whose OpenRecording leaves an error object; S_FALSE else.
  HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID iid) override;

  COMPONENT_UNUSED_SLOT(Unused3)
  COMPONENT_UNUSED_SLOT(Unused4)
  COMPONENT_UNUSED_SLOT(Unused5)
  COMPONENT_UNUSED_SLOT(Unused6)
  COMPONENT_UNUSED_SLOT(Unused7)
  COMPONENT_UNUSED_SLOT(Unused8)
  HRESULT STDMETHODCALLTYPE GetSegmentInterface(reader::SegmentInterface** segments) override;
  COMPONENT_UNUSED_SLOT(Unused10)
  HRESULT STDMETHODCALLTYPE GetPacketInterface(reader::PacketInterface** packets) override;
  COMPONENT_UNUSED_SLOT(Unused12)
  HRESULT STDMETHODCALLTYPE GetEventInterface(reader::EventInterface** events) override;
  COMPONENT_UNUSED_SLOT(Unused14)
  COMPONENT_UNUSED_SLOT(Unused15)
  COMPONENT_UNUSED_SLOT(Unused16)
  COMPONENT_UNUSED_SLOT(Unused17)
  COMPONENT_UNUSED_SLOT(Unused18)
  COMPONENT_UNUSED_SLOT(Unused19)
  COMPONENT_UNUSED_SLOT(Unused20)
  COMPONENT_UNUSED_SLOT(Unused21)
  COMPONENT_UNUSED_SLOT(Unused22)
  COMPONENT_UNUSED_SLOT(Unused23)
  COMPONENT_UNUSED_SLOT(Unused24)
  COMPONENT_UNUSED_SLOT(Unused25)
  // Closes what was open first. S_OK when the file was opened; E_INVALIDARG for a null or
  // unconvertible path; E_FAIL when the file is refused; E_OUTOFMEMORY when memory runs out.
  // A failure leaves the reason as the thread's error object, an open that forgave something
  // (records the header promises but the file lacks, ...) leaves the warnings, one a line,
  // and a clean open leaves none. The integer arguments select nothing here.
  HRESULT STDMETHODCALLTYPE OpenRecording(BSTR path, std::int32_t openMode, std::int32_t reserved,
                                          std::int32_t flags) override;
  COMPONENT_UNUSED_SLOT(Unused27)
  COMPONENT_UNUSED_SLOT(Unused28)
  // S_OK when a recording was closed, S_FALSE when none was open.
  HRESULT STDMETHODCALLTYPE CloseRecording() override;

  // The open recording, or null.
  OpenedRecording* Current() { return current.get(); }

 private:
  std::unique_ptr<OpenedRecording> current;
};

}  // namespace open_formats
