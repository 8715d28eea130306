// The sample block the reads use: 16-bit samples, marked by their sample kind at offset 24.
#pragma once

#include <cstdint>

#include "packets/sample_block_packet_base.h"

namespace packets {

class SampleBlockPacket final : public SampleBlockPacketBase {
 public:
  SampleBlockPacket() noexcept = default;

  // Also requires the 16-bit sample kind.
  bool IsValid(BlockView block) const noexcept override;
  // The base layout, stamped with the 16-bit sample kind. Same failures.
  bool Build(std::int32_t channelCount, const std::int32_t* sampleCounts) noexcept override;
};

}  // namespace packets
