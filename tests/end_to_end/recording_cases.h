// EDF files written byte by byte, each with what it holds as the test that wrote it knows it:
// channels, segments (as runs of data records), events in the order a reader must list them.
// Times are microseconds from the header's start second.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace end_to_end {

struct ExpectedChannel {
  std::string name;
  std::size_t signal = 0;  // position among all signals, annotation signals included
  int samplesPerRecord = 0;
};

struct ExpectedSegment {
  std::int64_t firstRecord = 0;
  std::int64_t records = 0;
  std::int64_t startMicros = 0;
};

struct ExpectedEvent {
  std::int64_t onsetMicros = 0;
  std::int64_t durationMicros = 0;
  std::string text;  // UTF-8, as written
};

struct RecordingCase {
  std::string name;
  std::string bytes;
  std::int64_t recordMicros = 0;
  std::vector<ExpectedChannel> channels;
  std::vector<ExpectedSegment> segments;
  std::vector<ExpectedEvent> events;
  // Window lengths by which GetData2 tiles every segment; each must pass the library's
  // whole-second check for every window, the segment's last included.
  std::vector<std::int64_t> windowMicros;

  std::int64_t SegmentEndMicros(std::size_t segment) const {
    return segments[segment].startMicros + segments[segment].records * recordMicros;
  }
  // The channel's samples of the segment from `fromMicros` up to `toMicros` (both from the
  // segment's start): sample k lies at k x recordMicros / samplesPerRecord.
  std::vector<std::int16_t> Samples(std::size_t segment, std::size_t channel, std::int64_t fromMicros,
                                    std::int64_t toMicros) const;
  // The distinct event texts in order of first appearance: the event types.
  std::vector<std::string> TypeTexts() const;
};

std::vector<RecordingCase> RecordingCases();

// Test names show the case's name, not its bytes.
inline void PrintTo(const RecordingCase& recording, std::ostream* out) { *out << recording.name; }

}  // namespace end_to_end
