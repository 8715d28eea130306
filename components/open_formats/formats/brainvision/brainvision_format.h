// BrainVision recordings (.vhdr header, binary .eeg data, optional .vmrk markers) as the
// component's model: one layout (every channel at the one rate, a frame being one sample of
// each), a segment per New Segment marker, an event per other marker.
#pragma once

#include <filesystem>
#include <string_view>

#include "common/result.h"
#include "model/recording_model.h"

namespace brainvision {

// Whether the file's first bytes start with the header's identification line, or hold a
// [Common Infos] section.
bool Recognises(std::string_view firstBytes);

// The header at the path and the files it names, or the precise reason they are refused.
common::Result<model::Recording> Open(const std::filesystem::path& headerPath);

}  // namespace brainvision
