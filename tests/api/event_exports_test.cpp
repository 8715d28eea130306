// GetEventCount and GetEvents through the exports of a loaded library.
#include <array>
#include <cmath>
#include <cstdint>
#include <functional>

#include "query_fixture.h"

namespace apitest {
namespace {

using fake::Operation;
using ::testing::ElementsAre;

constexpr double kDaysPerSecond = 1.1574074074074073e-05;
constexpr char kUntouched = '\x7E';

using GetEventCountTest = QueryTest;

TEST_F(GetEventCountTest, StoresTheComponentsCount) {
  OpenRecording();
  component.recording.eventCount = 17;
  int count = -5;
  EXPECT_EQ(GetEventCount(&count), 1);
  EXPECT_EQ(count, 17);
  EXPECT_THAT(component.Calls(),
              ElementsAre("StorageMan#1.GetEventInterface()", "Event#1.CountEvents()", "Event#1.Release() = 0"));
}

TEST_F(GetEventCountTest, NoEventInterfaceStoresZero) {
  OpenRecording();
  component.recording.eventCount = 17;
  component.On(Operation::GetEventInterface).result = E_NOINTERFACE;  // hands out an object anyway
  int count = -5;
  EXPECT_EQ(GetEventCount(&count), 1);
  EXPECT_EQ(count, 0);
}

TEST_F(GetEventCountTest, CountLeftUnwrittenIsZeroWhateverTheStatus) {
  OpenRecording();
  component.recording.eventCount = 17;
  component.Refuse(Operation::CountEvents, S_OK);
  int count = -5;
  EXPECT_EQ(GetEventCount(&count), 1);
  EXPECT_EQ(count, 0);
}

// Every output of GetEvents, preset to values no event gives.
struct EventOutputs {
  int typeIndex = -1;
  std::array<char, 40> typeText1;
  std::array<char, 40> typeText2;
  std::array<char, 40> label;
  double duration = -7.0;
  double time = -7.0;

  EventOutputs() {
    typeText1.fill(kUntouched);
    typeText2.fill(kUntouched);
    label.fill(kUntouched);
  }
  bool operator==(const EventOutputs&) const = default;
};

std::string Text(const std::array<char, 40>& buffer) { return std::string(buffer.data(), buffer.size()); }
std::string Untouched(std::size_t count) { return std::string(count, kUntouched); }

class GetEventsTest : public QueryTest {
 protected:
  void SetUp() override {
    QueryTest::SetUp();
    ServePacket(kEventTypeTableKind, EventTypeTableBlock({{TypeGuid(1), u"Spike", u"Automatic detection"},
                                                          {TypeGuid(2), u"Seizure", u"Marked by reviewer"},
                                                          {TypeGuid(3), u"Artefact", u""}}));
  }

  int Call(int eventIndex, EventOutputs& out) {
    return GetEvents(eventIndex, &out.typeIndex, out.typeText1.data(), out.typeText2.data(), out.label.data(),
                     &out.duration, &out.time);
  }

