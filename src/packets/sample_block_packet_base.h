// A block of 16-bit samples for one time window: a header, one 32-bit sample count per
// channel, then every channel's samples, channel after channel. The library lays the block
// out from the counts and the component fills the samples in place; a table of pointers to
// each channel's first sample saves callers from summing counts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>

#include "packets/info_packet.h"

namespace packets {

class SampleBlockPacketBase : public InfoPacket {
 public:
  static constexpr std::uint32_t kSampleKindOffset = 24;
  static constexpr std::uint32_t kChannelCountOffset = 64;
  static constexpr std::uint32_t kSampleCountsOffset = 68;

  SampleBlockPacketBase() noexcept;
  ~SampleBlockPacketBase() override;

  // Besides the checks of every packet: a channel count and sample counts that are not
  // negative and whose table and samples lie within the declared size.
  bool IsValid(BlockView block) const noexcept override;
  // Adopts a valid block and indexes its channels. False, and nothing changes, when the block
  // is not valid or no memory can be had for the channel table.
  bool Attach(WritableBlockView block) noexcept override;
  // Sample blocks are never copied, nor taken from a fetch: always false, nothing changes.
  bool Assign(BlockView block) noexcept override;
  bool TakeBlock(std::byte* buffer, std::uint64_t capacity) noexcept override;

  // Bytes of the block Build lays out for these counts, 68 + 4n + 2 x (sum of the counts), summed
  // in 64 bits so that no count can wrap it. nullopt for a negative channel or sample count.
  static std::optional<std::uint64_t> BlockSizeFor(std::int32_t channelCount,
                                                   const std::int32_t* sampleCounts) noexcept;

  // Lays out an owned block for `channelCount` channels with the given sample counts (read
  // only) and indexes it; the samples themselves are left for the component to fill. An owned
  // buffer that is large enough is reused. False, and nothing changes, for a negative count,
  // for counts whose block would need 2^32 bytes or more, or when memory is short.
  virtual bool Build(std::int32_t channelCount, const std::int32_t* sampleCounts) noexcept;

  // channelCount of the held block; 0 when there is none.
  std::int32_t ChannelCount() const noexcept;
  // Sample count of channel `channel`; 0 for a channel outside the block.
  std::int32_t SampleCount(std::int32_t channel) const noexcept;
  // The 2 x SampleCount bytes of the channel's samples (16-bit little-endian words, possibly
  // unaligned in an adopted block); empty for a channel outside the block.
  std::span<const std::byte> ChannelSamples(std::int32_t channel) const noexcept;
  // Entries the channel table has room for; it grows by the new channel count when a block
  // needs more, and never shrinks.
  std::uint32_t ChannelTableCapacity() const noexcept { return channelTableCapacity; }

 private:
  // Storage for a channel table of `channelCount` entries when the current one is too small:
  // `grown` stays null when it is large enough. False when memory is short.
  bool ReserveChannelTable(std::uint32_t channelCount, std::unique_ptr<std::byte*[]>& grown,
                           std::uint32_t& grownCapacity) const noexcept;
  // Points the table entries at each channel's first sample in the held block. Writes
  // nothing, and returns false, when the table is too small or the block's layout does not
  // fit its size.
  bool IndexChannels() noexcept;

  std::unique_ptr<std::byte*[]> channelTable;
  std::uint32_t channelTableCapacity = 0;
};

}  // namespace packets
