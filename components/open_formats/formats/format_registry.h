// The formats the component reads, each recognised by the content of the file it is given.
#pragma once

#include <filesystem>

#include "common/result.h"
#include "model/recording_model.h"

namespace formats {

// The model of the recording the file holds, from the first format that recognises the
// file's first bytes. A file no format recognises is refused with the formats tried, what
// each looks for, and the file's first line; what is not a regular file, with the reason.
common::Result<model::Recording> OpenRecordingFile(const std::filesystem::path& path);

}  // namespace formats
