// Signal files in the FLAC formats (508, 516, 524): one FLAC stream per file, one FLAC channel
// per signal of the file, in header order. Built with libFLAC when the build finds it; without
// it the formats are refused by name.
#pragma once

#include <memory>
#include <string>

#include "signal_file_reader.h"

namespace wfdb {

// Whether this build decodes FLAC.
bool HaveFlacDecoder();

// A reader of the group's FLAC stream, which starts at the group's byte offset; null, with a
// reason naming the file and the numbers, when the stream cannot be read or disagrees with the
// header: another channel count than the group's signals, more bits per sample than the
// format's width, signals with different samples per frame.
std::unique_ptr<SignalFileReader> OpenFlacReader(SignalGroup group, std::unique_ptr<ByteSource> file,
                                                 std::string& why);

}  // namespace wfdb
