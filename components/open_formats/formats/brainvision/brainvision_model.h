// A BrainVision recording (.vhdr header, binary .eeg data, optional .vmrk markers) as the
// component's model: one layout (every channel at the one rate, a frame being one sample of
// each), a segment per New Segment marker, an event per other marker.
#pragma once

#include <filesystem>
#include <string_view>

#include "model/recording_model.h"
#include "model/result.h"

namespace brainvision {

// Text 1 of the type that markers of the kinds beyond the event type cap share.
inline constexpr const char* kSharedTypeText = "Other markers";

// Whether the bytes (the file's first ones) start with the header's identification line, or
// hold a [Common Infos] section.
bool LooksLikeHeader(std::string_view firstBytes);

// Opens the header at path and the files it names; refuses with a precise reason.
model::Result<model::Recording> OpenModel(const std::filesystem::path& headerPath);

}  // namespace brainvision
