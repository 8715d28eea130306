// Each recording case opened through OpenEx and read back through the exports; every segment
// time, channel, sample and event compared with what the case wrote into the file.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string_view>

#include "host_fixture.h"
#include "recording_cases.h"

namespace end_to_end {
namespace {

// Day numbers hold the time to about 0.6 us at these dates; the component keeps 10 us.
constexpr double kDayNumberToleranceMicros = 3.0;
constexpr char kUntouched = '\x7E';
constexpr std::int16_t kCanary = 0x5A5A;
constexpr std::size_t kCanaryCount = 8;

// What a 32-byte host text buffer holds after the library wrote `text` into it: at most its
// first 32 bytes and no terminator, the caller's bytes after them kept.
void ExpectExported(const char (&buffer)[40], std::string_view text, const char* what) {
  const std::size_t written = std::min<std::size_t>(text.size(), 32);
  EXPECT_EQ(std::string_view(buffer, written), text.substr(0, written)) << what;
  for (std::size_t i = written; i < sizeof buffer; ++i) {
    ASSERT_EQ(buffer[i], kUntouched) << what << ": byte " << i << " written";
  }
}

class RecordingTest : public HostTest, public ::testing::WithParamInterface<RecordingCase> {
 protected:
  const RecordingCase& c = GetParam();

  void SetUp() override {
    HostTest::SetUp();
    if (HasFatalFailure()) return;
    ASSERT_EQ(Open(c.bytes), static_cast<int>(c.segments.size()));
  }

  // The segment that holds the time, by the case's own account, or -1.
  int SegmentAt(std::int64_t micros) const {
    for (std::size_t i = 0; i < c.segments.size(); ++i) {
      if (micros >= c.segments[i].startMicros && micros < c.SegmentEndMicros(i)) return static_cast<int>(i);
    }
    return -1;
  }
  std::int64_t SegmentDurationMicros(std::size_t segment) const {
    return c.segments[segment].records * c.recordMicros;
  }

