#include "api/sample_copy.h"

#include <cstring>
#include <span>

namespace api {

std::size_t CopyChannelSamples(const packets::SampleBlockPacketBase& block, short* samples) noexcept {
  // Bytes, not shorts: the host's buffer need not be aligned either.
  auto* destination = reinterpret_cast<std::byte*>(samples);
  std::size_t written = 0;
  for (std::int32_t channel = 0; channel < block.ChannelCount(); ++channel) {
    const std::span<const std::byte> channelSamples = block.ChannelSamples(channel);
    if (channelSamples.empty()) continue;
    std::memcpy(destination + written, channelSamples.data(), channelSamples.size());
    written += channelSamples.size();
  }
  return written / sizeof(short);
}

}  // namespace api
