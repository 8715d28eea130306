#include "packets/packet_fetcher.h"

#include "packets/fetch_packet.h"

namespace packets {

bool TsInfoFetcher::Fetch(reader::StorageManInterface* storageMan, std::int32_t segment,
                          TsInfoPacket& packet) const {
  return FetchSegmentPacket(TsInfoPacket::kKind, storageMan, segment, packet);
}

bool CalibrationFetcher::Fetch(reader::StorageManInterface* storageMan, std::int32_t segment,
                               CalibrationPacket& packet) const {
  return FetchSegmentPacket(CalibrationPacket::kKind, storageMan, segment, packet);
}

bool SensorInfoFetcher::Fetch(reader::StorageManInterface* storageMan,
                              SensorInfoPacket& packet) const {
  return FetchPacket(SensorInfoPacket::kKind, storageMan, packet);
}

bool EventTypeTableFetcher::Fetch(reader::StorageManInterface* storageMan,
                                  EventTypeTablePacket& packet) const {
  return FetchPacket(EventTypeTablePacket::kKind, storageMan, packet);
}

}  // namespace packets
