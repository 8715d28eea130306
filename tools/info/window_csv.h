// tapline-info --window START DURATION --csv OUT: a window's samples, read with GetData2, as
// CSV rows "channel,time_s,value,unit": each value's sample time, in seconds from time zero
// (the first segment's first sample), its physical value (stored x gain + offset; empty for a
// missing sample; the stored integer, with an empty unit, for a channel without calibration)
// and unit; with --digital rows "channel,time_s,value" of the stored integers.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "recording_queries.h"
#include "recording_report.h"
#include "tapline_library.h"
#include "window_layout.h"

namespace tapline_info {

struct WindowSamples {
  // Start of the segment that holds the window, in seconds from time zero (the first
  // segment's start), to the microsecond (the precision a day number carries).
  double segmentStartSeconds = 0.0;
  SegmentChannels channels;  // names, rates and calibrations of the segment's channels
  std::vector<SampleRate> rates;
  std::vector<SampleRange> ranges;    // per channel, within the segment
  std::vector<std::int16_t> samples;  // channel after channel, ranges[i].count each
};

// The segment that holds the whole window of durationSeconds from startSeconds after time zero
// (the first segment's start): its start lies in [start, end) of the segment and its end at or
// before the segment's end, to the microsecond. Otherwise nullopt and error says why, naming
// the segment's bounds in seconds and where the next segment starts. Also refused, saying so,
// is a window longer than the whole seconds (rounded) from its start to the segment's end
// rounded up to a whole second, which the library checks (a window that starts at a fraction
// of a second and ends in a segment's last fraction of a second). Checked before the library
// is asked, which would report a window it refuses on the console.
std::optional<std::size_t> PlaceWindow(const SegmentTimes& times, double startSeconds,
                                       double durationSeconds, std::string& error);

// Reads the window that starts startSeconds after time zero, its counts as GetWindowCounts
// gives them and each channel's first sample from the window rule. On failure returns false
// and sets error to a sentence for the user.
bool ReadWindow(const TaplineLibrary& library, int segmentCount, double startSeconds,
                double durationSeconds, WindowSamples& window, std::string& error);

void WriteWindowCsv(std::FILE* out, const WindowSamples& window, ValueScale scale);

}  // namespace tapline_info
