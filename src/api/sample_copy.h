// The copy from a filled sample block into the host's buffer, and the layout it gives.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "packets/sample_block_packet_base.h"

namespace api {

// Writes every channel's samples into `samples`, channel 0's first, without gaps: one memcpy
// per channel, from the position the block's channel table gives. Returns the number of
// samples written; the host sized the buffer for it.
std::size_t CopyChannelSamples(const packets::SampleBlockPacketBase& block, short* samples) noexcept;

// The number of samples CopyChannelSamples writes of each channel, channel 0's first: the
// layout of the host's buffer, from the block as the component left it. Throws std::bad_alloc
// when memory is short.
std::vector<std::int32_t> CopiedSampleCounts(const packets::SampleBlockPacketBase& block);

}  // namespace api
