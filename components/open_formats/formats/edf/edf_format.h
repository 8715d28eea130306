// EDF, EDF+C and EDF+D files as the component's model: one layout (the ordinary signals, a
// data record being a frame), a segment per run of contiguous records, one event kind per
// distinct annotation text, one shared type past the cap for every annotation signal.
#pragma once

#include <filesystem>
#include <string_view>

#include "common/result.h"
#include "model/recording_model.h"

namespace edf {

// Whether the file's first bytes start with an EDF version field (or BioSemi's, which Open
// refuses with its reason).
bool Recognises(std::string_view firstBytes);

// The model of the file at path, or the parser's reason for refusing it.
common::Result<model::Recording> Open(const std::filesystem::path& path);

}  // namespace edf
