// Fills the sample area of a block its caller laid out (tapline_edf/packet_layout.h): the
// header up to the channel count, the 32-bit sample counts, then every channel's 16-bit
// samples, channel after channel.
#pragma once

#include <cstdint>

#include "model/recording_model.h"
#include "model/window_rule.h"
#include "platform/platform.h"

namespace open_formats {

// Refuses, writing nothing, a block that does not match the window: E_POINTER for a null
// block, E_INVALIDARG for another kind or sample kind, a channel count or sample count that
// differs from the window's, or a block size too small for them. E_FAIL when the file no
// longer holds the samples. Never writes outside [block, block + blockSize).
HRESULT FillSampleBlock(model::Recording& recording, const model::Window& window,
                        std::uint32_t blockSize, BYTE* block);

}  // namespace open_formats
