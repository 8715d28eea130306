// An EDF, EDF+C or EDF+D file as the component's model: one layout (the ordinary signals, a
// data record being a frame), a segment per run of contiguous records, one event kind per
// distinct annotation text and one event group per annotation signal.
#pragma once

#include <filesystem>
#include <memory>

#include "model/recording_model.h"
#include "model/result.h"
#include "recording.h"

namespace edf {

// Text 1 of the type that events of the texts beyond the event type cap share.
inline constexpr const char* kSharedTypeText = "Other annotations";

// Whether the bytes (the file's first ones) start with an EDF version field.
bool LooksLikeEdf(std::string_view firstBytes);

// Refuses with the parser's reason.
model::Result<model::Recording> OpenModel(const std::filesystem::path& path);

// The model of a parsed file; its samples are read through the recording, which it keeps.
model::Recording BuildModel(std::unique_ptr<Recording> recording);

}  // namespace edf
