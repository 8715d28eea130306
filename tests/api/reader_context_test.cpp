// ReaderContext operations whose answers no export shows in full, against the fake component.
#include <type_traits>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "api/reader_context.h"
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

}  // namespace
}  // namespace api
