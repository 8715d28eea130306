#include "recording_queries.h"

#include <limits>
#include <numeric>

#include "window_layout.h"

namespace tapline_info {

namespace {

// The library copies at most 32 bytes and no terminator; the 33rd zero byte ends the text.
constexpr std::size_t kTextBuffer = 33;

std::string TextOf(const char (&buffer)[kTextBuffer]) { return std::string(buffer); }

}  // namespace

SegmentTimes ReadSegmentTimes(const TaplineLibrary& library, int segmentCount) {
  SegmentTimes times;
  if (segmentCount <= 0) return times;
  times.starts.assign(static_cast<std::size_t>(segmentCount), 0.0);
  times.durations.assign(static_cast<std::size_t>(segmentCount), 0.0);
  library.GetSegmentTime(times.durations.data(), times.starts.data());
  return times;
}

std::optional<std::vector<std::string>> ReadChannelNames(const TaplineLibrary& library,
                                                         int segment) {
  const int count = library.GetChannelCount(segment);
  std::vector<std::string> names;
  for (int channel = 0; channel < count; ++channel) {
    char name[kTextBuffer] = {};
    if (library.GetChannelInf(segment, channel, name) != 1) return std::nullopt;
    names.push_back(TextOf(name));
  }
  return names;
}

std::optional<SegmentChannels> ReadSegmentChannels(const TaplineLibrary& library, int segment) {
  auto names = ReadChannelNames(library, segment);
  if (!names) return std::nullopt;
  SegmentChannels channels;
  if (names->empty()) return channels;
  channels.names = std::move(*names);
  std::vector<int> counts(channels.names.size(), 0);
  channels.values.assign(channels.names.size(), 0.0);
  if (library.GetSegmentInf(segment, channels.values.data(), counts.data()) != 1) {
    return std::nullopt;
  }
  channels.sampleCounts.assign(counts.begin(), counts.end());
  return channels;
}

std::optional<SegmentChannels> ReadSegmentChannelsAtRates(const TaplineLibrary& library,
                                                          int segment, double segmentSeconds,
                                                          const std::vector<double>& rates) {
  auto names = ReadChannelNames(library, segment);
  if (!names || names->size() != rates.size()) return std::nullopt;
  SegmentChannels channels;
  channels.names = std::move(*names);
  channels.values = rates;
  for (double rate : rates) {
    const std::optional<std::int64_t> count = SegmentSampleCount(segmentSeconds, rate);
    if (!count) return std::nullopt;
    channels.sampleCounts.push_back(*count);
  }
  return channels;
}

std::optional<std::vector<std::int16_t>> ReadSegmentSamples(const TaplineLibrary& library,
                                                            int segment,
                                                            const SegmentChannels& channels) {
  for (std::int64_t count : channels.sampleCounts) {
    if (count < 0 || count > std::numeric_limits<int>::max()) return std::nullopt;
  }
  // Counts are summed in 64 bits: each is a 32-bit value from the library.
  const std::int64_t total = std::accumulate(channels.sampleCounts.begin(),
                                             channels.sampleCounts.end(), std::int64_t{0});
  // One spare element keeps data() valid for a segment without samples.
  std::vector<std::int16_t> samples(static_cast<std::size_t>(total) + 1);
  if (library.GetData(segment, samples.data()) != 1) return std::nullopt;
  samples.pop_back();
  return samples;
}

std::vector<EventEntry> ReadEvents(const TaplineLibrary& library) {
  int count = 0;
  library.GetEventCount(&count);
  std::vector<EventEntry> events;
  for (int index = 0; index < count; ++index) {
    EventEntry event;
    char typeText1[kTextBuffer] = {};
    char typeText2[kTextBuffer] = {};
    char label[kTextBuffer] = {};
    library.GetEvents(index, &event.typeIndex, typeText1, typeText2, label, &event.duration,
                      &event.time);
    event.typeText1 = TextOf(typeText1);
    event.typeText2 = TextOf(typeText2);
    event.label = TextOf(label);
    events.push_back(std::move(event));
  }
  return events;
}

}  // namespace tapline_info
