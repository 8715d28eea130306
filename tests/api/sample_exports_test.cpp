// GetData and GetData2 through the exports of a loaded library: the window check, the block
// the component fills, the copy into the host's buffer, and every way a read is refused.
#include <array>
#include <climits>
#include <cmath>
#include <ostream>
#include <regex>

#include "query_fixture.h"

namespace apitest {
namespace {

using fake::Operation;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

constexpr double kDaysPerSecond = 1.1574074074074073e-05;
constexpr double kStartDays = 40000.0;
constexpr short kUntouched = 0x7E7E;

class SampleReadTest : public QueryTest {
 protected:
  // One segment of 60 s starting at kStartDays + 0.25 s, holding channels of 3, 0 and 2
  // samples.
  void SetUp() override {
    QueryTest::SetUp();
    component.recording.segments = {{{kStartDays, 0.25}, {kStartDays + 60 * kDaysPerSecond, 0.0}, 60.0}};
    component.recording.segmentFound = VARIANT_TRUE;
    component.recording.sampleChannelCount = 3;
    component.recording.sampleCounts = {3, 0, 2};
    component.recording.samples = {{0x0102, 0x0304, -2}, {}, {0x0708, 0x090A}};
    buffer.fill(kUntouched);
  }

  // Reads the window and expects the "GetData" report, the result 0 and the buffer untouched.
  void ExpectRefused(double startDate, double duration) {
    const std::string output = ConsoleOutputOf([&] { EXPECT_EQ(GetData2(startDate, duration, buffer.data()), 0); });
    EXPECT_EQ(output, PacketFailureOutput("GetData"));
    ExpectBufferUntouched();
  }

  void ExpectBufferUntouched() {
    for (short sample : buffer) ASSERT_EQ(sample, kUntouched);
  }

