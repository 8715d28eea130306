// The formats the component reads, each recognised by the content of the file it is given.
#pragma once

#include <filesystem>

#include "common/result.h"
#include "model/recording_model.h"

namespace formats {

// The model of the recording the file holds, from the first format that recognises the
// file's first bytes; a file no format recognises is refused with EDF's reason (which says
// what its version field holds).
common::Result<model::Recording> OpenRecordingFile(const std::filesystem::path& path);

}  // namespace formats
