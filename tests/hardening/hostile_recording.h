// A recording the fake component serves in full (one segment, two channels with samples, the
// three packets, an event of a known type), so that every export has work to do before a
// hostile condition strikes.
#pragma once

#include "query_fixture.h"

namespace hardening {

inline constexpr fake::Time kSegmentStart{40000.0, 0.0};

inline void ServeWholeRecording(apitest::QueryTest& test, fake::Component& component) {
  fake::Recording& recording = component.recording;
  recording.segments = {{kSegmentStart, {40000.0 + 10.0 / 86400.0, 0.0}, 10.0}};
  recording.foundSegment = 0;
  recording.segmentFound = VARIANT_TRUE;
  recording.convertedTime = {40000.5, 0.25};
  recording.sampleChannelCount = 2;
  recording.sampleCounts = {3, 2};
  recording.samples = {{1, 2, 3}, {4, 5}};
  test.ServeTimedPacket(apitest::kTsInfoKind, kSegmentStart, apitest::TsInfoBlock({u"Fz", u"Cz"}, {256.0, 128.0}));
  test.ServePacket(apitest::kSensorInfoKind, apitest::SensorInfoBlock(2));
  test.ServePacket(apitest::kEventTypeTableKind,
                   apitest::EventTypeTableBlock({{apitest::TypeGuid(1), u"Arousal", u"Notes"}}));
  recording.eventRecords = {apitest::EventRecordBlock({apitest::TypeGuid(1), 40000.5, 0.25, 2.0, u"Label"})};
}

}  // namespace hardening