  std::array<short, 8> buffer{};
};

TEST_F(SampleReadTest, GetDataCopiesEveryChannelWithoutGaps) {
  OpenRecording();

  EXPECT_EQ(ConsoleOutputOf([&] { EXPECT_EQ(GetData(0, buffer.data()), 1); }), "");

  EXPECT_THAT(buffer, ElementsAre(0x0102, 0x0304, -2, 0x0708, 0x090A, kUntouched, kUntouched, kUntouched));
}

TEST_F(SampleReadTest, GetDataAsksForTheSegmentsWindowAndBuildsABlockOfExactlyTheNeededSize) {
  OpenRecording();

  ASSERT_EQ(GetData(0, buffer.data()), 1);

  const std::string start = "40000, 0.25";
  EXPECT_THAT(component.Calls(),
              ElementsAre("StorageMan#1.GetSegmentInterface()", "Segment#2.GetSegmentDuration(0)",
                          "Segment#2.Release() = 0", "StorageMan#1.GetSegmentInterface()",
                          "Segment#3.GetSegmentStart(0)", "Segment#3.Release() = 0",
                          "StorageMan#1.GetSegmentInterface()", "Segment#4.FindSegment(" + start + ")",
                          "StorageMan#1.GetSegmentInterface()", "Segment#5.GetSegmentEnd(0)",
                          "Segment#5.Release() = 0", "Segment#4.Release() = 0", "StorageMan#1.GetPacketInterface()",
                          "Packet#1.GetSampleChannelCount(" + start + ")",
                          "Packet#1.GetSampleCount(0, " + start + ", 60)",
                          "Packet#1.GetSampleCount(1, " + start + ", 60)",
                          "Packet#1.GetSampleCount(2, " + start + ", 60)",
                          // 68 + 4 x 3 + 2 x 5
                          "Packet#1.ReadSamples(" + start + ", 60, 90)", "Packet#1.Release() = 0"));
}

TEST_F(SampleReadTest, GetData2PassesItsDateWithZeroSeconds) {
  OpenRecording();

  ASSERT_EQ(GetData2(kStartDays + 1 * kDaysPerSecond, 4.0, buffer.data()), 1);

  const std::string start = "40000.000011574077, 0";
  EXPECT_THAT(component.Calls(), ::testing::Contains("Segment#2.FindSegment(" + start + ")"));
  EXPECT_THAT(component.Calls(), ::testing::Contains("Packet#1.GetSampleChannelCount(" + start + ")"));
  EXPECT_THAT(component.Calls(), ::testing::Contains("Packet#1.ReadSamples(" + start + ", 4, 90)"));
  EXPECT_THAT(buffer, ElementsAre(0x0102, 0x0304, -2, 0x0708, 0x090A, kUntouched, kUntouched, kUntouched));
}

// The segment ends `available` seconds after the window's start (by day numbers); the window
// fits when its duration is at most those seconds rounded to the nearest whole second.
struct WindowCase {
  const char* name;
  double available;
  double duration;
  bool fits;
};

class WindowCheckTest : public SampleReadTest, public ::testing::WithParamInterface<WindowCase> {};

TEST_P(WindowCheckTest, AcceptsDurationsUpToTheRoundedSecondsToTheSegmentEnd) {
  const WindowCase& window = GetParam();
  component.recording.segments[0].end = {kStartDays + window.available * kDaysPerSecond, 0.0};
  OpenRecording();

  if (window.fits) {
    EXPECT_EQ(GetData2(kStartDays, window.duration, buffer.data()), 1);
    EXPECT_EQ(buffer[4], 0x090A);
  } else {
    ExpectRefused(kStartDays, window.duration);
    EXPECT_EQ(component.ObjectsCreated(fake::ObjectKind::Packet), 0);
  }
}

INSTANTIATE_TEST_SUITE_P(Durations, WindowCheckTest,
                         ::testing::Values(WindowCase{"RoundsUp_10_6_Takes_11_0", 10.6, 11.0, true},
                                           WindowCase{"RoundsUp_10_6_Refuses_11_2", 10.6, 11.2, false},
                                           WindowCase{"RoundsDown_10_3_Takes_10_0", 10.3, 10.0, true},
                                           WindowCase{"RoundsDown_10_3_Refuses_10_2", 10.3, 10.2, false},
                                           WindowCase{"ZeroDurationAtTheEnd", 0.0, 0.0, true},
                                           WindowCase{"EndBeforeTheStart", -2.0, 0.0, false},
                                           WindowCase{"NanDuration", 10.0, NAN, false},
                                           // A negative duration is no window, however small.
                                           WindowCase{"MinusOneSecond", 10.0, -1.0, false},
                                           WindowCase{"MinusOneNanosecond", 10.0, -1e-9, false},
                                           WindowCase{"HugeNegative", 10.0, -1e300, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SampleReadTest, GetDataPassesANegativeSegmentDurationOn) {
  // Only a host's negative duration is refused; the component's own is its business.
  component.recording.segments[0].duration = -1.0;
  OpenRecording();

  EXPECT_EQ(ConsoleOutputOf([&] { EXPECT_EQ(GetData(0, buffer.data()), 1); }), "");

  EXPECT_THAT(component.Calls(), ::testing::Contains("Packet#1.ReadSamples(40000, 0.25, -1, 90)"));
}

TEST_F(SampleReadTest, StartOutsideEverySegmentNeverFits) {
  component.recording.segmentFound = VARIANT_FALSE;
  OpenRecording();
  ExpectRefused(kStartDays, 0.0);
  EXPECT_EQ(component.ObjectsCreated(fake::ObjectKind::Packet), 0);
}

// The calls without the objects' serial numbers, which differ from one read to the next.
std::vector<std::string> CallsWithoutObjectNumbers(const std::vector<std::string>& calls) {
  std::vector<std::string> stripped;
  for (const std::string& call : calls) stripped.push_back(std::regex_replace(call, std::regex("#[0-9]+"), ""));
  return stripped;
}

TEST_F(SampleReadTest, NegativeDurationAsksNoMoreThanNan) {
  OpenRecording();
  ExpectRefused(kStartDays, NAN);
  const std::vector<std::string> nanCalls = CallsWithoutObjectNumbers(component.Calls());
  component.ClearCalls();
  ExpectRefused(kStartDays, -1e-9);
  EXPECT_EQ(CallsWithoutObjectNumbers(component.Calls()), nanCalls);
}

TEST_F(SampleReadTest, FoundFlagLeftUnwrittenMeansNoSegment) {
  // Writes neither index nor flag: the index keeps its preset 0, a segment that would fit.
  component.Refuse(Operation::FindSegment, S_OK);
  OpenRecording();
  ExpectRefused(kStartDays, 4.0);
  EXPECT_EQ(component.ObjectsCreated(fake::ObjectKind::Packet), 0);
}

TEST_F(SampleReadTest, SamplesTheComponentLeavesUnwrittenAreZeros) {
  OpenRecording();
  ASSERT_EQ(GetData2(kStartDays, 4.0, buffer.data()), 1);
  // The next block has the same size, so the heap is likely to hand out the first one's memory
  // again, samples and all.
  component.Refuse(Operation::ReadSamples, S_OK);
  buffer.fill(kUntouched);

  EXPECT_EQ(GetData2(kStartDays, 4.0, buffer.data()), 1);

  EXPECT_THAT(buffer, ElementsAre(0, 0, 0, 0, 0, kUntouched, kUntouched, kUntouched));
}

TEST_F(SampleReadTest, NoChannelsGiveTheHeaderOnlyBlockAndSuccess) {
  component.recording.sampleChannelCount = 0;
  OpenRecording();

  EXPECT_EQ(GetData2(kStartDays, 4.0, buffer.data()), 1);

  EXPECT_THAT(component.Calls(), ::testing::Contains("Packet#1.ReadSamples(40000, 0, 4, 68)"));
  ExpectBufferUntouched();
}

TEST_F(SampleReadTest, AChannelTheComponentRefusesIsAFailedRead) {
  component.recording.sampleChannelCount = 4;
  component.recording.sampleCounts = {3, 2};  // channels 2 and 3 are refused unwritten
  component.recording.samples = {{1, 2, 3}, {4, 5}, {6, 7}, {8, 9}};
  OpenRecording();

  ExpectRefused(kStartDays, 4.0);

  EXPECT_THAT(component.Calls(), ::testing::Not(::testing::Contains(::testing::HasSubstr("ReadSamples"))));
}

TEST_F(SampleReadTest, NoPacketInterfaceIsAFailedRead) {
  OpenRecording();
  component.On(Operation::GetPacketInterface).result = E_NOINTERFACE;  // hands out an object anyway
  ExpectRefused(kStartDays, 4.0);
  EXPECT_THAT(component.Calls(), ::testing::Contains("Packet#1.Release() = 0"));
}

TEST_F(SampleReadTest, NoSegmentInterfaceIsAFailedRead) {
  OpenRecording();
  component.Refuse(Operation::GetSegmentInterface, E_FAIL);
  ExpectRefused(kStartDays, 4.0);
}

// A status of one of the sample operations, read through GetData (whole segment 0) or GetData2.
struct SampleCallStatus {
  const char* name;
  Operation operation;
  HRESULT status;
  bool wholeSegment;
  bool read;  // only a negative status fails the read
};
void PrintTo(const SampleCallStatus& call, std::ostream* out) { *out << call.name; }

class SampleCallStatusTest : public SampleReadTest, public ::testing::WithParamInterface<SampleCallStatus> {};

TEST_P(SampleCallStatusTest, OnlyANegativeStatusFailsTheRead) {
  const SampleCallStatus& call = GetParam();
  OpenRecording();
  // The component still writes its answers: only the status tells the failure.
  component.On(call.operation).result = call.status;

  int result = -1;
  const std::string output = ConsoleOutputOf(
      [&] { result = call.wholeSegment ? GetData(0, buffer.data()) : GetData2(kStartDays, 4.0, buffer.data()); });

  if (call.read) {
    EXPECT_EQ(result, 1);
    EXPECT_EQ(output, "");
    EXPECT_THAT(buffer, ElementsAre(0x0102, 0x0304, -2, 0x0708, 0x090A, kUntouched, kUntouched, kUntouched));
  } else {
    EXPECT_EQ(result, 0);
    EXPECT_EQ(output, PacketFailureOutput("GetData"));
    ExpectBufferUntouched();
  }
}

INSTANTIATE_TEST_SUITE_P(
    Statuses, SampleCallStatusTest,
    ::testing::Values(SampleCallStatus{"ChannelCountFailsGetData", Operation::GetSampleChannelCount, E_FAIL, true, false},
                      SampleCallStatus{"ChannelCountFailsGetData2", Operation::GetSampleChannelCount, E_FAIL, false, false},
                      SampleCallStatus{"SampleCountFailsGetData", Operation::GetSampleCount, E_FAIL, true, false},
                      SampleCallStatus{"SampleCountFailsGetData2", Operation::GetSampleCount, E_INVALIDARG, false, false},
                      SampleCallStatus{"ReadFailsGetData", Operation::ReadSamples, E_FAIL, true, false},
                      SampleCallStatus{"ReadFailsGetData2", Operation::ReadSamples, E_OUTOFMEMORY, false, false},
                      SampleCallStatus{"ChannelCountSFalseReads", Operation::GetSampleChannelCount, S_FALSE, false, true},
                      SampleCallStatus{"SampleCountSFalseReads", Operation::GetSampleCount, S_FALSE, true, true},
                      SampleCallStatus{"ReadSFalseReads", Operation::ReadSamples, S_FALSE, false, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SampleReadTest, ComponentErrorDuringTheReadGivesZeroWithEveryInterfaceReleased) {
  OpenRecording();
  component.Raise(Operation::ReadSamples, fake::RaisedError{E_UNEXPECTED});
  EXPECT_EQ(ConsoleOutputOf([&] { EXPECT_EQ(GetData2(kStartDays, 4.0, buffer.data()), 0); }), "");
  ExpectBufferUntouched();
}

// Counts from which no block can be built, or only one of 2^32 bytes or more. Each is
// refused before anything is allocated from it.
struct HostileCounts {
  const char* name;
  std::int32_t channelCount;
  std::vector<std::int32_t> sampleCounts;
};

class HostileCountsTest : public SampleReadTest, public ::testing::WithParamInterface<HostileCounts> {};

TEST_P(HostileCountsTest, AreAFailedReadWithNothingWritten) {
  component.recording.sampleChannelCount = GetParam().channelCount;
  component.recording.sampleCounts = GetParam().sampleCounts;
  OpenRecording();

  ExpectRefused(kStartDays, 4.0);
  // The whole segment, as a host reads a long recording's segment.
  const std::string output = ConsoleOutputOf([&] { EXPECT_EQ(GetData(0, buffer.data()), 0); });
  EXPECT_EQ(output, PacketFailureOutput("GetData"));
  ExpectBufferUntouched();

  EXPECT_THAT(component.Calls(), ::testing::Not(::testing::Contains(::testing::HasSubstr("ReadSamples"))));
}

INSTANTIATE_TEST_SUITE_P(
    Counts, HostileCountsTest,
    ::testing::Values(HostileCounts{"NegativeChannelCount", -1, {}},
                      HostileCounts{"LargestChannelCount", INT_MAX, {}},
                      HostileCounts{"CountTableAlone2To32Bytes", 1 << 30, {}},
                      HostileCounts{"NegativeSampleCount", 3, {3, -1, 2}},
                      HostileCounts{"SmallestSampleCount", 2, {1, INT_MIN}},
                      HostileCounts{"SamplesOf2To32Bytes", 2, {INT_MAX, INT_MAX}},
                      // 68 + 4 + 2 x 2147483612 = 2^32 exactly
                      HostileCounts{"BlockOfExactly2To32Bytes", 1, {2147483612}},
                      // Summed in 32 bits, their block would wrap to 84 bytes.
                      HostileCounts{"BlockThatWrapsToASmallOne", 3, {INT_MAX, INT_MAX, 4}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SampleReadTest, GetDataOfASegmentTheComponentDoesNotKnowChecksThePresetWindow) {
  // Start {-1, -1}, duration 0: the component places the start in segment 0, which ends after
  // it, so the empty window is read.
  OpenRecording();
  component.recording.sampleChannelCount = 0;
  EXPECT_EQ(GetData(9, buffer.data()), 1);
  EXPECT_THAT(component.Calls(), ::testing::Contains("Segment#4.FindSegment(-1, -1)"));
  EXPECT_THAT(component.Calls(), ::testing::Contains("Packet#1.ReadSamples(-1, -1, 0, 68)"));
}

}  // namespace
}  // namespace apitest
