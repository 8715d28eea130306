// The copy from a filled sample block into the host's buffer.
#pragma once

#include <cstddef>

#include "packets/sample_block_packet_base.h"

namespace api {

// Writes every channel's samples into `samples`, channel 0's first, without gaps: one memcpy
// per channel, from the position the block's channel table gives. Returns the number of
// samples written; the host sized the buffer for it.
std::size_t CopyChannelSamples(const packets::SampleBlockPacketBase& block, short* samples) noexcept;

}  // namespace api
