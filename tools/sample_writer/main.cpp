// tapline-sample-writer OUT.edf: writes the sample recording.
#include <cstdio>
#include <exception>

#include "sample_recording.h"
#include "written_file.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: tapline-sample-writer OUT.edf\n", stderr);
    return 2;
  }
  try {
    recording_writers::WriteFile(argv[1], sample_writer::SampleRecordingBytes());
  } catch (const std::exception& error) {
    std::fprintf(stderr, "tapline-sample-writer: %s\n", error.what());
    return 1;
  }
  std::printf("wrote %s\n", argv[1]);
  return 0;
}