  // Checks a filled host buffer, channel after channel, against the expected samples, and
  // that nothing was written behind them.
  static void ExpectSamples(const std::vector<std::int16_t>& buffer,
                            const std::vector<std::vector<std::int16_t>>& expected, const std::string& what) {
    std::size_t offset = 0;
    for (std::size_t ch = 0; ch < expected.size(); ++ch) {
      const std::vector<std::int16_t> got(buffer.begin() + offset,
                                          buffer.begin() + offset + expected[ch].size());
      EXPECT_EQ(got, expected[ch]) << what << ", channel " << ch;
      offset += expected[ch].size();
    }
    EXPECT_EQ(std::vector<std::int16_t>(buffer.begin() + offset, buffer.end()),
              std::vector<std::int16_t>(kCanaryCount, kCanary))
        << what << ": written past the samples";
  }
  static std::vector<std::int16_t> BufferFor(const std::vector<std::vector<std::int16_t>>& expected) {
    std::size_t total = kCanaryCount;
    for (const auto& channel : expected) total += channel.size();
    return std::vector<std::int16_t>(total, kCanary);
  }
};

TEST_P(RecordingTest, SegmentsHaveTheirDurationsStartsAndDates) {
  const std::size_t n = c.segments.size();
  const std::string output = ConsoleOutputOf([&] {
    std::vector<double> durations(n + 1, -7.0);
    std::vector<double> starts(n + 1, -7.0);
    EXPECT_EQ(GetSegmentTime(durations.data(), starts.data()), 1);
    for (std::size_t i = 0; i < n; ++i) {
      EXPECT_DOUBLE_EQ(durations[i], static_cast<double>(SegmentDurationMicros(i)) / 1e6) << "segment " << i;
      EXPECT_NEAR(MicrosFromHeaderStart(starts[i]), static_cast<double>(c.segments[i].startMicros),
                  kDayNumberToleranceMicros)
          << "segment " << i;
    }
    EXPECT_EQ(durations[n], -7.0);
    EXPECT_EQ(starts[n], -7.0);

    // A segment holds its start and not its end; gaps and the time before the first record
    // belong to none.
    for (std::size_t i = 0; i < n; ++i) {
      const std::int64_t start = c.segments[i].startMicros;
      const std::int64_t end = c.SegmentEndMicros(i);
      for (std::int64_t t : {start - 10, start, (start + end) / 2 / 10 * 10, end - 10, end}) {
        EXPECT_EQ(GetSegment(DayNumberAt(t)), SegmentAt(t)) << "at " << t << " us";
      }
    }

    // Recording seconds count from the header's start second; the date keeps whole seconds.
    for (double seconds : {0.0, 2.7, -0.5, 20.5, 86400.25}) {
      double date = -7.0;
      EXPECT_EQ(RecSecToDate(seconds, &date), 1);
      EXPECT_DOUBLE_EQ(
          date, static_cast<double>(kHeaderSecond + static_cast<std::int64_t>(std::floor(seconds))) / 86400.0)
          << seconds << " s";
    }
    double date = -7.0;
    EXPECT_EQ(RecSecToDate(std::nan(""), &date), 1);
    EXPECT_EQ(date, -1.0);
  });
  EXPECT_EQ(output, "");
}

TEST_P(RecordingTest, ChannelsHaveTheirNamesRatesAndSampleCounts) {
  const std::size_t channels = c.channels.size();
  const std::string output = ConsoleOutputOf([&] {
    for (std::size_t s = 0; s < c.segments.size(); ++s) {
      const int segment = static_cast<int>(s);
      EXPECT_EQ(GetChannelCount(segment), static_cast<int>(channels));
      for (std::size_t ch = 0; ch < channels; ++ch) {
        char name[40];
        std::memset(name, kUntouched, sizeof name);
        EXPECT_EQ(GetChannelInf(segment, static_cast<int>(ch), name), 1);
        ExpectExported(name, c.channels[ch].name, "channel name");
      }
      char name[40];
      std::memset(name, kUntouched, sizeof name);
      EXPECT_EQ(GetChannelInf(segment, static_cast<int>(channels), name), 0);
      ExpectExported(name, "", "name of a channel past the last");

      std::vector<double> values(channels + 1, -7.0);
      std::vector<int> counts(channels + 1, -7);
      EXPECT_EQ(GetSegmentInf(segment, values.data(), counts.data()), 1);
      for (std::size_t ch = 0; ch < channels; ++ch) {
        const int perRecord = c.channels[ch].samplesPerRecord;
        EXPECT_DOUBLE_EQ(values[ch], perRecord * 1e6 / static_cast<double>(c.recordMicros))
            << "channel " << ch;
        EXPECT_EQ(counts[ch], c.segments[s].records * perRecord) << "channel " << ch;
      }
      EXPECT_EQ(values[channels], -7.0);
      EXPECT_EQ(counts[channels], -7);
    }
  });
  EXPECT_EQ(output, "");
}

TEST_P(RecordingTest, GetDataGivesEverySampleOfEachSegment) {
  const std::string output = ConsoleOutputOf([&] {
    for (std::size_t s = 0; s < c.segments.size(); ++s) {
      std::vector<std::vector<std::int16_t>> expected;
      for (std::size_t ch = 0; ch < c.channels.size(); ++ch) {
        expected.push_back(c.Samples(s, ch, 0, SegmentDurationMicros(s)));
      }
      std::vector<std::int16_t> buffer = BufferFor(expected);
      EXPECT_EQ(GetData(static_cast<int>(s), buffer.data()), 1);
      ExpectSamples(buffer, expected, "segment " + std::to_string(s));
    }
  });
  EXPECT_EQ(output, "");
}

TEST_P(RecordingTest, GetData2WindowsTileEachSegmentWithoutGapOrOverlap) {
  const std::string output = ConsoleOutputOf([&] {
    for (std::int64_t width : c.windowMicros) {
      for (std::size_t s = 0; s < c.segments.size(); ++s) {
        const std::int64_t duration = SegmentDurationMicros(s);
        std::vector<std::vector<std::int16_t>> tiled(c.channels.size());
        for (std::int64_t from = 0; from < duration; from += width) {
          const std::int64_t length = std::min(width, duration - from);
          const std::string what = "segment " + std::to_string(s) + ", window of " + std::to_string(length) +
                                   " us at " + std::to_string(from) + " us";
          std::vector<std::vector<std::int16_t>> expected;
          for (std::size_t ch = 0; ch < c.channels.size(); ++ch) {
            expected.push_back(c.Samples(s, ch, from, from + length));
          }
          std::vector<std::int16_t> buffer = BufferFor(expected);
          ASSERT_EQ(GetData2(DayNumberAt(c.segments[s].startMicros + from), static_cast<double>(length) / 1e6,
                             buffer.data()),
                    1)
              << what;
          ExpectSamples(buffer, expected, what);
          for (std::size_t ch = 0; ch < expected.size(); ++ch) {
            tiled[ch].insert(tiled[ch].end(), expected[ch].begin(), expected[ch].end());
          }
        }
        for (std::size_t ch = 0; ch < c.channels.size(); ++ch) {
          EXPECT_EQ(tiled[ch], c.Samples(s, ch, 0, duration)) << "segment " << s << ", channel " << ch;
        }
      }
    }
  });
  EXPECT_EQ(output, "");
}

TEST_P(RecordingTest, EventsHaveTheirTypesTextsLabelsDurationsAndTimes) {
  const std::vector<std::string> types = c.TypeTexts();
  const std::string output = ConsoleOutputOf([&] {
    int count = -7;
    EXPECT_EQ(GetEventCount(&count), 1);
    ASSERT_EQ(count, static_cast<int>(c.events.size()));
    for (std::size_t i = 0; i < c.events.size(); ++i) {
      SCOPED_TRACE("event " + std::to_string(i));
      const ExpectedEvent& event = c.events[i];
      int typeIndex = -1;
      char text1[40], text2[40], label[40];
      for (char* buffer : {text1, text2, label}) std::memset(buffer, kUntouched, 40);
      double duration = -7.0;
      double time = -7.0;
      EXPECT_EQ(GetEvents(static_cast<int>(i), &typeIndex, text1, text2, label, &duration, &time), 1);
      EXPECT_EQ(typeIndex, std::find(types.begin(), types.end(), event.text) - types.begin());
      ExpectExported(text1, event.text, "text1");
      ExpectExported(text2, "EDF Annotations", "text2");
      ExpectExported(label, event.text, "label");
      EXPECT_DOUBLE_EQ(duration, static_cast<double>(event.durationMicros) / 1e6);
      EXPECT_NEAR(MicrosFromHeaderStart(time), static_cast<double>(event.onsetMicros),
                  kDayNumberToleranceMicros);
      EXPECT_EQ(GetSegment(time), SegmentAt(event.onsetMicros));
    }
    // An index the component refuses leaves every output as the caller set it.
    for (int index : {-1, count}) {
      int typeIndex = -1;
      char text1[40], text2[40], label[40];
      for (char* buffer : {text1, text2, label}) std::memset(buffer, kUntouched, 40);
      double duration = -7.0;
      double time = -7.0;
      EXPECT_EQ(GetEvents(index, &typeIndex, text1, text2, label, &duration, &time), 1);
      EXPECT_EQ(typeIndex, -1);
      ExpectExported(text1, "", "text1 of a refused index");
      ExpectExported(text2, "", "text2 of a refused index");
      ExpectExported(label, "", "label of a refused index");
      EXPECT_EQ(duration, -7.0);
      EXPECT_EQ(time, -7.0);
    }
  });
  EXPECT_EQ(output, "");
}

INSTANTIATE_TEST_SUITE_P(Files, RecordingTest, ::testing::ValuesIn(RecordingCases()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace end_to_end
