// tapline-info --window START DURATION --csv OUT: a window's samples, read with GetData2, as
// CSV rows "channel,time_s,value" (each value's sample time, in seconds from the recording's
// beginning).
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "tapline_library.h"
#include "window_layout.h"

namespace tapline_info {

struct WindowSamples {
  // Start of the segment that holds the window, in seconds from the recording's beginning,
  // to the microsecond (the precision a day number carries).
  double segmentStartSeconds = 0.0;
  std::vector<std::string> names;
  std::vector<SampleRate> rates;
  std::vector<SampleRange> ranges;    // per channel, within the segment
  std::vector<std::int16_t> samples;  // channel after channel, ranges[i].count each
};

// Reads the window that starts startSeconds after the recording's beginning. On failure
// returns false and sets error to a sentence for the user.
bool ReadWindow(const TaplineLibrary& library, int segmentCount, double startSeconds,
                double durationSeconds, WindowSamples& window, std::string& error);

void WriteWindowCsv(std::FILE* out, const WindowSamples& window);

}  // namespace tapline_info
