// The text tapline-info prints about an open recording; texts from the recording are printed
// terminal-safe.
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <vector>

#include "recording_queries.h"

namespace tapline_info {

// Count, extremes and sum of a channel's samples, gathered a window at a time: the result is
// the same however the samples are split.
struct SampleSummary {
  std::int64_t count = 0;
  int minimum = 0;
  int maximum = 0;
  std::int64_t sum = 0;  // int16 values: no overflow below 2^48 samples

  void Add(std::span<const std::int16_t> samples);
  double Mean() const;
};

SampleSummary Summarize(std::span<const std::int16_t> samples);

// One summary per channel of samples laid out channel after channel with the channels'
// counts (as GetData lays them out); a channel past the end of the samples gets only those
// there are.
std::vector<SampleSummary> SummarizeByChannel(const SegmentChannels& channels,
                                              std::span<const std::int16_t> samples);

void PrintSegments(std::FILE* out, const SegmentTimes& times);
// channels: one entry per segment (nullopt where the library refused the read); names and
// rates come from the first segment, the sample counts from each.
void PrintChannels(std::FILE* out, const std::vector<std::optional<SegmentChannels>>& channels);
void PrintEvents(std::FILE* out, const std::vector<EventEntry>& events);
// Per channel, count, minimum, maximum and mean of segment 0's samples.
void PrintSampleSummaries(std::FILE* out, const std::vector<std::string>& names,
                          const std::vector<SampleSummary>& summaries);

}  // namespace tapline_info
