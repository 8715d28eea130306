// The sample recording that the README's main job shows: an EDF+D file of three segments with
// gaps between them, eight channels at 256, 128 and 1 Hz with synthetic but plausible signals
// (EEG, ECG, respiration, pulse wave, oxygen saturation) and twenty-one annotations with
// durations, among them one non-ASCII UTF-8 text and one TAL with two texts.
#pragma once

#include <string>
#include <vector>

namespace sample_writer {

struct SampleSegment {
  int firstSecond;  // onset of its first 1-s data record, from the recording's start
  int seconds;      // its data records
};

struct SampleAnnotation {
  std::string onset;     // as written in the TAL, with its sign
  std::string duration;  // seconds, as written
  std::vector<std::string> texts;
};

// The recording's layout, for the writer and for tests that check what a reader makes of it.
const std::vector<SampleSegment>& SampleSegments();
const std::vector<SampleAnnotation>& SampleAnnotations();

// The whole file; the same bytes on every call.
std::string SampleRecordingBytes();

}  // namespace sample_writer
