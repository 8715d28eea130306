// WFDB records written by the tests, the fuzz seeds and the benchmarks: signal files in every
// sample format (whole, or streamed when they do not fit in memory) and MIT-format annotation
// files, so that each rule has a record that shows it. Headers are text the callers write.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "written_file.h"

namespace wfdb_test {

// One signal of a group, with the samples its channel holds (samplesPerFrame x (frames - skew)
// of them); -32768 is written as the format's invalid value.
struct WrittenSignal {
  int format = 16;
  int samplesPerFrame = 1;
  int skew = 0;
  int initialValue = 0;  // format 8: the value its differences start from
  std::vector<std::int16_t> samples;
};

// The stored integers of a stream (frame after frame) in a format; format 8 takes the
// differences. Formats 212, 310 and 311 may end in a part of a unit.
std::string EncodeStream(int format, std::span<const std::int32_t> stream);

// A signal file written piece by piece through a partial file that Finish renames to the path:
// the stored integers as EncodeStream takes them, in pieces of any length (a unit that a piece
// leaves unfinished waits for the next).
class SignalFileStream {
 public:
  SignalFileStream(std::filesystem::path path, int format);
  void Write(std::span<const std::int32_t> stream);
  // Throws std::runtime_error when a write failed.
  void Finish();

 private:
  int format;
  std::vector<std::int32_t> pending;
  recording_writers::PartialFile file;
};

// The bytes of a signal file holding `frames` frames of the group's signals (all in one
// format), after `byteOffset` bytes of 0xA5. Frames a skewed signal does not fill hold 0.
std::string SignalFile(std::span<const WrittenSignal> group, std::int64_t frames,
                       std::size_t byteOffset = 0);

// Distinct values for signal `signal`, within the range of `bits`-bit samples and never the
// invalid value.
std::vector<std::int16_t> DistinctSamples(int signal, std::int64_t count, int bits);

// A walk whose steps are all within -127..127, as format 8 can store, from `initialValue`.
std::vector<std::int16_t> WalkSamples(int signal, std::int64_t count, int initialValue);

struct WrittenAnnotation {
  std::int64_t ticks = 0;
  int code = 1;
  int subtype = 0;
  int channel = 0;
  int number = 0;
  std::string aux;
};

// An MIT-format annotation file: SKIP for increments beyond 10 bits, SUB when the subtype is
// not 0, CHN and NUM when they change, AUX for a text, then the end word.
std::string AnnotationFile(std::span<const WrittenAnnotation> annotations);

}  // namespace wfdb_test
