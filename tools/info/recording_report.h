// The text tapline-info prints about an open recording.
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <vector>

#include "recording_queries.h"

namespace tapline_info {

struct SampleSummary {
  std::int64_t count = 0;
  int minimum = 0;
  int maximum = 0;
  double mean = 0.0;
};

SampleSummary Summarize(std::span<const std::int16_t> samples);

void PrintSegments(std::FILE* out, const SegmentTimes& times);
// channels: one entry per segment (nullopt where the library refused the read); names and
// rates come from the first segment, the sample counts from each.
void PrintChannels(std::FILE* out, const std::vector<std::optional<SegmentChannels>>& channels);
void PrintEvents(std::FILE* out, const std::vector<EventEntry>& events);
// Per channel, minimum, maximum and mean of the samples (channel after channel, as GetData
// lays them out with the channels' counts).
void PrintSampleSummaries(std::FILE* out, const SegmentChannels& channels,
                          std::span<const std::int16_t> samples);

}  // namespace tapline_info
