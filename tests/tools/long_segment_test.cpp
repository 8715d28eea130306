// Segments of many windows: a day-long segment's counts pass an int, and hundreds of windows
// must meet without drifting apart. The files are plain EDF headers over sparse zero records.
#include <gtest/gtest.h>

#include <climits>

#include "edf_writer.h"
#include "recording_queries.h"
#include "indexed_recordings.h"
#include "segment_statistics.h"

namespace {

using namespace indexed_recordings;
using namespace tapline_info;

constexpr int kRate = 30000;  // one 1-s record of 30,000 samples: 60,000 bytes

// A plain EDF file of one 30-kHz channel and `records` records of zeros.
std::unique_ptr<OpenedRecording> ZeroRecording(std::int64_t records) {
  edf_writer::EdfWriter writer;
  writer.AddSignal("X", kRate);
  writer.header.recordCount = std::to_string(records);
  const std::string header = writer.HeaderBytes();
  return std::make_unique<OpenedRecording>(
      header, header.size() + static_cast<std::uintmax_t>(records) * kRate * 2);
}

// 71,583 s at 30 kHz: 2,147,490,000 samples, past 2^31 - 1. GetSegmentInf refuses such a
// segment and reports it on the console (and waits for a key on a terminal), and no int of
// GetWindowCounts carries the count; the rate comes from GetChannelValue and the count from
// the window rule, with no word from the library.
TEST(LongSegmentTest, ChannelsOfASegmentPastAnIntWithoutAReport) {
  const auto recording = ZeroRecording(71583);
  ASSERT_EQ(recording->segmentCount(), 1);
  const SegmentTimes times = ReadSegmentTimes(recording->exports(), 1);
  testing::internal::CaptureStdout();
  const auto channels = ReadSegmentChannels(recording->exports(), 0, times.starts[0], times.durations[0]);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  ASSERT_TRUE(channels);
  EXPECT_EQ(channels->names, std::vector<std::string>{"X"});
  EXPECT_EQ(channels->values, std::vector<double>{kRate});
  EXPECT_EQ(channels->sampleCounts, std::vector<std::int64_t>{2147490000});
}

// 600 one-second windows over 33-us sample spacing: each start used to be placed a little
// earlier than the one before, and the last window ended before the last sample.
TEST(LongSegmentTest, SixHundredWindowsMeetWithoutDrift) {
  const auto recording = ZeroRecording(600);
  ASSERT_EQ(recording->segmentCount(), 1);
  const tapline_host::TaplineExports& library = recording->exports();
  const SegmentTimes times = ReadSegmentTimes(library, 1);
  const auto channels = ReadSegmentChannels(library, 0, times.starts[0], times.durations[0]);
  ASSERT_TRUE(channels);
  const auto summaries = SummarizeSegment(library, 0, {times.starts[0], times.durations[0]},
                                          *channels, ValueScale::Digital, kRate + 2, [](double) {});
  ASSERT_TRUE(summaries);
  EXPECT_EQ(summaries->front().count, 600 * kRate);
}

}  // namespace
