// What tapline-info asks of the library, each answer read through the exports with the
// buffers sized as a host must size them: GetChannelInf's and GetEvents' names 33 zeroed bytes,
// the texts of tapline_ext.h asked again at the size their first answer gives, GetData's block
// the sum of the segment's counts. Nothing here makes the library write to the console.
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

// Physical value = stored value x gain + offset, in unit.
struct ChannelCalibration {
  double gain = 1.0;
  double offset = 0.0;
  std::string unit;

  double Physical(double stored) const { return stored * gain + offset; }
  bool operator==(const ChannelCalibration&) const = default;
};

struct SegmentChannels {
  std::vector<std::string> names;
  std::vector<double> values;  // GetChannelValue: the sampling rate in Hz
  // Each channel's samples in the segment: GetWindowCounts over the whole segment, or
  // round(seconds x rate) where it cannot tell them (counts beyond an int).
  std::vector<std::int64_t> sampleCounts;
  // Per channel; nullopt for a channel the file gives no physical values for.
  std::vector<std::optional<ChannelCalibration>> calibrations;
  // Per channel, the stored value that marks a missing sample (WFDB's -32768), if any.
  std::vector<std::optional<int>> missingValues;
};

struct EventEntry {
  int typeIndex = -1;  // stays -1 when the event or its type could not be read
  std::string typeText1;  // whole (GetEventText)
  std::string typeText2;
  std::string label;
  double duration = 0.0;
  double time = 0.0;
};

SegmentTimes ReadSegmentTimes(const TaplineLibrary& library, int segmentCount);

// The channels' names alone (GetChannelInf reads no samples); nullopt when the library refuses.
std::optional<std::vector<std::string>> ReadChannelNames(const TaplineLibrary& library,
                                                         int segment);

// The segment's channels, asked without reading a sample: names, rates, counts, calibrations.
// startDay and seconds are the segment's (GetSegmentTime). nullopt when a name or rate cannot
// be read, or a count can be known neither way.
std::optional<SegmentChannels> ReadSegmentChannels(const TaplineLibrary& library, int segment,
                                                   double startDay, double seconds);

// Every sample of the segment, channel after channel; nullopt when the read is refused or a
// count is negative or passes an int.
std::optional<std::vector<std::int16_t>> ReadSegmentSamples(const TaplineLibrary& library,
                                                            int segment,
                                                            const SegmentChannels& channels);

std::vector<EventEntry> ReadEvents(const TaplineLibrary& library);

// What the last OpenEx was told (GetOpenMessage): a refusal's reason or the warnings of a
// forgiving open, one sentence a line; an empty text after a clean open.
std::string ReadOpenMessage(const TaplineLibrary& library);

// The message's sentences, one a line; none for an empty message.
std::vector<std::string> MessageLines(const std::string& message);

}  // namespace tapline_info
