#include "packets/sample_block_packet_base.h"

#include <cstring>
#include <new>
#include <optional>

#include "packets/packet_bytes.h"
#include "reader/reader_ids.h"

namespace packets {
namespace {

constexpr std::uint64_t kSampleBytes = 2;

std::uint64_t SampleCountsEnd(std::uint32_t channelCount) {
  return SampleBlockPacketBase::kSampleCountsOffset + std::uint64_t{4} * channelCount;
}

// The channel and sample counts are not negative and the table and the samples they lay out
// end within the block.
bool LayoutFits(std::span<const std::byte> block) {
  const std::optional<std::int32_t> channelCount =
      ReadLittleEndian<std::int32_t>(block, SampleBlockPacketBase::kChannelCountOffset);
  if (!channelCount || *channelCount < 0) return false;
  std::uint64_t size = SampleCountsEnd(static_cast<std::uint32_t>(*channelCount));
  if (size > block.size()) return false;
  for (std::int32_t i = 0; i < *channelCount; ++i) {
    const std::int32_t sampleCount =
        *ReadLittleEndian<std::int32_t>(block, SampleBlockPacketBase::kSampleCountsOffset + 4 * std::uint64_t(i));
    if (sampleCount < 0) return false;
    size += kSampleBytes * static_cast<std::uint32_t>(sampleCount);  // below 2^63: no wrap
    if (size > block.size()) return false;
  }
  return true;
}

}  // namespace

SampleBlockPacketBase::SampleBlockPacketBase() noexcept { SetGuid(reader::kSampleBlockKind); }

SampleBlockPacketBase::~SampleBlockPacketBase() = default;

bool SampleBlockPacketBase::IsValid(BlockView block) const noexcept {
  return InfoPacket::IsValid(block) && LayoutFits(*block.Declared());
}

bool SampleBlockPacketBase::Attach(WritableBlockView block) noexcept {
  if (!IsValid(block)) return false;
  // The layout check read it already.
  const std::int32_t channelCount =
      *ReadLittleEndian<std::int32_t>(*BlockView(block).Declared(), kChannelCountOffset);
  std::unique_ptr<std::byte*[]> grown;
  std::uint32_t grownCapacity = 0;
  if (!ReserveChannelTable(static_cast<std::uint32_t>(channelCount), grown, grownCapacity)) {
    return false;
  }
  InfoPacket::Attach(block);
  if (grown) {
    channelTable = std::move(grown);
    channelTableCapacity = grownCapacity;
  }
  return IndexChannels();
}

bool SampleBlockPacketBase::Assign(BlockView) noexcept { return false; }

bool SampleBlockPacketBase::TakeBlock(std::byte*, std::uint64_t) noexcept { return false; }

std::optional<std::uint64_t> SampleBlockPacketBase::BlockSizeFor(std::int32_t channelCount,
                                                                  const std::int32_t* sampleCounts) noexcept {
  if (channelCount < 0 || (channelCount > 0 && sampleCounts == nullptr)) return std::nullopt;
  const std::uint32_t channels = static_cast<std::uint32_t>(channelCount);
  // Below 2^31 terms of below 2^32 each: the sum stays below 2^63.
  std::uint64_t size = SampleCountsEnd(channels);
  for (std::uint32_t i = 0; i < channels; ++i) {
    if (sampleCounts[i] < 0) return std::nullopt;
    size += kSampleBytes * static_cast<std::uint32_t>(sampleCounts[i]);
  }
  return size;
}

bool SampleBlockPacketBase::Build(std::int32_t channelCount,
                                  const std::int32_t* sampleCounts) noexcept {
  const std::optional<std::uint64_t> size = BlockSizeFor(channelCount, sampleCounts);
  if (!size || *size >= kBlockSizeLimit) return false;
  const std::uint32_t channels = static_cast<std::uint32_t>(channelCount);

  std::unique_ptr<std::byte*[]> grown;
  std::uint32_t grownCapacity = 0;
  if (!ReserveChannelTable(channels, grown, grownCapacity)) return false;
  if (!Allocate(*size)) return false;
  if (grown) {
    channelTable = std::move(grown);
    channelTableCapacity = grownCapacity;
  }
  const std::span<std::byte> block = Block();
  WriteLittleEndian(block, kSampleKindOffset, guid);
  WriteLittleEndian(block, kChannelCountOffset, channelCount);
  if (channels != 0) {
    std::memcpy(block.data() + kSampleCountsOffset, sampleCounts, std::size_t{4} * channels);
  }
  return IndexChannels();
}

std::int32_t SampleBlockPacketBase::ChannelCount() const noexcept {
  return ReadLittleEndian<std::int32_t>(Block(), kChannelCountOffset).value_or(0);
}

std::int32_t SampleBlockPacketBase::SampleCount(std::int32_t channel) const noexcept {
  if (channel < 0 || channel >= ChannelCount()) return 0;
  const std::uint64_t offset = kSampleCountsOffset + std::uint64_t{4} * static_cast<std::uint32_t>(channel);
  return ReadLittleEndian<std::int32_t>(Block(), offset).value_or(0);
}

std::span<const std::byte> SampleBlockPacketBase::ChannelSamples(std::int32_t channel) const noexcept {
  if (channel < 0 || channel >= ChannelCount()) return {};
  if (static_cast<std::uint32_t>(channel) >= channelTableCapacity) return {};
  const std::span<const std::byte> block = Block();
  // The table was filled from this block; check that it still points into it, so that a block
  // swapped underneath (Allocate, Resize) yields nothing instead of a stray pointer.
  const auto start = reinterpret_cast<std::uintptr_t>(block.data());
  const auto first = reinterpret_cast<std::uintptr_t>(channelTable[channel]);
  const std::uint64_t length = kSampleBytes * static_cast<std::uint32_t>(SampleCount(channel));
  if (first < start || first - start > block.size()) return {};
  if (!Fits(block, first - start, length)) return {};
  return block.subspan(first - start, static_cast<std::size_t>(length));
}

bool SampleBlockPacketBase::ReserveChannelTable(std::uint32_t channelCount,
                                                std::unique_ptr<std::byte*[]>& grown,
                                                std::uint32_t& grownCapacity) const noexcept {
  if (channelCount <= channelTableCapacity) return true;
  // Grows by the new count, not to it. A block has fewer than 2^30 channels and the table
  // grows only for a count above its capacity, so the sum stays below 2^31.
  grownCapacity = channelTableCapacity + channelCount;
  grown.reset(new (std::nothrow) std::byte*[grownCapacity]);
  return grown != nullptr;
}

bool SampleBlockPacketBase::IndexChannels() noexcept {
  const std::span<std::byte> block = Block();
  if (!LayoutFits(block)) return false;
  const auto channelCount = static_cast<std::uint32_t>(ChannelCount());
  if (channelCount > channelTableCapacity) return false;
  std::uint64_t offset = SampleCountsEnd(channelCount);
  for (std::uint32_t i = 0; i < channelCount; ++i) {
    channelTable[i] = block.data() + offset;
    offset += kSampleBytes * static_cast<std::uint32_t>(SampleCount(static_cast<std::int32_t>(i)));
  }
  return true;
}

}  // namespace packets
