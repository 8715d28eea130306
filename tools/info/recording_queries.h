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
  // GetSegmentInf's ints, or from the window rule for a segment whose counts pass an int.
  std::vector<std::int64_t> sampleCounts;
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

// The channels' names alone (GetChannelInf reads no samples); nullopt when the library refuses.
std::optional<std::vector<std::string>> ReadChannelNames(const TaplineLibrary& library,
                                                         int segment);

// nullopt when the library refuses a read (it has then reported on the console).
std::optional<SegmentChannels> ReadSegmentChannels(const TaplineLibrary& library, int segment);

// The same without GetSegmentInf, for a segment whose counts no int carries: the rates as the
// reader component reports them, known from the file (see header_rates.h), and the counts
// round(seconds x rate) of the window rule. nullopt when the names cannot be read or their
// number differs from the rates'.
std::optional<SegmentChannels> ReadSegmentChannelsAtRates(const TaplineLibrary& library,
                                                          int segment, double segmentSeconds,
                                                          const std::vector<double>& rates);

// Every sample of the segment, channel after channel; nullopt when the read is refused or a
// count is negative or passes an int.
std::optional<std::vector<std::int16_t>> ReadSegmentSamples(const TaplineLibrary& library,
                                                            int segment,
                                                            const SegmentChannels& channels);

std::vector<EventEntry> ReadEvents(const TaplineLibrary& library);

}  // namespace tapline_info
