// tapline-sample-writer OUT.edf: writes the sample recording.
#include <cstdio>
#include <exception>

#include "edf_writer.h"
#include "sample_recording.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: tapline-sample-writer OUT.edf\n", stderr);
    return 2;
  }
  try {
    edf_writer::WriteFile(argv[1], sample_writer::SampleRecordingBytes());
  } catch (const std::exception& error) {
    std::fprintf(stderr, "tapline-sample-writer: %s\n", error.what());
    return 1;
  }
  std::printf("wrote %s\n", argv[1]);
  return 0;
}
