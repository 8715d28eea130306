// What a format provides the component. A format's folder holds its parser and the building
// of the model; it includes only common/ and model/, and offers its entry point in
// formats/<name>/<name>_format.h as two functions of the same names and shapes in every
// format's namespace, `Recognises` and `Open`, which the registry lists.
#pragma once

#include <filesystem>
#include <string_view>

#include "common/result.h"
#include "model/recording_model.h"

namespace formats {

// How many of a file's first bytes a format's `recognises` may be shown: enough for a header
// whose record or section comes after a megabyte of comments.
inline constexpr std::size_t kRecognisedBytes = std::size_t{1} << 20;

struct Format {
  // The format's name, as a refusal of a file nobody recognises lists it ("WFDB").
  const char* name;
  // What `recognises` looks for, as that refusal says it ("a record line first").
  const char* signature;
  // Whether the file's first bytes (up to kRecognisedBytes; fewer for a shorter file) are this
  // format's. Decides by content only, never by the file's name. Shown a file's first bytes
  // and then more of them, it must not change a yes into a no: the registry shows a short
  // start first and the rest only when no format recognised that.
  bool (*recognises)(std::string_view firstBytes);
  // The model of the recording at path, or the precise reason it is refused.
  common::Result<model::Recording> (*open)(const std::filesystem::path& path);
};

}  // namespace formats
