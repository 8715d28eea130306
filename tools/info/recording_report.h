// The text tapline-info prints about an open recording; texts from the recording are printed
// terminal-safe.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "recording_queries.h"

namespace tapline_info {

// Count, extremes and sum of a channel's stored values, gathered a window at a time: the
// result is the same however the samples are split. Samples that hold the channel's missing
// value, when one is given, are counted apart and left out of the rest.
struct SampleSummary {
  std::int64_t count = 0;
  std::int64_t missing = 0;
  int minimum = 0;
  int maximum = 0;
  std::int64_t sum = 0;  // int16 values: no overflow below 2^48 samples

  void Add(std::span<const std::int16_t> samples, std::optional<int> missingValue = std::nullopt);
  double Mean() const;
};

SampleSummary Summarize(std::span<const std::int16_t> samples,
                        std::optional<int> missingValue = std::nullopt);

// Whether statistics and values are the file's physical values, or the stored integers.
enum class ValueScale { Physical, Digital };

// The channel's missing value as a summary in that scale leaves it out: physical values leave
// out missing samples, stored integers keep every one.
std::optional<int> MissingValueIn(ValueScale scale, const SegmentChannels& channels,
                                  std::size_t channel);

// One summary per channel of samples laid out channel after channel with the channels'
// counts (as GetData lays them out); a channel past the end of the samples gets only those
// there are.
std::vector<SampleSummary> SummarizeByChannel(const SegmentChannels& channels,
                                              std::span<const std::int16_t> samples,
                                              ValueScale scale = ValueScale::Digital);

// A summary's extremes and mean in a channel's physical values, or as stored integers for a
// null calibration; nullopt for a summary of no samples.
struct SummaryValues {
  double minimum;
  double maximum;
  double mean;
};
std::optional<SummaryValues> ValuesOf(const SampleSummary& summary,
                                      const ChannelCalibration* calibration);

// The calibration a channel's values are shown with: null for --digital or a channel the
// file gives no physical values for (its values are then the stored integers).
const ChannelCalibration* CalibrationIn(ValueScale scale, const SegmentChannels& channels,
                                        std::size_t channel);

// Everything tapline-info reports on one open recording.
struct RecordingReport {
  std::string file;
  // What the reader component forgave to open the file, a sentence each.
  std::vector<std::string> warnings;
  SegmentTimes times;
  // One entry per segment (nullopt where the library refused the read); empty for --header.
  std::vector<std::optional<SegmentChannels>> channels;
  // --header: the first segment's channel names alone (nullopt when refused).
  std::optional<std::vector<std::string>> channelNames;
  bool headerOnly = false;
  ValueScale scale = ValueScale::Physical;
  std::vector<EventEntry> events;
  // Per channel of segment 0; nullopt when not read or refused.
  std::optional<std::vector<SampleSummary>> firstSegment;

  // Whether segment 0's statistics are to be read: not for --header, nor without its channels.
  bool HasFirstSegmentChannels() const {
    return !headerOnly && !channels.empty() && channels.front().has_value();
  }
};

// The report as text: what is known once the recording is open (a "Warnings" line after the
// file's when the component forgave something), then (after segment 0 has been read, which may
// take a while) its statistics.
void PrintReportHeading(std::FILE* out, const RecordingReport& report);
void PrintReportStatistics(std::FILE* out, const RecordingReport& report);

void PrintSegments(std::FILE* out, const SegmentTimes& times);
// Whether two segments hold the same channels (names, rates and calibrations, in order).
bool SameChannels(const SegmentChannels& a, const SegmentChannels& b);
// channels: one entry per segment (nullopt where the library refused the read); names and
// rates come from the first segment, the sample counts from each segment with the same
// channels ("-" for the others); a segment with other channels is listed after them.
void PrintChannels(std::FILE* out, const std::vector<std::optional<SegmentChannels>>& channels);
// --header: names only, no rate or count (those would read the samples).
void PrintChannelNames(std::FILE* out, const std::optional<std::vector<std::string>>& names);
void PrintEvents(std::FILE* out, const std::vector<EventEntry>& events);
// Per channel, count, minimum, maximum and mean of segment 0's samples: stored integers for
// ValueScale::Digital, else physical values with a column for the missing samples and the
// unit ("(digital)" for a channel without calibration).
void PrintSampleSummaries(std::FILE* out, const SegmentChannels& channels,
                          const std::vector<SampleSummary>& summaries, ValueScale scale);

}  // namespace tapline_info
