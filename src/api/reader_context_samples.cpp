// ReaderContext::ReadSampleWindow and ReadSampleCounts: the reads behind GetData, GetData2 and
// GetSegmentInf.
#include <cstdint>
#include <new>
#include <optional>

#include "api/component_interfaces.h"
#include "api/reader_context.h"
#include "packets/info_packet.h"
#include "packets/sample_block_packet.h"

namespace api {
namespace {

// A block for this many channels would need 2^32 bytes or more for its count table alone
// (68 + 4n bytes), so its counts need not even be asked for.
bool TableAloneTooLarge(std::int32_t channelCount) {
  return 68 + std::uint64_t{4} * static_cast<std::uint32_t>(channelCount) >= (std::uint64_t{1} << 32);
}

// Lays `block` out from the counts and has the component fill it. False when the block cannot
// be built (2^32 bytes or more, memory short) or the component fails the read.
bool ReadIntoBlock(reader::PacketInterface& packets, RecordingTime start, double duration,
                   const std::vector<std::int32_t>& counts, packets::SampleBlockPacketBase& block) {
  if (!block.Build(static_cast<std::int32_t>(counts.size()), counts.data())) return false;
  const std::span<std::byte> bytes = block.Block();
  // Build keeps blocks below 2^32 bytes, so the size the component receives is the whole size.
  // A failed read may have left part of the block unwritten: nothing of it may reach the host.
  return SUCCEEDED(packets.ReadSamples(start.days, start.seconds, duration, static_cast<std::uint32_t>(bytes.size()),
                                       reinterpret_cast<BYTE*>(bytes.data())));  // std::byte and BYTE are both bytes
}

}  // namespace

ComPtr<reader::PacketInterface> ReaderContext::AskSampleCounts(RecordingTime start, double duration,
                                                               std::vector<std::int32_t>& counts) {
  if (!WindowFitsSegment(start, duration)) return {};
  ComPtr<reader::PacketInterface> packets = ObtainPacketInterface(storageMan.get());
  if (!packets) return {};

  std::int32_t channelCount = 0;
  // A negative count, or one no block can hold, would otherwise size the counts from a wrapped
  // number.
  if (FAILED(packets->GetSampleChannelCount(start.days, start.seconds, &channelCount)) || channelCount < 0 ||
      TableAloneTooLarge(channelCount)) {
    return {};
  }
  try {
    counts.assign(static_cast<std::size_t>(channelCount), 0);
  } catch (const std::bad_alloc&) {
    return {};
  }
  // Preset once, not per channel: a channel the component succeeds on without writing takes the
  // count of the channel before it. A failed channel fails the read: its count is unknown, and
  // any count put in its place would misplace every later channel's samples in the host's buffer.
  std::int32_t count = 0;
  for (std::int32_t channel = 0; channel < channelCount; ++channel) {
    if (FAILED(packets->GetSampleCount(channel, start.days, start.seconds, duration, &count))) return {};
    counts[static_cast<std::size_t>(channel)] = count;
  }
  return packets;
}

bool ReaderContext::ReadSampleWindow(RecordingTime start, double duration, packets::SampleBlockPacketBase& block) {
  std::vector<std::int32_t> counts;
  const ComPtr<reader::PacketInterface> packets = AskSampleCounts(start, duration, counts);
  return packets && ReadIntoBlock(*packets, start, duration, counts, block);
}

bool ReaderContext::ReadSampleCounts(RecordingTime start, double duration, std::vector<std::int32_t>& counts) {
  const ComPtr<reader::PacketInterface> packets = AskSampleCounts(start, duration, counts);
  if (!packets) return false;
  const std::optional<std::uint64_t> size =
      packets::SampleBlockPacketBase::BlockSizeFor(static_cast<std::int32_t>(counts.size()), counts.data());
  if (!size) return false;  // a negative count lays out no block, large or not
  if (!packets::IsUsableBlockSize(*size)) return true;
  packets::SampleBlockPacket block;
  return ReadIntoBlock(*packets, start, duration, counts, block);
}

}  // namespace api
