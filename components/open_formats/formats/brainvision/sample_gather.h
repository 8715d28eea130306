// De-interleaving multiplexed 16-bit samples: frames of every channel's sample, one after the
// other, into each wanted channel's run of samples.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "model/recording_model.h"

namespace brainvision {

// Copies, for every read, its samples among frames [from, to) to their place: frame k's sample
// of read.channel (2 bytes at k x frameBytes + 2 x channel from the frames' start, the frames
// starting at `frames` with frame `from`) goes to read.destination + 2 x (k - read.first).
// Frames outside a read's range are left alone; bytes are copied as they are. Eight reads of
// consecutive channels over the same range are taken together, eight frames at a time.
void GatherSamples(const std::byte* frames, std::int64_t frameBytes, std::int64_t from,
                   std::int64_t to, std::span<const model::ChannelRead> reads);

}  // namespace brainvision
