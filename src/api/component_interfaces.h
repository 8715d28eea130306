// The component's sub-interfaces, obtained afresh for one operation. Each is empty when no
// recording object is held or the component refuses (a negative status); a pointer handed out
// with a refusal is released at once.
#pragma once

#include "platform/platform.h"
#include "reader/reader_interfaces.h"

namespace api {

inline ComPtr<reader::SegmentInterface> ObtainSegmentInterface(reader::StorageManInterface* storageMan) {
  ComPtr<reader::SegmentInterface> segments;
  if (storageMan == nullptr || FAILED(storageMan->GetSegmentInterface(segments.put()))) segments.reset();
  return segments;
}

inline ComPtr<reader::PacketInterface> ObtainPacketInterface(reader::StorageManInterface* storageMan) {
  ComPtr<reader::PacketInterface> packets;
  if (storageMan == nullptr || FAILED(storageMan->GetPacketInterface(packets.put()))) packets.reset();
  return packets;
}

inline ComPtr<reader::EventInterface> ObtainEventInterface(reader::StorageManInterface* storageMan) {
  ComPtr<reader::EventInterface> events;
  if (storageMan == nullptr || FAILED(storageMan->GetEventInterface(events.put()))) events.reset();
  return events;
}

}  // namespace api
