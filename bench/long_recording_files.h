// The long-recording benchmark's files, streamed to disk record by record and reused when a
// file of the expected size is already there.
#pragma once

#include <cstdint>
#include <string>

namespace long_recording {

// 24 hours of EDF+C: 64 channels at 512 Hz in 1-s records (86,400 records, 5.6 GB), sample
// values as read_benchmark::SampleValue gives them, and 300 annotations among the records.
constexpr std::int64_t kSeconds = 86'400;
constexpr int kAnnotations = 300;
std::int64_t DayRecordingBytes();
void EnsureDayRecording(const std::string& path);

// A short EDF+C whose `count` annotations all have different texts ("Event 00000", ...), one
// every 10 ms; annotation i's text is EventText(i), in annotation signal i % annotationSignals.
std::string EventText(int index);
void EnsureDistinctTextsRecording(const std::string& path, int count, int annotationSignals = 1);

}  // namespace long_recording