  // Calls GetEvents and expects 1 with every output as it was.
  void ExpectUntouched(int eventIndex) {
    EventOutputs out;
    EXPECT_EQ(Call(eventIndex, out), 1);
    EXPECT_TRUE(out == EventOutputs()) << "typeIndex " << out.typeIndex << ", time " << out.time;
  }
};

TEST_F(GetEventsTest, WritesTheTypeItsTextsTheLabelDurationAndTime) {
  component.recording.eventRecords = {
      EventRecordBlock({TypeGuid(3), 0.0, 0.0, 0.0, u"first"}),
      EventRecordBlock({TypeGuid(2), 40000.0, 12.25, 3.5, u"Onset left"})};
  OpenRecording();
  EventOutputs out;

  EXPECT_EQ(ConsoleOutputOf([&] { EXPECT_EQ(Call(1, out), 1); }), "");

  EXPECT_EQ(out.typeIndex, 1);
  EXPECT_EQ(Text(out.typeText1), "Seizure" + Untouched(33));
  EXPECT_EQ(Text(out.typeText2), "Marked by reviewer" + Untouched(22));
  EXPECT_EQ(Text(out.label), "Onset left" + Untouched(30));
  EXPECT_EQ(out.duration, 3.5);
  EXPECT_EQ(out.time, (40000.0 * 86400 + 12) * kDaysPerSecond + 0.25 * kDaysPerSecond);
  EXPECT_THAT(component.Calls(),
              ElementsAre("StorageMan#1.GetPacketInterface()",
                          "Packet#1.GetPacketSize({C728E565-E5A0-4419-93D2-F6CFC69F3B8F})",
                          "Packet#1.ReadPacket({C728E565-E5A0-4419-93D2-F6CFC69F3B8F}, 4208)",
                          "Packet#1.Release() = 0", "StorageMan#1.GetEventInterface()", "Event#1.GetEventPacket(1)",
                          "Event#1.Release() = 0"));
}

TEST_F(GetEventsTest, OutputsAreWrittenInTheirOrder) {
  // One buffer for both type texts and one double for duration and time: the later write wins.
  component.recording.eventRecords = {EventRecordBlock({TypeGuid(1), 1.0, 0.0, 2.5, u"x"})};
  OpenRecording();
  EventOutputs out;

  EXPECT_EQ(GetEvents(0, &out.typeIndex, out.typeText1.data(), out.typeText1.data(), out.label.data(),
                      &out.duration, &out.duration), 1);

  // text2 "Automatic detection", then text1 "Spike" over its first bytes; time, then duration.
  EXPECT_EQ(Text(out.typeText1), "Spikeatic detection" + Untouched(21));
  EXPECT_EQ(out.duration, 2.5);
}

TEST_F(GetEventsTest, FirstOfTwoEntriesWithTheSameTypeWins) {
  component.recording.eventRecords = {EventRecordBlock({TypeGuid(5), 0.0, 0.0, 0.0, u"e"})};
  component.recording.packets.clear();
  ServePacket(kEventTypeTableKind, EventTypeTableBlock({{TypeGuid(1), u"one", u"1"},
                                                        {TypeGuid(5), u"first five", u"5a"},
                                                        {TypeGuid(2), u"two", u"2"},
                                                        {TypeGuid(5), u"second five", u"5b"}}));
  OpenRecording();
  EventOutputs out;

  EXPECT_EQ(Call(0, out), 1);

  EXPECT_EQ(out.typeIndex, 1);
  EXPECT_EQ(Text(out.typeText1), "first five" + Untouched(30));
  EXPECT_EQ(Text(out.typeText2), "5a" + Untouched(38));
}

TEST_F(GetEventsTest, TypeMissingFromTheTableLeavesEveryOutput) {
  GUID almost = TypeGuid(2);
  almost.Data4[7] ^= 1;  // differs in the last byte alone
  component.recording.eventRecords = {EventRecordBlock({almost, 1.0, 1.0, 1.0, u"label"})};
  OpenRecording();
  ExpectUntouched(0);
}

TEST_F(GetEventsTest, RefusedIndexLeavesEveryOutput) {
  component.recording.eventRecords = {EventRecordBlock({TypeGuid(1), 1.0, 1.0, 1.0, u"label"})};
  OpenRecording();
  ExpectUntouched(1);
  ExpectUntouched(-1);
}

TEST_F(GetEventsTest, NoEventInterfaceLeavesEveryOutput) {
  component.recording.eventRecords = {EventRecordBlock({TypeGuid(1), 1.0, 1.0, 1.0, u"label"})};
  OpenRecording();
  component.Refuse(Operation::GetEventInterface, E_FAIL);
  ExpectUntouched(0);
}

TEST_F(GetEventsTest, TableThatCannotBeFetchedFindsNoType) {
  component.recording.eventRecords = {EventRecordBlock({TypeGuid(1), 1.0, 1.0, 1.0, u"label"})};
  component.recording.packets.clear();
  OpenRecording();
  ExpectUntouched(0);
}

TEST_F(GetEventsTest, ComponentErrorLeavesEveryOutputWithEveryInterfaceReleased) {
  component.recording.eventRecords = {EventRecordBlock({TypeGuid(1), 1.0, 1.0, 1.0, u"label"})};
  OpenRecording();
  component.Raise(Operation::GetEventPacket, fake::RaisedError{E_UNEXPECTED});
  ExpectUntouched(0);
}

// Records the component should never have handed out: each is a failed read.
struct BadRecord {
  const char* name;
  std::function<void(Bytes&)> spoil;
};

class BadRecordTest : public GetEventsTest, public ::testing::WithParamInterface<BadRecord> {};

TEST_P(BadRecordTest, LeavesEveryOutput) {
  Bytes record = EventRecordBlock({TypeGuid(1), 1.0, 1.0, 1.0, u"label"});
  GetParam().spoil(record);
  component.recording.eventRecords = {record};
  OpenRecording();
  ExpectUntouched(0);
}

INSTANTIATE_TEST_SUITE_P(
    Records, BadRecordTest,
    ::testing::Values(
        BadRecord{"OtherKind", [](Bytes& record) { record[15] ^= 1; }},
        // Too short for the type GUID at 136-151.
        BadRecord{"SizeEndsInsideTheTypeGuid", [](Bytes& record) { Put<std::uint64_t>(record, 16, 151); }},
        BadRecord{"LabelFieldPastTheSize", [](Bytes& record) { Put<std::int64_t>(record, 128, 100); }},
        BadRecord{"HugeLabelCapacity", [](Bytes& record) { Put<std::int64_t>(record, 128, INT64_MAX); }},
        BadRecord{"SizeBelowTheHeader", [](Bytes& record) { Put<std::uint64_t>(record, 16, 8); }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(GetEventsTest, RecordWithoutLabelLeavesTheLabelBufferAlone) {
  for (std::int64_t capacity : {0, -3}) {
    component.recording.eventRecords = {EventRecordBlock({TypeGuid(3), 2.0, 0.0, 1.0, u"", capacity})};
    OpenRecording();
    EventOutputs out;
    EXPECT_EQ(Call(0, out), 1);
    EXPECT_EQ(out.typeIndex, 2) << capacity;
    EXPECT_EQ(Text(out.label), Untouched(40)) << capacity;
    EXPECT_EQ(Text(out.typeText2), Untouched(40)) << "empty text2 copies nothing";
    library->Close();
  }
}

TEST_F(GetEventsTest, LabelWithoutTerminatorEndsWithItsField) {
  // Four units in a four-unit field, followed by the record's further (nonzero) bytes.
  component.recording.eventRecords = {EventRecordBlock({TypeGuid(1), 2.0, 0.0, 1.0, u"ABCD", 4})};
  OpenRecording();
  EventOutputs out;
  EXPECT_EQ(Call(0, out), 1);
  EXPECT_EQ(Text(out.label), "ABCD" + Untouched(36));
}

TEST_F(GetEventsTest, LongTextsAreCutAt32Bytes) {
  component.recording.packets.clear();
  ServePacket(kEventTypeTableKind,
              EventTypeTableBlock({{TypeGuid(1), std::u16string(255, u'a'), std::u16string(300, u'b')}}));
  component.recording.eventRecords = {EventRecordBlock({TypeGuid(1), 2.0, 0.0, 1.0, std::u16string(50, u'c')})};
  OpenRecording();
  EventOutputs out;
  EXPECT_EQ(Call(0, out), 1);
  EXPECT_EQ(Text(out.typeText1), std::string(32, 'a') + Untouched(8));
  EXPECT_EQ(Text(out.typeText2), std::string(32, 'b') + Untouched(8));
  EXPECT_EQ(Text(out.label), std::string(32, 'c') + Untouched(8));
}

// An event's time as the record holds it, and the day number the host receives.
struct TimeCase {
  const char* name;
  double days;
  double seconds;
  double expected;
};

class EventTimeTest : public GetEventsTest, public ::testing::WithParamInterface<TimeCase> {};

TEST_P(EventTimeTest, IsRoundedToWholeSecondsPlusTheFraction) {
  component.recording.eventRecords = {EventRecordBlock({TypeGuid(1), GetParam().days, GetParam().seconds, 1.0, u""})};
  OpenRecording();
  EventOutputs out;
  EXPECT_EQ(Call(0, out), 1);
  if (std::isnan(GetParam().expected)) {
    EXPECT_TRUE(std::isnan(out.time)) << out.time;
  } else {
    EXPECT_EQ(out.time, GetParam().expected);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Times, EventTimeTest,
    ::testing::Values(TimeCase{"WholeDayAndSeconds", 1.0, 3661.5, 1.0423784722222222},
                      TimeCase{"NegativeFractionBorrowsASecond", 0.0, -0.25, -2.893518518518518e-06},
                      TimeCase{"NegativeSecondsAndAHalf", 0.0, -1.5, -2.0 * kDaysPerSecond + 0.5 * kDaysPerSecond},
                      TimeCase{"SubSecondDaysRoundUp", 10.6 / 86400, 0.0, 11 * kDaysPerSecond},
                      TimeCase{"NegativeSubSecondDaysRoundTowardZero", -10.6 / 86400, 0.0, -10 * kDaysPerSecond},
                      TimeCase{"NanDaysPassThrough", NAN, 0.0, NAN},
                      TimeCase{"SecondsBeyond2To31PassThroughUnrounded", 1.0, 4294967296.5,
                               1.0 + 4294967296.5 * kDaysPerSecond}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace apitest
