#include "packets/sample_block_packet.h"

#include "packets/packet_bytes.h"
#include "reader/reader_ids.h"

namespace packets {

bool SampleBlockPacket::IsValid(BlockView block) const noexcept {
  return SampleBlockPacketBase::IsValid(block) &&
         GuidAt(*block.Declared(), kSampleKindOffset, reader::kSixteenBitSampleKind);
}

bool SampleBlockPacket::Build(std::int32_t channelCount, const std::int32_t* sampleCounts) noexcept {
  if (!SampleBlockPacketBase::Build(channelCount, sampleCounts)) return false;
  WriteLittleEndian(Block(), kSampleKindOffset, reader::kSixteenBitSampleKind);
  return true;
}

}  // namespace packets
