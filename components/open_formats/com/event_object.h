// The events of StorageMan's open recording. E_UNEXPECTED (nothing written) when no recording
// is open.
#pragma once

#include "com/storage_man_part.h"
#include "reader/reader_interfaces.h"

namespace open_formats {

class EventObject final : public StorageManPart<EventObject, reader::EventInterface> {
 public:
  using StorageManPart::StorageManPart;

  COMPONENT_UNUSED_SLOT(Unused3)
  COMPONENT_UNUSED_SLOT(Unused4)
  COMPONENT_UNUSED_SLOT(Unused5)
  COMPONENT_UNUSED_SLOT(Unused6)
  COMPONENT_UNUSED_SLOT(Unused7)
  COMPONENT_UNUSED_SLOT(Unused8)
  COMPONENT_UNUSED_SLOT(Unused9)
  // The record of event `index` (0 .. count - 1, else E_INVALIDARG with nothing written); its
  // bytes stay the component's and readable until the recording is closed.
  HRESULT STDMETHODCALLTYPE GetEventPacket(std::int32_t index, BYTE** record) override;
  COMPONENT_UNUSED_SLOT(Unused11)
  HRESULT STDMETHODCALLTYPE CountEvents(std::int32_t* count) override;
};

}  // namespace open_formats
