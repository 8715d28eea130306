// The build without libFLAC: every FLAC format is refused by GroupSignals before a file is
// opened, so no reader is ever asked for.
#include "flac_decoder.h"

namespace wfdb {

bool HaveFlacDecoder() { return false; }

std::unique_ptr<SignalFileReader> OpenFlacReader(SignalGroup group, std::unique_ptr<ByteSource>,
                                                 std::string& why) {
  why = group.fileName + ": format " + std::to_string(group.format) +
        " needs the FLAC decoder, which this build lacks";
  return nullptr;
}

}  // namespace wfdb
