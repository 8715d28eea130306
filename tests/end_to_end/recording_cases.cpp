#include "recording_cases.h"

#include <algorithm>

#include "edf_test_files.h"

namespace end_to_end {
namespace {

using edf_test::RecordSamples;
using edf_writer::EdfWriter;
using edf_writer::SignalData;
using edf_writer::Tal;
using edf_writer::TimeKeepingTal;

constexpr std::int64_t kSecond = 1'000'000;

// The first sample index at or after the time, for n samples per record of recordMicros.
std::int64_t FirstSampleFrom(std::int64_t micros, int n, std::int64_t recordMicros) {
  const std::int64_t scaled = micros * n;
  return scaled <= 0 ? 0 : (scaled + recordMicros - 1) / recordMicros;
}

// Ordinary signals at the given samples per record, then (for EDF+) one annotation signal that
// keeps the time of each record; one record per onset, samples as RecordSamples writes them.
struct Signal {
  std::string label;
  int samplesPerRecord;
};
std::string MixedRateFile(const char* variant, const char* recordDuration, const std::vector<Signal>& signals,
                          const std::vector<std::string>& onsets) {
  EdfWriter writer;
  writer.header.reserved = variant;
  writer.header.recordDuration = recordDuration;
  for (const Signal& signal : signals) writer.AddSignal(signal.label, signal.samplesPerRecord);
  const bool plus = *variant != '\0';
  if (plus) writer.AddAnnotationSignal(8);
  for (std::size_t r = 0; r < onsets.size(); ++r) {
    std::vector<SignalData> data;
    for (std::size_t s = 0; s < signals.size(); ++s) {
      data.push_back(RecordSamples(s, static_cast<std::int64_t>(r), signals[s].samplesPerRecord));
    }
    if (plus) data.push_back(TimeKeepingTal(onsets[r]));
    writer.AddRecord(data);
  }
  return writer.FileBytes();
}

std::vector<std::string> Onsets(int tenthsFrom, int count, int tenthsStep) {
  std::vector<std::string> onsets;
  for (int i = 0; i < count; ++i) {
    const int tenths = tenthsFrom + i * tenthsStep;
    onsets.push_back("+" + std::to_string(tenths / 10) + "." + std::to_string(tenths % 10));
  }
  return onsets;
}

// An annotation signal first, the one ordinary signal between two annotation signals, and
// TALs of every kind: several texts, a line feed and a tab, empty texts, a negative onset, a
// text over 32 bytes, UTF-8, a text that repeats an earlier type.
std::string EveryKindOfTal() {
  EdfWriter writer;
  writer.header.reserved = "EDF+C";
  writer.AddAnnotationSignal(40);
  writer.AddSignal("EEG Pz", 2);
  writer.AddAnnotationSignal(40);
  writer.AddRecord({TimeKeepingTal("+0") + Tal("+0.5", "1.5", {"Two", "Texts"}) +
                        Tal("-2.5", std::nullopt, {"Before start"}),
                    RecordSamples(1, 0, 2), Tal("+0.75", std::nullopt, {"Line one\nLine two\tTabbed", ""})});
  writer.AddRecord({TimeKeepingTal("+1") + Tal("+1.25", "0.5", {"", "After empty"}), RecordSamples(1, 1, 2),
                    Tal("+1.5", std::nullopt, {"A text longer than thirty-two bytes"})});
  writer.AddRecord({TimeKeepingTal("+2") + Tal("+2.5", std::nullopt, {"Two"}), RecordSamples(1, 2, 2),
                    Tal("+2.75", "0.25", {"Caf\xC3\xA9 \xE2\x82\xAC"})});
  return writer.FileBytes();
}

// EDF+D whose onsets carry a writer's rounding: contiguous records, so one segment, and an
// event exactly at 1.25 s.
std::string OnsetsWithWritersRounding() {
  EdfWriter writer;
  writer.header.reserved = "EDF+D";
  writer.AddSignal("EEG", 2);
  writer.AddAnnotationSignal(40);
  const std::vector<std::string> onsets = {"+0", "+0.99999999999", "+2.000000000001"};
  for (std::size_t r = 0; r < onsets.size(); ++r) {
    std::string annotations = TimeKeepingTal(onsets[r]);
    if (r == 1) annotations += Tal("+1.2500000000001", "0.49999999999", {"Spindle"});
    writer.AddRecord({RecordSamples(0, static_cast<std::int64_t>(r), 2), annotations});
  }
  return writer.FileBytes();
}

}  // namespace

std::vector<std::int16_t> RecordingCase::Samples(std::size_t segment, std::size_t channel,
                                                 std::int64_t fromMicros, std::int64_t toMicros) const {
  const ExpectedChannel& c = channels[channel];
  const ExpectedSegment& s = segments[segment];
  const std::int64_t inSegment = s.records * c.samplesPerRecord;
  const std::int64_t first =
      std::min(FirstSampleFrom(fromMicros, c.samplesPerRecord, recordMicros), inSegment);
  const std::int64_t end = std::min(FirstSampleFrom(toMicros, c.samplesPerRecord, recordMicros), inSegment);
  std::vector<std::int16_t> samples;
  for (std::int64_t k = first; k < end; ++k) {
    samples.push_back(edf_test::SampleValue(c.signal, s.firstRecord * c.samplesPerRecord + k));
  }
  return samples;
}

std::vector<std::string> RecordingCase::TypeTexts() const {
  std::vector<std::string> texts;
  for (const ExpectedEvent& event : events) {
    if (std::find(texts.begin(), texts.end(), event.text) == texts.end()) texts.push_back(event.text);
  }
  return texts;
}

std::vector<RecordingCase> RecordingCases() {
  const std::vector<ExpectedChannel> plainChannels = {{"EEG Fz", 0, 4}, {"EEG Cz", 1, 2}};
  EdfWriter unknownCount = edf_test::PlainEdf();
  unknownCount.header.recordCount = "-1";
  std::string truncated = edf_test::PlainEdf().FileBytes();
  truncated.resize(truncated.size() - 5);
  EdfWriter unknownCountPlus = edf_test::EdfPlusContinuousSubSecond();
  unknownCountPlus.header.recordCount = "-1";
  std::string truncatedPlus = unknownCountPlus.FileBytes();
  truncatedPlus.resize(truncatedPlus.size() - 3);

  return {
      {"PlainEdf",
       edf_test::PlainEdf().FileBytes(),
       kSecond,
       plainChannels,
       {{0, 3, 0}},
       {},
       {kSecond, 750'000}},
      {"RecordCountMinusOne",
       unknownCount.FileBytes(),
       kSecond,
       plainChannels,
       {{0, 3, 0}},
       {},
       {kSecond, 750'000}},
      {"TruncatedMidRecord", truncated, kSecond, plainChannels, {{0, 2, 0}}, {}, {kSecond, 750'000}},
      {"EdfPlusContinuousSubSecondStart",
       edf_test::EdfPlusContinuousSubSecond().FileBytes(),
       kSecond,
       {{"ECG", 0, 5}},
       {{0, 4, 500'000}},
       {{1'250'000, 2 * kSecond, "Lights off"}, {3 * kSecond, 0, "Arousal"}},
       {kSecond, 400'000}},
      {"EdfPlusContinuousRecordCountMinusOneTruncated",
       truncatedPlus,
       kSecond,
       {{"ECG", 0, 5}},
       {{0, 3, 500'000}},
       {{1'250'000, 2 * kSecond, "Lights off"}, {3 * kSecond, 0, "Arousal"}},
       {kSecond, 400'000}},
      {"EdfPlusDiscontinuousAnnotationInGap",
       edf_test::EdfPlusDiscontinuousThreeSegments().FileBytes(),
       kSecond,
       {{"EEG", 0, 2}},
       {{0, 2, 0}, {2, 1, 10 * kSecond}, {3, 3, 20'500'000}},
       {{15 * kSecond, 0, "In gap"}},
       {kSecond, 500'000}},
      {"EdfPlusDiscontinuousOnsetsWithWritersRounding",
       OnsetsWithWritersRounding(),
       kSecond,
       {{"EEG", 0, 2}},
       {{0, 3, 0}},
       {{1'250'000, 500'000, "Spindle"}},
       {kSecond, 500'000}},
      {"Rates512And256And1HzInOneSecondRecords",
       MixedRateFile("", "1", {{"Fast", 512}, {"Mid", 256}, {"Slow", 1}}, Onsets(0, 3, 10)),
       kSecond,
       {{"Fast", 0, 512}, {"Mid", 1, 256}, {"Slow", 2, 1}},
       {{0, 3, 0}},
       {},
       {kSecond, 600'000}},
      {"Rates512And256And2HzInHalfSecondRecords",
       MixedRateFile("EDF+D", "0.5", {{"Fast", 256}, {"Mid", 128}, {"Slow", 1}},
                     {"+0", "+0.5", "+1", "+4.25", "+4.75", "+5.25", "+5.75"}),
       kSecond / 2,
       {{"Fast", 0, 256}, {"Mid", 1, 128}, {"Slow", 2, 1}},
       {{0, 3, 0}, {3, 4, 4'250'000}},
       {},
       {kSecond, 500'000}},
      {"Rates250And10HzInTenthSecondRecords",
       [] {
         std::vector<std::string> onsets = Onsets(0, 23, 1);
         for (const std::string& onset : Onsets(50, 7, 1)) onsets.push_back(onset);
         return MixedRateFile("EDF+D", "0.1", {{"Fast", 25}, {"Slow", 1}}, onsets);
       }(),
       kSecond / 10,
       {{"Fast", 0, 25}, {"Slow", 1, 1}},
       // 2.3 s: the fraction under half a second must not cost GetData the segment's tail.
       {{0, 23, 0}, {23, 7, 5 * kSecond}},
       {},
       {kSecond, 250'000}},
      {"TwoAnnotationSignalsEveryKindOfTal",
       EveryKindOfTal(),
       kSecond,
       {{"EEG Pz", 1, 2}},
       {{0, 3, 0}},
       {{-2'500'000, 0, "Before start"},
        {500'000, 1'500'000, "Two"},
        {500'000, 1'500'000, "Texts"},
        {750'000, 0, "Line one\nLine two\tTabbed"},
        {750'000, 0, ""},
        {1'250'000, 500'000, ""},
        {1'250'000, 500'000, "After empty"},
        {1'500'000, 0, "A text longer than thirty-two bytes"},
        {2'500'000, 0, "Two"},
        {2'750'000, 250'000, "Caf\xC3\xA9 \xE2\x82\xAC"}},
       {kSecond, 500'000}},
  };
}

}  // namespace end_to_end
