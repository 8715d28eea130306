// EDF+D recordings whose every sample tells which sample it is, for tests that read windows
// through the library and the real EDF component and check each value's place; and the
// library loaded in-process as a host loads it, with that component registered.
#pragma once

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "loaded_library.h"

namespace indexed_recordings {

struct IndexedSegment {
  std::int64_t onsetTicks;  // from the header's start, 100-ns ticks
  int records;
};

struct IndexedFile {
  std::string name;
  std::string recordDuration;  // as written in the header
  std::int64_t recordTicks;    // the same, in ticks
  std::vector<int> samplesPerRecord;
  std::vector<IndexedSegment> segments;
  int year = 2024;  // of the start, 14 May 09:30
};

// Test parameters print as their name.
inline void PrintTo(const IndexedFile& file, std::ostream* out) { *out << file.name; }

// Files with record durations 0.1, 0.25, 0.333333, 1, 2 and 30 s, channels from 0.1 to 1000 Hz,
// two or more segments each (onsets with fractions down to 100 ns), fewer than 32768 samples
// per channel and segment; two of them dated 2150 and 2900, where day numbers are 1.3 and 5 us
// apart.
const std::vector<IndexedFile>& IndexedFiles();

// Sample k of channel c holds this value; never -32768, which tests use as a sentinel.
std::int16_t SampleValue(std::size_t channel, std::int64_t k);
constexpr std::int16_t kSentinel = -32768;

// The file's bytes: EDF+D starting 14 May of the file's year at 09.30.00 (after 2084 the year
// is in the recording field, as EDF+ writes it).
std::string FileBytes(const IndexedFile& file);

// The library loaded like a host loads it, the EDF component registered in the test
// program's private class registry, a recording opened. Closes on destruction.
class OpenedRecording {
 public:
  // Writes the bytes under the temporary folder and opens them; check segmentCount() > 0.
  explicit OpenedRecording(const std::string& bytes);
  // The same with the file then extended with zero bytes to `size` (sparse: it takes no disk),
  // for records of zeros that would not fit in memory.
  OpenedRecording(const std::string& bytes, std::uintmax_t size);
  ~OpenedRecording();
  OpenedRecording(const OpenedRecording&) = delete;
  OpenedRecording& operator=(const OpenedRecording&) = delete;

  const tapline_host::TaplineExports& exports() const { return *library; }
  int segmentCount() const { return segments; }
  const std::string& filePath() const { return path; }

 private:
  std::unique_ptr<support::LoadedLibrary> library;
  std::string path;
  int segments = -1;
};

}  // namespace indexed_recordings
