// GDF 1.x and 2.x files as the component's model: one layout (the channels whose values fit in
// 16 bits, a data record being a frame), a segment per run of records between breaks (event
// 0x7FFE), one event kind per event code and one event group.
#pragma once

#include <filesystem>
#include <string_view>

#include "common/result.h"
#include "model/recording_model.h"

namespace gdf {

// Whether the file's first bytes start with "GDF" and a version number (of any version: Open
// refuses the ones it does not read, with the reason).
bool Recognises(std::string_view firstBytes);

// The model of the file at path, or the reason for refusing it.
common::Result<model::Recording> Open(const std::filesystem::path& path);

}  // namespace gdf
