// ReaderContext operations whose answers no export shows in full, against the fake component.
#include <cmath>
#include <type_traits>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "api/reader_context.h"
#include "api/recording_time.h"
#include "com_apartment.h"
#include "fake_component.h"

namespace api {
namespace {

using fake::Operation;

// The one context has no base class and no virtual operation but its destructor.
static_assert(std::has_virtual_destructor_v<ReaderContext>);

class ReaderContextTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(apartment.Result(), S_OK);
    ASSERT_TRUE(readerContext.CreateStorageMan());
  }
  void TearDown() override {
    readerContext.CloseAndReleaseStorageMan();
    EXPECT_THAT(component.Faults(), ::testing::IsEmpty());
    EXPECT_THAT(component.HeldObjects(), ::testing::IsEmpty());
  }

  support::ComApartment apartment;  // before the component, which registers in it
  fake::Component component;
};

TEST_F(ReaderContextTest, ConvertRecordingSecondsSucceedsOnlyForSOk) {
  component.recording.convertedTime = {40000.0, 0.5};
  RecordingTime time{};
  EXPECT_TRUE(readerContext.ConvertRecordingSeconds(3.0, time));
  EXPECT_EQ(time.days, 40000.0);
  EXPECT_EQ(time.seconds, 0.5);

  component.On(Operation::SecondsToDate).result = S_FALSE;
  EXPECT_FALSE(readerContext.ConvertRecordingSeconds(3.0, time));
  component.On(Operation::SecondsToDate).result = E_FAIL;
  EXPECT_FALSE(readerContext.ConvertRecordingSeconds(3.0, time));
}

TEST_F(ReaderContextTest, WindowCheckIgnoresTheSecondsOfBothTimes) {
  component.recording.segmentFound = VARIANT_TRUE;
  component.recording.segments = {{{}, {40000.0 + 10.4 * kDaysPerSecond, 0.9}, 0.0}};
  for (double startSeconds : {0.0, 0.9, -5.0}) {
    EXPECT_TRUE(readerContext.WindowFitsSegment({40000.0, startSeconds}, 10.0)) << startSeconds;
    EXPECT_FALSE(readerContext.WindowFitsSegment({40000.0, startSeconds}, 10.01)) << startSeconds;
  }
}

// A segment that ends 10.5 s after a window's start, as two day numbers whose difference falls
// some steps of the doubles there below the half: a window of 11 s fits while the shortfall
// is within what day numbers of that magnitude cannot tell apart (10 us below day 65535, 640 us
// in the year 9000, where doubles lie 40 us apart), and not beyond.
TEST(WholeSecondsBetweenTest, CountsADifferenceWithinTheDayNumbersPrecisionBelowAHalfAsTheHalf) {
  struct Case {
    double from;
    int stepsBelow;  // of the doubles near `to`
    double expected;
  };
  for (const Case& c : {Case{45000.0, 0, 11.0}, Case{45000.0, 10, 11.0},  // 0.6 us a step
                        Case{45000.0, 20, 10.0}, Case{91313.0, 12, 11.0},  // 2150: 1.3 us
                        Case{365245.0, 12, 11.0}, Case{365245.0, 40, 10.0},  // 2900: 5 us
                        Case{2629000.0, 12, 11.0}, Case{2629000.0, 18, 10.0}}) {
    double to = c.from + 10.5 * kDaysPerSecond;
    ASSERT_EQ(WholeSecondsBetween(c.from, to), 11.0) << c.from;  // within half a step of 10.5 s
    if ((to - c.from) * 86400.0 > 10.5) to = std::nextafter(to, 0.0);
    for (int i = 0; i < c.stepsBelow; ++i) to = std::nextafter(to, 0.0);
    EXPECT_EQ(WholeSecondsBetween(c.from, to), c.expected)
        << c.from << " " << c.stepsBelow << " steps: " << ((to - c.from) * 86400.0 - 10.5);
  }
}

}  // namespace
}  // namespace api
