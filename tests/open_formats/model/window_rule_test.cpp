// The window rule on day numbers as hosts form them: which segment holds a start and which
// samples of each channel a window holds, exactly.
#include "model/window_rule.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "com/opened_recording.h"
#include "edf_test_files.h"
#include "formats/edf/edf_format.h"
#include "model/day_number_precision.h"
#include "model/sample_grid.h"

namespace {

using edf_test::RecordSamples;
using model::DayNumberOf;
using model::LocateTime;
using model::LocateWindow;
using model::SegmentStartDayNumber;

// 10-s records: "Fast" at 256 Hz (2560 per record), "Slow" at 0.1 Hz (1 per record); 2 records.
class WindowRuleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    edf_writer::EdfWriter writer;
    writer.header.recordDuration = "10";
    writer.AddSignal("Fast", 2560);
    writer.AddSignal("Slow", 1);
    for (int r = 0; r < 2; ++r) writer.AddRecord({RecordSamples(0, r, 2560), RecordSamples(1, r, 1)});
    auto opened = edf::Open(directory.Write("rule.edf", writer.FileBytes()));
    ASSERT_TRUE(opened.Ok()) << opened.Reason();
    recording = std::make_unique<model::Recording>(std::move(opened.Value()));
    segmentDay = SegmentStartDayNumber(*recording, 0);
  }
  // A host's start: the segment's day number plus seconds / 86400.
  double HostDay(double seconds) const { return segmentDay + seconds / 86400.0; }

  edf_test::TemporaryDirectory directory;
  std::unique_ptr<model::Recording> recording;
  double segmentDay = 0;
};

TEST_F(WindowRuleTest, WindowsHoldExactlyTheSamplesFromTheirStartOnSampleTimes) {
  struct Case {
    double start;
    double duration;
    std::int64_t fastFirst, fastCount, slowFirst, slowCount;
  };
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const Case cases[] = {
      {9.1484375, 0.0, 2342, 0, 1, 0},             // exactly on fast sample 2342
      {9.1484375, 1.0 / 256, 2342, 1, 1, 0},
      {9.1484375, 1.0, 2342, 256, 1, 1},            // the slow sample at 10 s is inside
      {0.0, 1.000003, 0, 257, 0, 1},                // 3 us past sample 256 takes it
      {1.000003, 1.0, 257, 256, 1, 0},              // a start 3 us past sample 256 leaves it
      {10.0 - 0.5e-6, 0.1, 2560, 26, 1, 1},         // 0.5 us early still starts on the sample
      {0.0, 20.0, 0, 5120, 0, 2},                   // the whole segment
      {0.0, 1e300, 0, 5120, 0, 2},                  // clamped at the segment's end
      {-0.5e-6, 0.0, 0, 0, 0, 0},                   // held by the segment 1 us before its start
      {19.999998, 1.0, 5120, 0, 2, 0},              // the segment's last microseconds
  };
  for (const Case& c : cases) {
    const auto window = LocateWindow(*recording, HostDay(c.start), 0.0, c.duration);
    ASSERT_TRUE(window) << c.start << " " << c.duration;
    EXPECT_EQ(window->channels[0].first, c.fastFirst) << c.start << " " << c.duration;
    EXPECT_EQ(window->channels[0].count, c.fastCount) << c.start << " " << c.duration;
    EXPECT_EQ(window->channels[1].first, c.slowFirst) << c.start << " " << c.duration;
    EXPECT_EQ(window->channels[1].count, c.slowCount) << c.start << " " << c.duration;
  }
  // Outside the segment's shifted span, or no length: no window.
  for (const auto& [start, duration] : {std::pair{-2e-6, 1.0}, std::pair{20.0 - 1e-6, 1.0},
                                        std::pair{0.0, -1e-9}, std::pair{0.0, nan}, std::pair{nan, 1.0}}) {
    EXPECT_FALSE(LocateWindow(*recording, HostDay(start), 0.0, duration)) << start << " " << duration;
  }
}

TEST_F(WindowRuleTest, AdjacentWindowsTileEverySampleOnce) {
  for (const double step : {1.0 / 256, 0.1, 0.37, 1.000003, 10.0}) {
    std::int64_t nextFast = 0, nextSlow = 0;
    for (int i = 0; i * step < 20.0 - 1e-6; ++i) {
      // The host's own sums: window i starts where window i - 1 ends.
      const auto window = LocateWindow(*recording, HostDay(i * step), 0.0, step);
      ASSERT_TRUE(window) << step << " " << i;
      EXPECT_EQ(window->channels[0].first, nextFast) << step << " " << i;
      EXPECT_EQ(window->channels[1].first, nextSlow) << step << " " << i;
      if (step == 1.0 / 256) {
        EXPECT_EQ(window->channels[0].count, 1) << i;
      }
      nextFast = window->channels[0].first + window->channels[0].count;
      nextSlow = window->channels[1].first + window->channels[1].count;
    }
    EXPECT_EQ(nextFast, 5120) << step;
    EXPECT_EQ(nextSlow, 2) << step;
  }
}

