// WFDB records in the component's model of a recording.
#pragma once

#include <filesystem>
#include <string_view>

#include "model/recording_model.h"
#include "model/result.h"

namespace wfdb {

// A header's first record line: a name and a number of signals, after any comment lines.
bool LooksLikeWfdbHeader(std::string_view firstBytes);

// Opens the record whose header is at the path, with its annotators.
model::Result<model::Recording> OpenModel(const std::filesystem::path& headerPath);

}  // namespace wfdb
