// The library's declarations of the component's interfaces, called against the fake whose
// tables are numbered from the component's own documentation: every operation must land on
// its slot with its arguments in order, and every placeholder on its own unused slot.
#include <functional>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "fake_storage_man_test.h"
#include "reader/reader_ids.h"
#include "reader/reader_interfaces.h"

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class SlotPositionsTest : public support::FakeStorageManTest {
 protected:
  void SetUp() override {
    FakeStorageManTest::SetUp();
    if (HasFatalFailure()) return;
    ASSERT_TRUE(SUCCEEDED(storageMan->GetSegmentInterface(segments.put())));
    ASSERT_TRUE(SUCCEEDED(storageMan->GetPacketInterface(packets.put())));
    ASSERT_TRUE(SUCCEEDED(storageMan->GetEventInterface(events.put())));
    component.ClearCalls();
  }
  void TearDown() override {
    events.reset();
    packets.reset();
    segments.reset();
    FakeStorageManTest::TearDown();
  }

  ComPtr<reader::SegmentInterface> segments;
  ComPtr<reader::PacketInterface> packets;
  ComPtr<reader::EventInterface> events;
};

TEST_F(SlotPositionsTest, StorageManOperations) {
  BSTR path = SysAllocString(OLESTR("x.edf"));
  EXPECT_EQ(storageMan->OpenRecording(path, 3, 0, 1), S_OK);
  SysFreeString(path);
  EXPECT_EQ(storageMan->CloseRecording(), S_OK);
  EXPECT_THAT(component.Calls(),
              ElementsAre("StorageMan#1.OpenRecording(\"x.edf\", 3, 0, 1)", "StorageMan#1.CloseRecording()"));
  EXPECT_THAT(component.Faults(), IsEmpty());
}

TEST_F(SlotPositionsTest, SegmentOperations) {
  component.recording.segments = {{}, {}, {{44001.5, 0.25}, {44002.5, 0.75}, 86400.5}};
  component.recording.foundSegment = 2;
  component.recording.segmentFound = VARIANT_TRUE;
  component.recording.convertedTime = {44003.125, 0.0625};

  std::int32_t count = 0;
  segments->GetSegmentCount(&count);
  double days = -1.0, seconds = -1.0;
  segments->GetSegmentStart(2, &days, &seconds);
  EXPECT_EQ(days, 44001.5);
  EXPECT_EQ(seconds, 0.25);
  days = seconds = -1.0;
  segments->GetSegmentEnd(2, &days, &seconds);
  EXPECT_EQ(days, 44002.5);
  EXPECT_EQ(seconds, 0.75);
  double duration = 0.0;
  segments->GetSegmentDuration(2, &duration);
  std::int32_t index = 0;
  VARIANT_BOOL found = VARIANT_FALSE;
  segments->FindSegment(44001.75, 0.5, &index, &found);
  days = seconds = -1.0;
  EXPECT_EQ(segments->SecondsToDate(12.5, &days, &seconds), S_OK);

  EXPECT_EQ(count, 3);
  EXPECT_EQ(duration, 86400.5);
  EXPECT_EQ(index, 2);
  EXPECT_EQ(found, VARIANT_TRUE);
  EXPECT_EQ(days, 44003.125);
  EXPECT_EQ(seconds, 0.0625);
  EXPECT_THAT(component.Calls(),
              ElementsAre("Segment#1.GetSegmentCount()", "Segment#1.GetSegmentStart(2)", "Segment#1.GetSegmentEnd(2)",
                          "Segment#1.GetSegmentDuration(2)", "Segment#1.FindSegment(44001.75, 0.5)",
                          "Segment#1.SecondsToDate(12.5)"));
  EXPECT_THAT(component.Faults(), IsEmpty());
}

