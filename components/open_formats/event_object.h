// The events of StorageMan's open recording. E_UNEXPECTED (nothing written) when no recording
// is open.
#pragma once

#include "reader/reader_interfaces.h"
#include "storage_man_part.h"

namespace edf_component {

class EventObject final : public StorageManPart<EventObject, reader::EventInterface> {
 public:
  using StorageManPart::StorageManPart;

  EDF_COMPONENT_UNUSED_SLOT(Unused3)
  EDF_COMPONENT_UNUSED_SLOT(Unused4)
  EDF_COMPONENT_UNUSED_SLOT(Unused5)
  EDF_COMPONENT_UNUSED_SLOT(Unused6)
  EDF_COMPONENT_UNUSED_SLOT(Unused7)
  EDF_COMPONENT_UNUSED_SLOT(Unused8)
  EDF_COMPONENT_UNUSED_SLOT(Unused9)
  // The record of event `index` (0 .. count - 1, else E_INVALIDARG with nothing written); its
  // bytes stay the component's and readable until the recording is closed.
  HRESULT STDMETHODCALLTYPE GetEventPacket(std::int32_t index, BYTE** record) override;
  EDF_COMPONENT_UNUSED_SLOT(Unused11)
  HRESULT STDMETHODCALLTYPE CountEvents(std::int32_t* count) override;
};

}  // namespace edf_component
