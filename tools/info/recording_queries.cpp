#include "recording_queries.h"

#include <limits>
#include <numeric>

#include "window_layout.h"

namespace tapline_info {

namespace {

// The library copies at most 32 bytes and no terminator; the 33rd zero byte ends the text.
constexpr std::size_t kTextBuffer = 33;
// The first try for a text of tapline_ext.h; a longer one is asked again at its size.
constexpr int kFirstTextBytes = 64;

std::string TextOf(const char (&buffer)[kTextBuffer]) { return std::string(buffer); }

// A whole text from a call of tapline_ext.h's kind: write(buffer, bytes) returns the bytes the
// whole text needs (0 when it writes nothing). nullopt when it writes nothing.
template <typename Write>
std::optional<std::string> WholeText(Write write) {
  std::string text(kFirstTextBytes, '\0');
  int needed = write(text.data(), kFirstTextBytes);
  if (needed > kFirstTextBytes) {
    text.assign(static_cast<std::size_t>(needed), '\0');
    needed = write(text.data(), needed);
  }
  if (needed <= 0) return std::nullopt;
  text.resize(std::char_traits<char>::length(text.c_str()));
  return text;
}

std::optional<ChannelCalibration> ReadCalibration(const TaplineLibrary& library, int segment,
                                                  int channel) {
  ChannelCalibration calibration;
  if (library.GetChannelCalibration(segment, channel, &calibration.gain, &calibration.offset) != 1) {
    return std::nullopt;
  }
  calibration.unit = WholeText([&](char* text, int bytes) {
                       return library.GetChannelUnit(segment, channel, text, bytes);
                     }).value_or("");
  return calibration;
}

// GetWindowCounts over the whole segment; where it cannot tell (a count beyond an int),
// round(seconds x rate), the count the window rule gives such a segment.
std::optional<std::vector<std::int64_t>> ReadSampleCounts(const TaplineLibrary& library,
                                                          double startDay, double seconds,
                                                          const std::vector<double>& rates) {
  std::vector<int> counts(rates.size(), 0);
  if (library.GetWindowCounts(startDay, seconds, counts.data(), static_cast<int>(counts.size())) == 1) {
    return std::vector<std::int64_t>(counts.begin(), counts.end());
  }
  std::vector<std::int64_t> rounded;
  for (double rate : rates) {
    const std::optional<std::int64_t> count = SegmentSampleCount(seconds, rate);
    if (!count) return std::nullopt;
    rounded.push_back(*count);
  }
  return rounded;
}

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

std::optional<SegmentChannels> ReadSegmentChannels(const TaplineLibrary& library, int segment,
                                                   double startDay, double seconds) {
  auto names = ReadChannelNames(library, segment);
  if (!names) return std::nullopt;
  SegmentChannels channels;
  if (names->empty()) return channels;
  channels.names = std::move(*names);
  for (int channel = 0; channel < static_cast<int>(channels.names.size()); ++channel) {
    double rate = 0.0;
    if (library.GetChannelValue(segment, channel, &rate) != 1) return std::nullopt;
    channels.values.push_back(rate);
    channels.calibrations.push_back(ReadCalibration(library, segment, channel));
    int missing = 0;
    channels.missingValues.push_back(
        library.GetChannelInvalidValue(segment, channel, &missing) == 1 ? std::optional<int>(missing)
                                                                       : std::nullopt);
  }
  auto counts = ReadSampleCounts(library, startDay, seconds, channels.values);
  if (!counts) return std::nullopt;
  channels.sampleCounts = std::move(*counts);
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
    // The whole texts; GetEvents' first 32 bytes where the library gives no more.
    const auto whole = [&](int part, const char (&cut)[kTextBuffer]) {
      return WholeText([&](char* text, int bytes) {
               return library.GetEventText(index, part, text, bytes);
             }).value_or(TextOf(cut));
    };
    event.typeText1 = whole(TAPLINE_EVENT_TYPE_TEXT1, typeText1);
    event.typeText2 = whole(TAPLINE_EVENT_TYPE_TEXT2, typeText2);
    event.label = whole(TAPLINE_EVENT_LABEL, label);
    events.push_back(std::move(event));
  }
  return events;
}

std::string ReadOpenMessage(const TaplineLibrary& library) {
  return WholeText([&](char* text, int bytes) { return library.GetOpenMessage(text, bytes); })
      .value_or("");
}

std::vector<std::string> MessageLines(const std::string& message) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < message.size()) {
    std::size_t end = message.find('\n', start);
    if (end == std::string::npos) end = message.size();
    if (end > start) lines.push_back(message.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

}  // namespace tapline_info
