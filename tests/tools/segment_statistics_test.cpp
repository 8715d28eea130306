// Segment statistics read window by window must equal those of one whole-segment GetData,
// whatever the window size: every sample counted once, none missed where windows meet or where
// the last window overlaps the one before.
#include <gtest/gtest.h>

#include "indexed_recordings.h"
#include "recording_queries.h"
#include "sample_recording.h"
#include "segment_statistics.h"

namespace {

using namespace indexed_recordings;
using namespace tapline_info;

struct StatisticsCase {
  std::string name;
  std::string bytes;
};

// Test parameters print as their name, not as the file's bytes.
void PrintTo(const StatisticsCase& c, std::ostream* out) { *out << c.name; }

class SegmentStatisticsTest : public ::testing::TestWithParam<StatisticsCase> {};

TEST_P(SegmentStatisticsTest, WindowsGiveTheWholeSegmentsStatistics) {
  OpenedRecording recording(GetParam().bytes);
  ASSERT_GT(recording.segmentCount(), 0);
  const tapline_host::TaplineExports& library = recording.exports();
  const SegmentTimes times = ReadSegmentTimes(library, recording.segmentCount());
  for (int segment = 0; segment < recording.segmentCount(); ++segment) {
    const auto index = static_cast<std::size_t>(segment);
    const auto channels = ReadSegmentChannels(library, segment, times.starts[index], times.durations[index]);
    ASSERT_TRUE(channels);
    const auto samples = ReadSegmentSamples(library, segment, *channels);
    ASSERT_TRUE(samples);
    const std::vector<SampleSummary> whole = SummarizeByChannel(*channels, *samples);
    // From one window for the segment down to one second per window.
    for (std::int64_t budget : {kWindowBufferSamples, std::int64_t{5000}, std::int64_t{1}}) {
      std::vector<double> progress;
      const auto windowed = SummarizeSegment(library, segment, {times.starts[index], times.durations[index]},
                                             *channels, ValueScale::Digital, budget, [&](double done) { progress.push_back(done); });
      const std::string where = "segment " + std::to_string(segment) + " budget " + std::to_string(budget);
      ASSERT_TRUE(windowed) << where;
      ASSERT_EQ(windowed->size(), whole.size()) << where;
      for (std::size_t c = 0; c < whole.size(); ++c) {
        EXPECT_EQ((*windowed)[c].count, whole[c].count) << where << " channel " << c;
        EXPECT_EQ((*windowed)[c].minimum, whole[c].minimum) << where << " channel " << c;
        EXPECT_EQ((*windowed)[c].maximum, whole[c].maximum) << where << " channel " << c;
        EXPECT_EQ((*windowed)[c].sum, whole[c].sum) << where << " channel " << c;
      }
      EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end())) << where;
      if (!progress.empty()) {
        EXPECT_EQ(progress.back(), 1.0) << where;
      }
    }
  }
}

std::vector<StatisticsCase> Cases() {
  std::vector<StatisticsCase> cases = {{"SampleRecording", sample_writer::SampleRecordingBytes()}};
  for (const IndexedFile& file : IndexedFiles()) cases.push_back({file.name, FileBytes(file)});
  return cases;
}

INSTANTIATE_TEST_SUITE_P(Recordings, SegmentStatisticsTest, ::testing::ValuesIn(Cases()),
                         [](const auto& info) { return info.param.name; });

// A refused read is no statistics, not wrong ones.
TEST(SegmentStatisticsRefusalTest, GivesNothingWhenTheLibraryRefusesAWindow) {
  OpenedRecording recording(FileBytes(IndexedFiles().front()));
  ASSERT_GT(recording.segmentCount(), 0);
  const tapline_host::TaplineExports& library = recording.exports();
  const SegmentTimes times = ReadSegmentTimes(library, recording.segmentCount());
  const auto channels = ReadSegmentChannels(library, 0, times.starts[0], times.durations[0]);
  ASSERT_TRUE(channels);
  // A start where no segment lies: GetData2 reports and returns 0.
  EXPECT_FALSE(SummarizeSegment(library, 0, {1.0, 30.0}, *channels, ValueScale::Digital,
                                kWindowBufferSamples, [](double) {}));
}

}  // namespace
