// What tapline-info asks of the library, each answer read through the exports with the
// buffers sized as a host must size them: texts 33 zeroed bytes, GetSegmentInf's arrays one
// element per channel, GetData's the sum of GetSegmentInf's counts.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tapline_library.h"

namespace tapline_info {

struct SegmentTimes {
  std::vector<double> starts;     // day numbers
  std::vector<double> durations;  // seconds
};

struct SegmentChannels {
  std::vector<std::string> names;
  std::vector<double> values;  // for EDF the sampling rate in Hz
  std::vector<int> sampleCounts;
};

struct EventEntry {
  int typeIndex = -1;  // stays -1 when the event or its type could not be read
  std::string typeText1;
  std::string typeText2;
  std::string label;
  double duration = 0.0;
  double time = 0.0;
};

SegmentTimes ReadSegmentTimes(const TaplineLibrary& library, int segmentCount);

// nullopt when the library refuses a read (it has then reported on the console).
std::optional<SegmentChannels> ReadSegmentChannels(const TaplineLibrary& library, int segment);

// Every sample of the segment, channel after channel; nullopt when the read is refused or a
// count is negative.
std::optional<std::vector<std::int16_t>> ReadSegmentSamples(const TaplineLibrary& library,
                                                            int segment,
                                                            const SegmentChannels& channels);

std::vector<EventEntry> ReadEvents(const TaplineLibrary& library);

}  // namespace tapline_info
