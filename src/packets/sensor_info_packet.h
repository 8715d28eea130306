// The recording-wide sensor description. The library only needs it to be there and valid, so
// it is carried and compared, never interpreted.
#pragma once

#include "packets/table_packet.h"
#include "reader/reader_ids.h"

namespace packets {

inline constexpr TableLayout kSensorInfoLayout{reader::kSensorInfoKind, 752, 440};

class SensorInfoPacket final : public TablePacket<kSensorInfoLayout> {
 public:
  SensorInfoPacket() noexcept = default;
};

}  // namespace packets
