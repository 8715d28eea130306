// GetSegment, GetSegmentTime and RecSecToDate through the exports of a loaded library.
#include <bit>
#include <cstdint>

#include "query_fixture.h"

namespace apitest {
namespace {

using fake::Operation;
using ::testing::ElementsAre;

constexpr double kDaysPerSecond = 1.1574074074074073e-05;

using GetSegmentTest = QueryTest;

TEST_F(GetSegmentTest, GivesTheComponentsIndexAndAsksWithZeroSeconds) {
  OpenRecording();
  component.recording.foundSegment = 4;
  component.recording.segmentFound = VARIANT_TRUE;

  EXPECT_EQ(GetSegment(44000.25), 4);

  EXPECT_THAT(component.Calls(), ElementsAre("StorageMan#1.GetSegmentInterface()",
                                             "Segment#2.FindSegment(44000.25, 0)", "Segment#2.Release() = 0"));
}

TEST_F(GetSegmentTest, AnyNonzeroFoundFlagCounts) {
  OpenRecording();
  component.recording.foundSegment = 2;
  component.recording.segmentFound = 1;  // not VARIANT_TRUE, still true
  EXPECT_EQ(GetSegment(1.0), 2);
}

TEST_F(GetSegmentTest, NotFoundIsMinusOneWhateverIndexWasWritten) {
  OpenRecording();
  component.recording.foundSegment = 4;
  component.recording.segmentFound = VARIANT_FALSE;
  EXPECT_EQ(GetSegment(1.0), -1);
}

TEST_F(GetSegmentTest, FoundFlagLeftUnwrittenIsNotFound) {
  OpenRecording();
  component.recording.segmentFound = VARIANT_TRUE;
  component.Refuse(Operation::FindSegment, S_OK);
  EXPECT_EQ(GetSegment(1.0), -1);
}

TEST_F(GetSegmentTest, NoSegmentInterfaceIsMinusOne) {
  OpenRecording();
  component.recording.segmentFound = VARIANT_TRUE;
  component.On(Operation::GetSegmentInterface).result = E_FAIL;  // hands out an object anyway
  EXPECT_EQ(GetSegment(1.0), -1);
  EXPECT_THAT(component.Calls(), ElementsAre("StorageMan#1.GetSegmentInterface()", "Segment#2.Release() = 0"));
}

TEST_F(GetSegmentTest, ComponentErrorGivesMinusOneAndReleasesTheInterface) {
  OpenRecording();
  component.Raise(Operation::FindSegment, fake::RaisedError{E_UNEXPECTED});
  EXPECT_EQ(GetSegment(1.0), -1);
}

TEST_F(GetSegmentTest, WithoutAnOpenRecordingEveryQueryGivesItsEmptyAnswer) {
  double durations[2] = {5.0, 6.0};
  double date = 7.0;
  EXPECT_EQ(GetSegment(1.0), -1);
  EXPECT_EQ(GetSegmentTime(durations, durations), 1);
  EXPECT_EQ(RecSecToDate(3.0, &date), 1);
  EXPECT_EQ(durations[0], 5.0);
  EXPECT_EQ(date, -1.0);
  EXPECT_THAT(component.Calls(), ::testing::IsEmpty());
}

using GetSegmentTimeTest = QueryTest;

TEST_F(GetSegmentTimeTest, WritesDurationAndStartDateOfEverySegment) {
  component.recording.segments = {{{40000.0, 0.5}, {}, 10.25},
                                  {{40001.0, 30.0}, {}, 20.5},
                                  {{40002.0, 0.0}, {}, 30.75}};
  OpenRecording();
  double durations[4] = {-7.0, -7.0, -7.0, -7.0};
  double starts[4] = {-7.0, -7.0, -7.0, -7.0};

  EXPECT_EQ(GetSegmentTime(durations, starts), 1);

  EXPECT_THAT(durations, ElementsAre(10.25, 20.5, 30.75, -7.0));
  EXPECT_THAT(starts, ElementsAre(40000.0 + 0.5 * kDaysPerSecond, 40001.0 + 30.0 * kDaysPerSecond, 40002.0, -7.0));
  // The count is asked before each segment, and each duration before its start.
  const std::vector<std::string>& calls = component.Calls();
  std::vector<std::string> operations;
  for (const std::string& call : calls) {
    if (call.find(".Get") != std::string::npos && call.find("Interface") == std::string::npos) {
      operations.push_back(call.substr(call.find('.') + 1));
    }
  }
  EXPECT_THAT(operations, ElementsAre("GetSegmentCount()", "GetSegmentDuration(0)", "GetSegmentStart(0)",
                                      "GetSegmentCount()", "GetSegmentDuration(1)", "GetSegmentStart(1)",
                                      "GetSegmentCount()", "GetSegmentDuration(2)", "GetSegmentStart(2)",
                                      "GetSegmentCount()"));
}

TEST_F(GetSegmentTimeTest, StartSecondsBecomeDaysByTheFactorNotByDividing) {
  // 30 x the factor and 30 / 86400 differ in their last bit; a start on day 0 keeps it.
  component.recording.segments = {{{0.0, 30.0}, {}, 1.0}};
  OpenRecording();
  double duration = 0.0;
  double start = 0.0;

  ASSERT_EQ(GetSegmentTime(&duration, &start), 1);

  ASSERT_NE(std::bit_cast<std::uint64_t>(30.0 * kDaysPerSecond), std::bit_cast<std::uint64_t>(30.0 / 86400.0));
  EXPECT_EQ(std::bit_cast<std::uint64_t>(start), std::bit_cast<std::uint64_t>(30.0 * kDaysPerSecond));
}

TEST_F(GetSegmentTimeTest, SilentComponentLeavesThePresets) {
  component.recording.segmentCount = 1;
  OpenRecording();
  component.Refuse(Operation::GetSegmentDuration, E_FAIL);
  component.Refuse(Operation::GetSegmentStart, E_FAIL);
  double duration = 5.0;
  double start = 5.0;

  EXPECT_EQ(GetSegmentTime(&duration, &start), 1);

  EXPECT_EQ(duration, 0.0);
  EXPECT_EQ(start, -1.0 - kDaysPerSecond);
}

TEST_F(GetSegmentTimeTest, NoSegmentsWriteNothing) {
  OpenRecording();
  double duration = 5.0;
  double start = 6.0;
  EXPECT_EQ(GetSegmentTime(&duration, &start), 1);
  EXPECT_EQ(duration, 5.0);
  EXPECT_EQ(start, 6.0);
}

using RecSecToDateTest = QueryTest;

TEST_F(RecSecToDateTest, WritesTheDayPartAlone) {
  OpenRecording();
  component.recording.convertedTime = {40000.125, 0.75};
  double date = 0.0;

  EXPECT_EQ(RecSecToDate(12.5, &date), 1);

  EXPECT_EQ(date, 40000.125);
  EXPECT_THAT(component.Calls(), ElementsAre("StorageMan#1.GetSegmentInterface()", "Segment#2.SecondsToDate(12.5)",
                                             "Segment#2.Release() = 0"));
}

TEST_F(RecSecToDateTest, RefusedConversionWritesMinusOne) {
  OpenRecording();
  component.Refuse(Operation::SecondsToDate, E_INVALIDARG);
  double date = 0.0;
  EXPECT_EQ(RecSecToDate(12.5, &date), 1);
  EXPECT_EQ(date, -1.0);
}

TEST_F(RecSecToDateTest, ConversionReportedAsSFalseStillHandsOverTheDayPart) {
  OpenRecording();
  component.recording.convertedTime = {40000.5, 0.0};
  component.On(Operation::SecondsToDate).result = S_FALSE;
  double date = 0.0;
  EXPECT_EQ(RecSecToDate(1.0, &date), 1);
  EXPECT_EQ(date, 40000.5);
}

}  // namespace
}  // namespace apitest
