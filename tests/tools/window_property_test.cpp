// Thousands of windows read through GetData2 with the real EDF component: for each, the
// layout tapline-info computes must be exactly what the component writes (the buffer holds
// the computed total and not one value more), no channel holds more than the documented
// ceil(rate x d) + 1 samples, and every value must be the sample of the channel and index the
// layout gives it. Files dated 2150 and 2900 check the wider shift there.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "indexed_recordings.h"
#include "recording_queries.h"
#include "window_layout.h"

namespace {

using namespace indexed_recordings;
using namespace tapline_info;

constexpr double kDaysPerSecond = 1.1574074074074073e-05;
constexpr int kWindowsPerSegment = 1000;

enum class StartKind { OnSample, LateBy03, EarlyBy03, LateBy1, EarlyBy1, Anywhere };

struct Trial {
  double startDay;
  double duration;
};

class WindowPropertyTest : public ::testing::TestWithParam<IndexedFile> {};

// A start near a sample of a random channel (or anywhere) and a duration that the library
// accepts: one sample period, up to a later sample, random, or the rest of the segment.
Trial RandomTrial(std::mt19937_64& random, const SegmentTimes& times, int segment,
                  const std::vector<double>& rates) {
  const double seconds = times.durations[static_cast<std::size_t>(segment)];
  const double rate = rates[random() % rates.size()];
  const SampleRate fraction = *SimplestFraction(rate);
  const auto samples = *SegmentSampleCount(seconds, rate);
  const auto k = static_cast<std::int64_t>(random() % static_cast<std::uint64_t>(samples));
  double offset = SampleSeconds(k, fraction);
  switch (static_cast<StartKind>(random() % 6)) {
    case StartKind::OnSample: break;
    case StartKind::LateBy03: offset += 0.3e-6; break;
    case StartKind::EarlyBy03: offset -= 0.3e-6; break;
    case StartKind::LateBy1: offset += 1e-6; break;
    case StartKind::EarlyBy1: offset -= 1e-6; break;
    case StartKind::Anywhere: offset = std::uniform_real_distribution<double>(0.0, seconds)(random); break;
  }
  // The library accepts durations up to the seconds left, rounded to a whole number.
  // A margin keeps the day numbers' rounding from tipping a half second the other way.
  const double accepted = std::max(0.0, std::floor(seconds - offset + 0.5 - 1e-5) - 1e-6);
  double duration = 0.0;
  switch (random() % 5) {
    case 0: duration = 1.0 / rate; break;
    case 1: duration = SampleSeconds(static_cast<std::int64_t>(random() % 50) + 1, fraction); break;
    case 2: duration = std::uniform_real_distribution<double>(0.0, 3.0)(random); break;
    case 3: duration = accepted; break;
    case 4: duration = 0.0; break;
  }
  return {times.starts[static_cast<std::size_t>(segment)] + offset * kDaysPerSecond,
          std::min(duration, accepted)};
}

TEST_P(WindowPropertyTest, HostLayoutIsWhatTheComponentWrites) {
  const IndexedFile& file = GetParam();
  OpenedRecording recording(FileBytes(file));
  ASSERT_EQ(recording.segmentCount(), static_cast<int>(file.segments.size()));
  const tapline_host::TaplineExports& library = recording.exports();
  const SegmentTimes times = ReadSegmentTimes(library, recording.segmentCount());
  std::mt19937_64 random(std::hash<std::string>{}(file.name));
  int windows = 0;
  for (int segment = 0; segment < recording.segmentCount(); ++segment) {
    const auto at = static_cast<std::size_t>(segment);
    const auto channels = ReadSegmentChannels(library, segment, times.starts[at], times.durations[at]);
    ASSERT_TRUE(channels);
    for (std::size_t c = 0; c < channels->values.size(); ++c) {
      ASSERT_EQ(SegmentSampleCount(times.durations[static_cast<std::size_t>(segment)], channels->values[c]),
                channels->sampleCounts[c]) << "segment " << segment << " channel " << c;
    }
    for (int i = 0; i < kWindowsPerSegment; ++i) {
      const Trial trial = RandomTrial(random, times, segment, channels->values);
      // The host lays the window out in the segment the library finds for its start.
      const int found = library.GetSegment(trial.startDay);
      if (found < 0) continue;  // 1 us before a segment's start: no segment holds it
      const auto index = static_cast<std::size_t>(found);
      const auto ticks = WindowInSegment(times.starts[index], trial.startDay, trial.duration,
                                         WindowShiftTicks(times.starts, times.durations));
      ASSERT_TRUE(ticks);
      const auto foundChannels = found == segment ? channels
                                                     : ReadSegmentChannels(library, found, times.starts[index],
                                                                           times.durations[index]);
      const auto ranges = WindowRanges(*ticks, foundChannels->values, foundChannels->sampleCounts);
      ASSERT_TRUE(ranges);
      std::int64_t total = 0;
      for (std::size_t c = 0; c < ranges->size(); ++c) {
        total += (*ranges)[c].count;
        const double rate = foundChannels->values[c];
        ASSERT_LE((*ranges)[c].count, trial.duration > 0.0 ? WindowCapacity(rate, trial.duration) : 0)
            << "channel " << c << " at " << rate << " Hz, " << trial.duration << " s";
      }
      std::vector<std::int16_t> buffer(static_cast<std::size_t>(total) + 64, kSentinel);
      ASSERT_EQ(library.GetData2(trial.startDay, trial.duration, buffer.data()), 1);
      ++windows;
      const std::string where = "segment " + std::to_string(found) + " start S=" +
                                std::to_string(ticks->start) + " E=" + std::to_string(ticks->end);
      std::size_t at = 0;
      for (std::size_t c = 0; c < ranges->size(); ++c) {
        for (std::int64_t k = 0; k < (*ranges)[c].count; ++k, ++at) {
          ASSERT_EQ(buffer[at], SampleValue(c, (*ranges)[c].first + k))
              << where << " channel " << c << " sample " << (*ranges)[c].first + k;
        }
      }
      for (; at < buffer.size(); ++at) ASSERT_EQ(buffer[at], kSentinel) << where << " wrote past " << total;
    }
  }
  EXPECT_GT(windows, kWindowsPerSegment * recording.segmentCount() * 3 / 4);
}

INSTANTIATE_TEST_SUITE_P(Files, WindowPropertyTest, ::testing::ValuesIn(IndexedFiles()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