TEST_F(WindowRuleTest, TheSecondsOfAPairJoinTheDayNumberAsTheLibraryAddsThem) {
  EXPECT_EQ(DayNumberOf(45000.0, 0.5), 45000.0 + 0.5 * 1.1574074074074073e-05);
  // GetData's {days, seconds} pair: the seconds are scaled and added to the day number.
  const auto day = std::floor(segmentDay * 86400.0 + 0.5) / 86400.0;  // the start's whole second
  const auto start = LocateTime(*recording, DayNumberOf(day, 9.1484375));
  ASSERT_TRUE(start);
  EXPECT_EQ(start->segment, 0u);
  EXPECT_NEAR(static_cast<double>(start->ticks), 91484375.0, 7.0);  // a day number's precision
  const auto window = LocateWindow(*recording, day, 9.1484375, 1.0 / 256);
  ASSERT_TRUE(window);
  EXPECT_EQ(window->channels[0].first, 2342);
  EXPECT_EQ(window->channels[0].count, 1);
}

// Every rate that opens keeps the bound hosts size GetData2's buffer by, ceil(rate x d) + 1
// samples of a channel in a window of d seconds, gives the whole segment every sample, and
// starts a window that starts on a sample (give or take the day numbers' rounding) on that
// sample. Samples closer than twice the shift are refused: 2 us in 1900, where a day number is
// finest, 4 us in 2150, 16 us in 2900 and 128 us in 9999, where day numbers are 1.3, 5 and
// 40 us apart. Closer, the window's length, rounded to 100 ns, could hold more (200 in a
// buffer of 161 at 1 GHz), and the shift would leave out a segment's last sample.
// A channel may hold fewer samples than its frames give (a WFDB skew), but never fewer than
// none nor more than they give, and the shortfalls come one per channel or not at all.
TEST_F(WindowRuleTest, SampleShortfallsLeaveEveryChannelACount) {
  for (const std::vector<std::int64_t>& wrong : {std::vector<std::int64_t>{0, 3}, {-1, 0}, {0}}) {
    recording->segments[0].sampleShortfalls = wrong;
    EXPECT_NE(model::CheckSampleArithmetic(*recording), std::nullopt) << wrong.size();
  }
  recording->segments[0].sampleShortfalls = {5120, 1};
  EXPECT_EQ(model::CheckSampleArithmetic(*recording), std::nullopt);
}

TEST(WindowBoundTest, EveryRateThatOpensKeepsTheHostsBoundAndTheWholeSegment) {
  struct Grid {
    const char* recordDuration;
    int samplesPerRecord;
    bool opens;
    int year = 1900;
  };
  const Grid grids[] = {
      {".0000001", 100, false},   // 1 GHz
      {"0.001", 1000, false},     // 1 MHz
      {".0000019", 1, false},     // 1.9 us apart
      {"0.001", 501, false},      // 1.996 us apart
      {".000002", 1, true},       // 2 us apart
      {"0.001", 500, true},
      {".0000061", 3, true},      // 2.0333... us apart
      {"0.0003", 7, true},
      {"1", 256, true},
      {"0.1", 7, true},
      {"10", 1, true},
      {".000004", 1, true, 2150},    // 4 us apart
      {".0000039", 1, false, 2150},
      {"0.001", 1, true, 2150},      // 1 kHz
      {".000016", 1, true, 2900},
      {".0000159", 1, false, 2900},
      {"0.001", 1, true, 2900},
      {".000128", 1, true, 9999},
      {".000127", 1, false, 9999},
  };
  std::mt19937_64 random(20);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  edf_test::TemporaryDirectory directory;
  for (const Grid& grid : grids) {
    constexpr int kRecords = 200;
    edf_writer::EdfWriter writer;
    // Day number 2, where a day number is finest, rounding cannot be what keeps the bound.
    writer.header.reserved = "EDF+C";
    writer.header.recording = "Startdate 01-JAN-" + std::to_string(grid.year) + " X X X";
    writer.header.startDate = grid.year == 1900 ? "01.01.00" : "01.01.yy";
    writer.header.recordDuration = grid.recordDuration;
    writer.AddSignal("S", grid.samplesPerRecord);
    for (int r = 0; r < kRecords; ++r) writer.AddRecord({RecordSamples(0, r, grid.samplesPerRecord)});
    // Served as the component serves it, which refuses samples closer than windows place.
    auto opened =
        open_formats::OpenedRecording::Open(directory.Write("grid.edf", writer.FileBytes()));
    const std::string name = std::to_string(grid.samplesPerRecord) + " per " + grid.recordDuration +
                             " s in " + std::to_string(grid.year);
    EXPECT_EQ(opened.Ok(), grid.opens) << name << ": " << (opened.Ok() ? "" : opened.Reason());
    if (!opened.Ok()) continue;
    const model::Recording& recording = opened.Value()->Recording();
    const double rate = model::SamplingRate(recording.LayoutOf(0), 0);  // the channel value
    const double segmentDay = SegmentStartDayNumber(recording, 0);
    const double seconds = static_cast<double>(recording.segments[0].durationTicks) / 1e7;
    const double spacing = 1.0 / rate;
    const std::int64_t all = std::int64_t{kRecords} * grid.samplesPerRecord;
    const auto whole = LocateWindow(recording, segmentDay, 0.0, seconds);
    ASSERT_TRUE(whole) << name;
    EXPECT_EQ(whole->channels[0].count, all) << name;
    // Within half the shift of a sample: the other half covers a host's day number's rounding.
    const double shiftSeconds = static_cast<double>(model::WindowShiftTicks(recording)) / 1e7;
    for (int i = 0; i < 4000; ++i) {
      // Starts and ends on samples, give or take a day number's rounding, and anywhere.
      const double jitter = (unit(random) - 0.5) * shiftSeconds;
      const auto sample = static_cast<std::int64_t>(std::floor(unit(random) * static_cast<double>(all)));
      const double start = i % 2 ? static_cast<double>(sample) * spacing + jitter : unit(random) * seconds;
      const double duration = i % 3 == 0   ? std::floor(unit(random) * 8) * spacing + jitter
                              : i % 3 == 1 ? unit(random) * 8 * spacing
                                           : unit(random) * seconds;
      if (duration < 0) continue;
      const auto window = LocateWindow(recording, segmentDay + start / 86400.0, 0.0, duration);
      if (!window) continue;  // a start outside the segment
      const model::SampleRange* range = &window->channels[0];
      const auto bound = static_cast<std::int64_t>(std::ceil(rate * duration)) + 1;
      ASSERT_LE(range->count, bound) << name << ": " << duration << " s from " << start << " s";
      if (i % 2) {
        ASSERT_EQ(range->first, sample) << name << ": from " << start << " s";
      }
    }
  }
}

