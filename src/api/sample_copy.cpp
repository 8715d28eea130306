#include "api/sample_copy.h"

#include <algorithm>
#include <cstring>
#include <span>

namespace api {
namespace {

// Channels the block was laid out with: a component that rewrites the channel count upwards
// adds channels that have no samples to copy.
std::int32_t CopiedChannelCount(const packets::SampleBlockPacketBase& block) noexcept {
  const std::uint32_t tableEntries = std::min<std::uint32_t>(block.ChannelTableCapacity(), INT32_MAX);
  return std::min(block.ChannelCount(), static_cast<std::int32_t>(tableEntries));
}

}  // namespace

std::size_t CopyChannelSamples(const packets::SampleBlockPacketBase& block, short* samples) noexcept {
  // Bytes, not shorts: the host's buffer need not be aligned either.
  auto* destination = reinterpret_cast<std::byte*>(samples);
  std::size_t written = 0;
  for (std::int32_t channel = 0; channel < CopiedChannelCount(block); ++channel) {
    const std::span<const std::byte> channelSamples = block.ChannelSamples(channel);
    if (channelSamples.empty()) continue;
    std::memcpy(destination + written, channelSamples.data(), channelSamples.size());
    written += channelSamples.size();
  }
  return written / sizeof(short);
}

std::vector<std::int32_t> CopiedSampleCounts(const packets::SampleBlockPacketBase& block) {
  std::vector<std::int32_t> counts;
  for (std::int32_t channel = 0; channel < CopiedChannelCount(block); ++channel) {
    // A channel holds fewer than 2^31 samples: its block is below 2^32 bytes.
    counts.push_back(static_cast<std::int32_t>(block.ChannelSamples(channel).size() / sizeof(short)));
  }
  return counts;
}

}  // namespace api