TEST_F(SlotPositionsTest, PacketOperations) {
  const GUID kind = reader::kTsInfoKind;
  component.recording.sampleChannelCount = 2;
  component.recording.sampleCounts = {1, 2};
  component.recording.samples = {{0x0102}, {0x0304, 0x0506}};
  component.recording.packets = {{kind, {1, 2, 3, 4, 5}, {}}};
  component.recording.timedPackets = {{kind, {44001.5, 0.25}, {6, 7, 8}, {}, 9}};

  std::int32_t channels = 0;
  packets->GetSampleChannelCount(44001.5, 0.25, &channels);
  std::int32_t samples = 0;
  packets->GetSampleCount(1, 44001.5, 0.25, 10.5, &samples);
  // channelCount 2 at 64, counts 1 and 2 at 68, then three samples.
  BYTE block[82] = {};
  block[64] = 2;
  block[68] = 1;
  block[72] = 2;
  packets->ReadSamples(44001.5, 0.25, 10.5, sizeof block, block);
  std::uint32_t timedSize = 0, reference = 0;
  packets->GetTimedPacketSize(kind, 44001.5, 0.25, &timedSize, &reference);
  BYTE timed[3] = {};
  packets->ReadTimedPacket(reference, sizeof timed, timed);
  std::int32_t size = 0;
  packets->GetPacketSize(kind, &size);
  BYTE packet[5] = {};
  packets->ReadPacket(kind, size, packet);

  EXPECT_EQ(channels, 2);
  EXPECT_EQ(samples, 2);
  EXPECT_THAT(std::vector<BYTE>(block + 76, block + 82), ElementsAre(0x02, 0x01, 0x04, 0x03, 0x06, 0x05));
  EXPECT_EQ(timedSize, 3u);
  EXPECT_EQ(reference, 9u);
  EXPECT_THAT(timed, ElementsAre(6, 7, 8));
  EXPECT_EQ(size, 5);
  EXPECT_THAT(packet, ElementsAre(1, 2, 3, 4, 5));
  const std::string tsInfo = "{A271CCCB-515D-4590-B6A1-DC170C8D6EE2}";
  EXPECT_THAT(component.Calls(),
              ElementsAre("Packet#1.GetSampleChannelCount(44001.5, 0.25)", "Packet#1.GetSampleCount(1, 44001.5, 0.25, 10.5)",
                          "Packet#1.ReadSamples(44001.5, 0.25, 10.5, 82)",
                          "Packet#1.GetTimedPacketSize(" + tsInfo + ", 44001.5, 0.25)", "Packet#1.ReadTimedPacket(9, 3)",
                          "Packet#1.GetPacketSize(" + tsInfo + ")", "Packet#1.ReadPacket(" + tsInfo + ", 5)"));
  EXPECT_THAT(component.Faults(), IsEmpty());
}

TEST_F(SlotPositionsTest, EventOperations) {
  component.recording.eventRecords = {{1, 2}, {3, 4, 5}};
  std::int32_t count = 0;
  events->CountEvents(&count);
  BYTE* record = nullptr;
  events->GetEventPacket(1, &record);

  EXPECT_EQ(count, 2);
  EXPECT_EQ(record, component.recording.eventRecords[1].data());
  EXPECT_THAT(component.Calls(), ElementsAre("Event#1.CountEvents()", "Event#1.GetEventPacket(1)"));
  EXPECT_THAT(component.Faults(), IsEmpty());
}

TEST_F(SlotPositionsTest, PlaceholdersHitTheirOwnUnusedSlots) {
  storageMan->Unused3();
  storageMan->Unused10();
  storageMan->Unused25();
  storageMan->Unused28();
  segments->Unused6();
  segments->Unused17();
  packets->Unused12();
  packets->Unused24();
  events->Unused11();
  EXPECT_THAT(component.Faults(),
              ElementsAre("StorageMan#1: unexpected slot 3", "StorageMan#1: unexpected slot 10",
                          "StorageMan#1: unexpected slot 25", "StorageMan#1: unexpected slot 28",
                          "Segment#1: unexpected slot 6", "Segment#1: unexpected slot 17",
                          "Packet#1: unexpected slot 12", "Packet#1: unexpected slot 24", "Event#1: unexpected slot 11"));
}

TEST_F(SlotPositionsTest, FakeReportsCallsWithoutApartmentAndAfterRelease) {
  reader::SegmentInterface* kept = segments.get();
  kept->AddRef();
  segments.reset();
  kept->Release();
  std::int32_t count = 0;
  kept->GetSegmentCount(&count);  // after release to zero
  CoUninitialize();
  storageMan->CloseRecording();  // without an apartment
  ASSERT_EQ(CoInitialize(nullptr), S_OK);
  EXPECT_THAT(component.Faults(), ElementsAre("Segment#1.GetSegmentCount after release to zero",
                                              "StorageMan#1.CloseRecording without a COM apartment"));
}

TEST_F(SlotPositionsTest, FakeReportsOutValuesThatWereNotPreset) {
  std::int32_t count = 7;
  segments->GetSegmentCount(&count);
  EXPECT_THAT(component.Faults(), ElementsAre("Segment#1.GetSegmentCount: out-value not preset"));
}

}  // namespace
