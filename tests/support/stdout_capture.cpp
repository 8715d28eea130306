#include "stdout_capture.h"

#include <fstream>
#include <iterator>

namespace support {

StdoutCapture::~StdoutCapture() {
  if (savedDescriptor >= 0) Finish();
  std::remove(path.c_str());
}

// Read through a stream of its own, in binary mode: the bytes exactly as written, and the
// offset that descriptor 1 shares with the capture's file stays where the writer left it.
std::string StdoutCapture::Written() const {
  std::ifstream stream(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
}

}  // namespace support
