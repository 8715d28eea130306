// The ReaderContext operations that read whole packets, and the event operations.
#include "api/component_interfaces.h"
#include "api/reader_context.h"
#include "packets/event_record_packet.h"
#include "packets/packet_fetcher.h"

namespace api {

bool ReaderContext::ReadTsInfo(packets::TsInfoPacket& packet, std::int32_t segment) {
  return packets::TsInfoFetcher().Fetch(storageMan.get(), segment, packet);
}

bool ReaderContext::ReadSensorInfo(packets::SensorInfoPacket& packet) {
  return packets::SensorInfoFetcher().Fetch(storageMan.get(), packet);
}

bool ReaderContext::ReadEventTypeTable(packets::EventTypeTablePacket& table) {
  return packets::EventTypeTableFetcher().Fetch(storageMan.get(), table);
}

std::int32_t ReaderContext::EventCount() {
  const ComPtr<reader::EventInterface> events = ObtainEventInterface(storageMan.get());
  if (!events) return 0;
  std::int32_t count = 0;
  events->CountEvents(&count);
  return count;
}

bool ReaderContext::ReadEventRecord(std::int32_t eventIndex, packets::EventRecordPacket& record) {
  const ComPtr<reader::EventInterface> events = ObtainEventInterface(storageMan.get());
  if (!events) return false;
  BYTE* bytes = nullptr;
  if (FAILED(events->GetEventPacket(eventIndex, &bytes))) return false;
  // The bytes stay the component's and readable until the recording closes; their length is
  // known only from their own header, so the record checks they can be read that far.
  return record.Attach(packets::WritableBlockView::OfUnknownLength(bytes));
}

}  // namespace api
