#include "hostile_fixture.h"

#include <gtest/gtest.h>

namespace hardening {

void HostileTest::ServeWholeRecording() {
  fake::Recording& recording = component.recording;
  recording.segments = {{kSegmentStart, {40000.0 + 10.0 / 86400.0, 0.0}, 10.0}};
  recording.foundSegment = 0;
  recording.segmentFound = VARIANT_TRUE;
  recording.convertedTime = {40000.5, 0.25};
  recording.sampleChannelCount = 2;
  recording.sampleCounts = {3, 2};
  recording.samples = {{1, 2, 3}, {4, 5}};
  ServeTimedPacket(apitest::kTsInfoKind, kSegmentStart, apitest::TsInfoBlock({u"Fz", u"Cz"}, {256.0, 128.0}));
  ServePacket(apitest::kSensorInfoKind, apitest::SensorInfoBlock(2));
  ServePacket(apitest::kEventTypeTableKind,
              apitest::EventTypeTableBlock({{apitest::TypeGuid(1), u"Arousal", u"Notes"}}));
  apitest::EventRecord event{apitest::TypeGuid(1), 40000.5, 0.25, 2.0, u"Label"};
  recording.eventRecords = {apitest::EventRecordBlock(event)};
}

void HostileTest::CallEveryQuery() {
  const int segment = GetSegment(kSegmentStart.days);
  EXPECT_TRUE(segment == -1 || segment == 0) << segment;
  double durations[1] = {}, starts[1] = {};
  EXPECT_EQ(GetSegmentTime(durations, starts), 1);
  double date = 0;
  EXPECT_EQ(RecSecToDate(1.5, &date), 1);
  const int channels = GetChannelCount(0);
  EXPECT_TRUE(channels == 0 || channels == 2) << channels;
  char name[32] = {};
  EXPECT_LE(static_cast<unsigned>(GetChannelInf(0, 1, name)), 1u);
  double values[2] = {};
  int sampleCounts[2] = {};
  EXPECT_LE(static_cast<unsigned>(GetSegmentInf(0, values, sampleCounts)), 1u);
  short samples[5] = {};
  EXPECT_LE(static_cast<unsigned>(GetData(0, samples)), 1u);
  EXPECT_LE(static_cast<unsigned>(GetData2(kSegmentStart.days, 2.0, samples)), 1u);
  int events = 0;
  EXPECT_EQ(GetEventCount(&events), 1);
  int typeIndex = -1;
  char text1[32] = {}, text2[32] = {}, label[32] = {};
  double duration = 0, time = 0;
  EXPECT_EQ(GetEvents(0, &typeIndex, text1, text2, label, &duration, &time), 1);
}

}  // namespace hardening
