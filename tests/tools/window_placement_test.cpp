// tapline-info checks a window against the segments before the library sees it: seconds count
// from the first segment's start, and a window that does not fit is named with the segment's
// bounds and where the next one starts.
#include <gtest/gtest.h>

#include <cmath>

#include "window_csv.h"

namespace {

using tapline_info::PlaceWindow;
using tapline_info::SegmentTimes;

// 2024-05-14 09:30:00.3 (a sub-second start), then segments 90 s and 195.25 s later.
constexpr double kFirstStart = 45426.0 + 34200.3 / 86400.0;

SegmentTimes ThreeSegments() {
  return {{kFirstStart, kFirstStart + 90.0 / 86400.0, kFirstStart + 195.25 / 86400.0},
          {60.0, 45.0, 75.5}};
}

struct PlacementCase {
  const char* name;
  double start;
  double duration;
  int segment;  // -1: refused with `error`
  const char* error;
};

class WindowPlacementTest : public ::testing::TestWithParam<PlacementCase> {};

TEST_P(WindowPlacementTest, PlacesTheWindowOrSaysWhy) {
  const PlacementCase& c = GetParam();
  std::string error;
  const auto placed = PlaceWindow(ThreeSegments(), c.start, c.duration, error);
  if (c.segment >= 0) {
    ASSERT_TRUE(placed) << error;
    EXPECT_EQ(*placed, static_cast<std::size_t>(c.segment));
  } else {
    EXPECT_FALSE(placed);
    EXPECT_EQ(error, c.error);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Windows, WindowPlacementTest,
    ::testing::Values(
        // Second 0 is the first sample, not the whole second before it.
        PlacementCase{"TimeZeroIsTheFirstSample", 0.0, 1.0, 0, ""},
        PlacementCase{"EndsOnTheSegmentsEnd", 56.0, 4.0, 0, ""},
        PlacementCase{"SecondSegment", 91.5, 2.0, 1, ""},
        PlacementCase{"FractionalSegmentStart", 195.25, 75.5, 2, ""},
        PlacementCase{"Overhangs", 58.0, 4.0, -1,
                      "the window 58 s to 62 s does not fit its segment: segment 0 spans 0 s to"
                      " 60 s; segment 1 starts at 90 s"},
        PlacementCase{"OverhangsByAMillisecond", 130.0, 5.001, -1,
                      "the window 130 s to 135.001 s does not fit its segment: segment 1 spans"
                      " 90 s to 135 s; segment 2 starts at 195.25 s"},
        PlacementCase{"InAGap", 150.0, 1.0, -1,
                      "no segment holds 150 s: segment 1 spans 90 s to 135 s; segment 2 starts"
                      " at 195.25 s"},
        PlacementCase{"AfterTheEnd", 300.0, 1.0, -1,
                      "no segment holds 300 s: segment 2 spans 195.25 s to 270.75 s; it is the"
                      " last segment"},
        PlacementCase{"NegativeStart", -1.0, 1.0, -1,
                      "the window needs a start of 0 s or more and a positive duration"},
        PlacementCase{"NanDuration", 1.0, NAN, -1,
                      "the window needs a start of 0 s or more and a positive duration"}),
    [](const auto& info) { return std::string(info.param.name); });

// A segment from 09:30:00.5 to 09:30:02.9: the library counts whole seconds, rounded, from a
// window's start to 09:30:03, so it refuses a window from a fraction of a second into the last
// 0.4 s, which tapline-info then refuses itself, without the library's report.
TEST(WindowPlacementTest, RefusesWhatTheLibraryRefusesNearTheEnd) {
  constexpr double kStart = 45426.0 + 34200.5 / 86400.0;
  const struct {
    double start;
    double duration;
    bool placed;
  } cases[] = {{0.0, 2.4, true},   {0.5, 1.9, true},  {1.6, 0.8, true},
               {2.0, 0.4, true},   {2.1, 0.3, false}, {2.3, 0.1, false}};
  for (const auto& c : cases) {
    std::string error;
    EXPECT_EQ(PlaceWindow({{kStart}, {2.4}}, c.start, c.duration, error).has_value(), c.placed)
        << c.start << " " << c.duration << " " << error;
    if (!c.placed) {
      EXPECT_EQ(error.rfind("the library refuses the window ", 0), 0u) << error;
    }
  }
  std::string error;
  PlaceWindow({{kStart}, {2.4}}, 2.3, 0.1, error);
  EXPECT_EQ(error, "the library refuses the window 2.3 s to 2.4 s: it allows 0 s from that"
                   " start, the whole seconds to the segment's end rounded up to a whole second;"
                   " segment 0 spans 0 s to 2.4 s; it is the last segment");
}

TEST(WindowPlacementTest, RefusesARecordingWithoutSegments) {
  std::string error;
  EXPECT_FALSE(PlaceWindow({}, 0.0, 1.0, error));
  EXPECT_EQ(error, "the recording has no segments, so no samples");
}

}  // namespace
