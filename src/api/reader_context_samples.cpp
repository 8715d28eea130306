// ReaderContext::ReadSampleWindow: the one read behind GetData, GetData2 and GetSegmentInf.
#include <cstdint>
#include <memory>
#include <new>

#include "api/component_interfaces.h"
#include "api/reader_context.h"
#include "packets/sample_block_packet_base.h"

namespace api {
namespace {

// A block for this many channels would need 2^32 bytes or more for its count table alone
// (68 + 4n bytes), so its counts need not even be asked for.
bool TableAloneTooLarge(std::int32_t channelCount) {
  return 68 + std::uint64_t{4} * static_cast<std::uint32_t>(channelCount) >= (std::uint64_t{1} << 32);
}

}  // namespace

bool ReaderContext::ReadSampleWindow(RecordingTime start, double duration,
                                     packets::SampleBlockPacketBase& block) {
  if (!WindowFitsSegment(start, duration)) return false;
  const ComPtr<reader::PacketInterface> packets = ObtainPacketInterface(storageMan.get());
  if (!packets) return false;

  std::int32_t channelCount = 0;
  packets->GetSampleChannelCount(start.days, start.seconds, &channelCount);
  // A negative count or one no block can hold would otherwise size the arrays from a wrapped
  // number.
  if (channelCount < 0 || TableAloneTooLarge(channelCount)) return false;
  const std::unique_ptr<std::int32_t[]> counts(new (std::nothrow) std::int32_t[channelCount]);
  if (!counts) return false;

  // Preset once, not per channel: a channel the component says nothing about takes the count of
  // the channel before it, and the block is laid out with that count.
  std::int32_t count = 0;
  for (std::int32_t channel = 0; channel < channelCount; ++channel) {
    packets->GetSampleCount(channel, start.days, start.seconds, duration, &count);
    counts[channel] = count;
  }
  // Refuses negative counts and blocks of 2^32 bytes or more, and fails when memory is short.
  if (!block.Build(channelCount, counts.get())) return false;

  const std::span<std::byte> bytes = block.Block();
  // Build keeps blocks below 2^32 bytes, so the size the component receives is the whole size.
  packets->ReadSamples(start.days, start.seconds, duration, static_cast<std::uint32_t>(bytes.size()),
                       reinterpret_cast<BYTE*>(bytes.data()));  // std::byte and BYTE are both bytes
  return true;
}

}  // namespace api
