// WFDB records (a .hea header with its signal and annotation files) as the component's model.
#pragma once

#include <filesystem>
#include <string_view>

#include "common/result.h"
#include "model/recording_model.h"

namespace wfdb {

// Whether the file's first bytes hold a header's record line (a name and a number of signals)
// as the first line that is neither blank nor a comment.
bool Recognises(std::string_view firstBytes);

// The record whose header is at the path, with its annotators, or the reason it is refused.
common::Result<model::Recording> Open(const std::filesystem::path& headerPath);

}  // namespace wfdb