// The shift follows the spacing of doubles near the recording's last day number: 1 us while
// they lie at most 0.63 us apart, doubling with them, a whole day before each power of two.
TEST(WindowShiftTest, DoublesWithTheSpacingOfDayNumbers) {
  struct Case {
    double lastDayNumber;
    std::int64_t shiftTicks;
  };
  const double nan = std::numeric_limits<double>::quiet_NaN();
  for (const Case& c : {Case{0.0, 10}, Case{45000.0, 10}, Case{65534.999, 10}, Case{65535.0, 20},
                        Case{91313.0, 20}, Case{131070.5, 20}, Case{131071.0, 40},
                        Case{365245.0, 80}, Case{2097150.9, 320}, Case{2097151.0, 640},
                        Case{2958466.0, 640}, Case{1e12, 640}, Case{nan, 10}}) {
    EXPECT_EQ(model::WindowShiftTicks(c.lastDayNumber), c.shiftTicks) << c.lastDayNumber;
  }
}

TEST(SampleWindowTest, CountsAreExactWhereProductsNeedAllSixtyThreeBits) {
  // A channel of n samples per frame of T ticks over a number of frames.
  struct Channel {
    std::int64_t samplesPerFrame;
    std::int64_t frameTicks;
    std::int64_t frames;
  };
  struct Case {
    std::int64_t ticks;
    Channel channel;
    std::int64_t before;
  };
  // T x n close to 2^63: 92233720 x 99999999 + 92233720 < 2^63.
  const Channel wide{99999999, 92233720, 1000};
  const Case cases[] = {
      {0, {256, 10000000, 2}, 0},
      {1, {256, 10000000, 2}, 1},
      {39062, {256, 10000000, 2}, 1},              // sample 1 lies at 39062.5 ticks
      {39063, {256, 10000000, 2}, 2},
      {-5, {256, 10000000, 2}, 0},
      {std::numeric_limits<std::int64_t>::max(), {256, 10000000, 2}, 512},  // the segment's end
      {92233719, wide, 99999998},                  // ceil(92233719 x 99999999 / 92233720)
      {std::int64_t{92233720} * 999 + 92233719, wide, 99999998999},
      {std::int64_t{92233720} * 1000, wide, 99999999000},
      {std::int64_t{92233720} * 1000 + 1, wide, 99999999000},
  };
  for (const Case& c : cases) {
    // n x frames samples, ending after frames x T.
    const model::ChannelGrid grid{c.channel.samplesPerFrame, c.channel.frameTicks,
                                  c.channel.samplesPerFrame * c.channel.frames,
                                  c.channel.frameTicks * c.channel.frames};
    EXPECT_EQ(model::SamplesBefore(c.ticks, grid), c.before) << c.ticks;
  }
}

}  // namespace
