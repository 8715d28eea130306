// Measures that the format benchmarks take through the library's exports, on whatever recording
// is open: repeated opens, 4-s windows anywhere in a segment, listing every event. Each checks
// what it read and throws std::runtime_error on a refusal or a wrong count. Times are wall-clock
// and the process's CPU time: on a machine shared with other work the second tells what the
// code costs, the first what a user waits.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "tapline_library.h"

namespace bench {

using Clock = std::chrono::steady_clock;

struct Duration {
  double wallMs = 0.0;
  double cpuMs = 0.0;
};

Duration Timed(const std::function<void()>& run);

// Each field's middle value (the upper one of an even count); zeros for none.
Duration Median(const std::vector<Duration>& durations);

// OpenEx of the path, `repetitions` times after one that brings the files into the page cache,
// each followed by Close outside the time. Throws unless every open gives `segments` segments.
std::vector<Duration> OpenTimes(const tapline_info::TaplineLibrary& lib, const std::string& path,
                                int segments, int repetitions);

// A segment of the open recording, as a host learns it: start, duration and channel rates.
struct SegmentShape {
  double startDay = 0.0;
  double seconds = 0.0;
  std::vector<double> rates;
};
// GetSegmentTime and GetSegmentInf of the open recording (GetSegmentInf reads no sample).
SegmentShape ShapeOf(const tapline_info::TaplineLibrary& lib, int segment, int segmentCount);

// Checks a window's buffer, whose every channel starts at sample `firstSample` of its segment;
// throws when the samples are not the file's.
using WindowCheck =
    std::function<void(std::span<const std::int16_t> samples, std::int64_t firstSample)>;

// `windows` GetData2 calls of `seconds` each at random starts in the segment (fixed seed), every
// start half-way between two samples of a channel at `rate`, so that no rounding of the day
// number moves its first sample; each call's time.
std::vector<Duration> WindowTimes(const tapline_info::TaplineLibrary& lib,
                                  const SegmentShape& segment, double rate, double seconds,
                                  int windows, const WindowCheck& check);

// Checks event `index` as GetEvents gave it; throws when it is not the file's.
using EventCheck = std::function<void(int index, int typeIndex, const char* label)>;

// GetEventCount and GetEvents of every event, each checked. Throws unless there are `expected`
// events.
Duration ListEvents(const tapline_info::TaplineLibrary& lib, int expected, const EventCheck& check);
// The same, each event with a type and a label.
Duration ListEvents(const tapline_info::TaplineLibrary& lib, int expected);

}  // namespace bench
