#include "packets/sample_block_packet.h"

#include "packets/packet_bytes.h"
#include "reader/reader_ids.h"

namespace packets {

bool SampleBlockPacket::IsValid(BlockView block) const noexcept {
  if (!SampleBlockPacketBase::IsValid(block)) return false;
  // The base test made the block readable for at least its 68-byte fixed part.
  const std::span<const std::byte> fixedPart(block.Bytes(), kSampleCountsOffset);
  return GuidAt(fixedPart, kSampleKindOffset, reader::kSixteenBitSampleKind);
}

bool SampleBlockPacket::Build(std::int32_t channelCount, const std::int32_t* sampleCounts) noexcept {
  if (!SampleBlockPacketBase::Build(channelCount, sampleCounts)) return false;
  WriteLittleEndian(Block(), kSampleKindOffset, reader::kSixteenBitSampleKind);
  return true;
}

}  // namespace packets
