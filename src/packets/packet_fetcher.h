// One fetcher per packet kind, so that each kind is read by the path and with the kind GUID
// that belong to it, into a packet of the matching class.
#pragma once

#include <cstdint>

#include "packets/calibration_packet.h"
#include "packets/event_type_table_packet.h"
#include "packets/sensor_info_packet.h"
#include "packets/ts_info_packet.h"
#include "reader/reader_interfaces.h"

namespace packets {

class PacketFetcher {
 public:
  virtual ~PacketFetcher() = default;

 protected:
  PacketFetcher() = default;
};

// The channel description of one segment. Fails as FetchSegmentPacket.
class TsInfoFetcher final : public PacketFetcher {
 public:
  bool Fetch(reader::StorageManInterface* storageMan, std::int32_t segment,
             TsInfoPacket& packet) const;
};

// How the channels of one segment are calibrated. Fails as FetchSegmentPacket.
class CalibrationFetcher final : public PacketFetcher {
 public:
  bool Fetch(reader::StorageManInterface* storageMan, std::int32_t segment,
             CalibrationPacket& packet) const;
};

// The recording-wide sensor description. Fails as FetchPacket.
class SensorInfoFetcher final : public PacketFetcher {
 public:
  bool Fetch(reader::StorageManInterface* storageMan, SensorInfoPacket& packet) const;
};

// The recording-wide event type table. Fails as FetchPacket.
class EventTypeTableFetcher final : public PacketFetcher {
 public:
  bool Fetch(reader::StorageManInterface* storageMan,
             EventTypeTablePacket& packet) const;
};

}  // namespace packets
