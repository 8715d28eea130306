#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>

#include "json_report.h"
#include "recording_report.h"
#include "window_csv.h"

namespace {

using namespace tapline_info;

// What the printer writes, byte for byte.
std::string Printed(const std::function<void(std::FILE*)>& print) {
  char* buffer = nullptr;
  std::size_t size = 0;
  std::FILE* out = open_memstream(&buffer, &size);
  EXPECT_NE(out, nullptr);
  if (out == nullptr) return {};
  print(out);
  std::fclose(out);
  std::string text(buffer, size);
  std::free(buffer);
  return text;
}

constexpr double kMay14At0930 = 45426.0 + 34200.0 / 86400.0;

TEST(SummarizeTest, GivesCountMinimumMaximumAndMean) {
  const std::vector<std::int16_t> samples = {3, -7, 12, 1};
  const SampleSummary summary = Summarize(samples);
  EXPECT_EQ(summary.count, 4);
  EXPECT_EQ(summary.minimum, -7);
  EXPECT_EQ(summary.maximum, 12);
  EXPECT_DOUBLE_EQ(summary.Mean(), 2.25);
}

TEST(SummarizeTest, KeepsExtremeValuesExact) {
  const std::vector<std::int16_t> samples = {-32768, 32767, 32767};
  const SampleSummary summary = Summarize(samples);
  EXPECT_EQ(summary.minimum, -32768);
  EXPECT_EQ(summary.maximum, 32767);
  EXPECT_DOUBLE_EQ(summary.Mean(), 32766.0 / 3.0);
}

// Summaries gathered piece by piece equal the one over all samples: windows may split a
// channel anywhere.
TEST(SummarizeTest, AddingInPiecesGivesTheWholeSummary) {
  const std::vector<std::int16_t> samples = {5, -3, 900, 7, -32768, 32767, 0, 12};
  for (std::size_t cut = 0; cut <= samples.size(); ++cut) {
    SampleSummary pieces;
    pieces.Add(std::span(samples).first(cut));
    pieces.Add({});
    pieces.Add(std::span(samples).subspan(cut));
    const SampleSummary whole = Summarize(samples);
    EXPECT_EQ(pieces.count, whole.count) << cut;
    EXPECT_EQ(pieces.minimum, whole.minimum) << cut;
    EXPECT_EQ(pieces.maximum, whole.maximum) << cut;
    EXPECT_EQ(pieces.sum, whole.sum) << cut;
  }
}

// The segment's samples split by the channels' counts, and the rows printed under the heads.
struct SummaryCase {
  const char* name;
  SegmentChannels channels;
  std::vector<std::int16_t> samples;
  std::string rows;
};

class PrintSampleSummariesTest : public ::testing::TestWithParam<SummaryCase> {};

TEST_P(PrintSampleSummariesTest, PrintsOneRowPerChannel) {
  const SummaryCase& c = GetParam();
  EXPECT_EQ(Printed([&](std::FILE* out) {
              PrintSampleSummaries(out, c.channels, SummarizeByChannel(c.channels, c.samples),
                                   ValueScale::Digital);
            }),
            "Samples of segment 0:\n"
            "   #  channel                 count      min      max       mean\n" +
                c.rows);
}

INSTANTIATE_TEST_SUITE_P(
    Channels, PrintSampleSummariesTest,
    ::testing::Values(
        SummaryCase{"SplitsSamplesByChannelCounts",
                    {{"A", "Empty", "C"}, {256, 1, 128}, {3, 0, 2}, {}, {}},
                    {1, 2, 3, 40, 50},
                    "   0  A                           3        1        3      2.000\n"
                    "   1  Empty                       0        -        -          -\n"
                    "   2  C                           2       40       50     45.000\n"},
        // Counts that claim more samples than were read never read past them.
        SummaryCase{"StopsAtTheSamplesRead",
                    {{"A", "B"}, {1, 1}, {2, 5}, {}, {}},
                    {4, 6, 9},
                    "   0  A                           2        4        6      5.000\n"
                    "   1  B                           1        9        9      9.000\n"}),
    [](const auto& info) { return std::string(info.param.name); });

// Physical rows: stored x gain + offset (a negative gain swapping the extremes), missing
// samples counted apart and left out, a channel without calibration in stored integers.
TEST(PrintSampleSummariesTest, PrintsPhysicalValuesWithTheirUnits) {
  SegmentChannels channels;
  channels.names = {"Cz", "Inv", "Raw"};
  channels.values = {4, 4, 4};
  channels.sampleCounts = {4, 2, 2};
  channels.calibrations = {ChannelCalibration{0.5, 10.0, "uV"}, ChannelCalibration{-2.0, 0.0, "mV"},
                           std::nullopt};
  channels.missingValues = {-32768, std::nullopt, -32768};
  const std::vector<std::int16_t> samples = {-32768, 2, 4, 9, 1, 3, -32768, 7};
  EXPECT_EQ(Printed([&](std::FILE* out) {
              PrintSampleSummaries(out, channels,
                                   SummarizeByChannel(channels, samples, ValueScale::Physical),
                                   ValueScale::Physical);
            }),
            "Samples of segment 0:\n"
            "   #  channel                 count  missing          min          max         mean  unit\n"
            "   0  Cz                          3        1           11         14.5         12.5  uV\n"
            "   1  Inv                         2        0           -6           -2           -4  mV\n"
            "   2  Raw                         1        1            7            7            7  (digital)\n");
}

// The same samples as stored integers: every one counted, the missing value's too.
TEST(PrintSampleSummariesTest, DigitalRowsCountEveryStoredValue) {
  SegmentChannels channels;
  channels.names = {"Cz"};
  channels.values = {4};
  channels.sampleCounts = {4};
  channels.calibrations = {ChannelCalibration{0.5, 10.0, "uV"}};
  channels.missingValues = {-32768};
  const std::vector<std::int16_t> samples = {-32768, 2, 4, 9};
  EXPECT_EQ(Printed([&](std::FILE* out) {
              PrintSampleSummaries(out, channels,
                                   SummarizeByChannel(channels, samples, ValueScale::Digital),
                                   ValueScale::Digital);
            }),
            "Samples of segment 0:\n"
            "   #  channel                 count      min      max       mean\n"
            "   0  Cz                          4   -32768        9  -8188.250\n");
}

TEST(PrintSegmentsTest, PrintsStartAndDurationOfEach) {
  SegmentTimes times;
  times.starts = {kMay14At0930, kMay14At0930 + 90.5 / 86400.0};
  times.durations = {60.0, 45.25};
  EXPECT_EQ(Printed([&](std::FILE* out) { PrintSegments(out, times); }),
            "Segments: 2\n"
            "   0  start 2024-05-14T09:30:00.000  duration 60.000 s\n"
            "   1  start 2024-05-14T09:31:30.500  duration 45.250 s\n");
}

TEST(PrintChannelsTest, PrintsCountsOfEverySegmentAndMarksRefusedOnes) {
  SegmentChannels first;
  first.names = {"EEG Fp1", "SpO2"};
  first.values = {256, 1};
  first.sampleCounts = {15360, 60};
  SegmentChannels third = first;
  third.sampleCounts = {19200, 75};
  EXPECT_EQ(Printed([&](std::FILE* out) { PrintChannels(out, {first, std::nullopt, third}); }),
            "Channels: 2 (samples per segment)\n"
            "   0  EEG Fp1                 256 Hz      15360         -     19200\n"
            "   1  SpO2                      1 Hz         60         -        75\n");
}

// A WFDB record's variable layout: segment 1 holds other channels, which must not be counted
// under segment 0's names; in JSON too.
TEST(PrintChannelsTest, ListsASegmentWithOtherChannelsApart) {
  const SegmentChannels first{{"X"}, {125}, {40}, {}, {}};
  const SegmentChannels other{{"Y", "X"}, {125, 250}, {50, 100}, {}, {}};
  const SegmentChannels third{{"X"}, {125}, {10}, {}, {}};
  EXPECT_EQ(Printed([&](std::FILE* out) { PrintChannels(out, {first, other, third}); }),
            "Channels: 1 (samples per segment)\n"
            "   0  X                       125 Hz         40         -        10\n"
            "Channels of segment 1: 2\n"
            "   0  Y                       125 Hz         50\n"
            "   1  X                       250 Hz        100\n");
  RecordingReport report;
  report.channels = {first, other, third};
  const std::string json = Printed([&](std::FILE* out) { WriteJsonReport(out, report); });
  EXPECT_NE(json.find("\"samples\": [40, null, 10]"), std::string::npos) << json;
  EXPECT_NE(json.find("\"other_channels\": [\n    {\"segment\": 1, \"channels\": [{\"name\": \"Y\", "
                      "\"rate_hz\": 125, \"gain\": null, \"offset\": null, \"unit\": null, "
                      "\"samples\": 50}, {\"name\": \"X\", \"rate_hz\": 250, \"gain\": null, "
                      "\"offset\": null, \"unit\": null, \"samples\": 100}]}\n  ]"),
            std::string::npos)
      << json;
}

// A WFDB segment of other gains: the same names and rates, other physical values, so its
// counts are not listed under the first segment's calibration.
TEST(PrintChannelsTest, ListsASegmentWithOtherCalibrationApart) {
  SegmentChannels first{{"ECG"}, {250}, {500}, {ChannelCalibration{0.005, 0.0, "mV"}}, {-32768}};
  SegmentChannels other = first;
  other.calibrations = {ChannelCalibration{0.0025, 0.0, "mV"}};
  EXPECT_EQ(Printed([&](std::FILE* out) { PrintChannels(out, {first, other}); }),
            "Channels: 1 (samples per segment)\n"
            "   0  ECG                     250 Hz        500         -\n"
            "Channels of segment 1: 1\n"
            "   0  ECG                     250 Hz        500\n");
}

TEST(PrintChannelsTest, SaysWhenTheFirstSegmentIsRefused) {
  EXPECT_EQ(Printed([&](std::FILE* out) { PrintChannels(out, {std::nullopt}); }),
            "Channels: not readable\n");
}

TEST(PrintEventsTest, PrintsTimeDurationTypeAndLabel) {
  EventEntry event;
  event.typeIndex = 3;
  event.typeText1 = "Eyes closed";
  event.typeText2 = "EDF Annotations";
  event.label = "Eyes closed";
  event.duration = 10.0;
  event.time = kMay14At0930 + 5.5 / 86400.0;
  EventEntry unreadable;  // typeIndex stays -1 when GetEvents wrote nothing
  EXPECT_EQ(Printed([&](std::FILE* out) { PrintEvents(out, {event, unreadable}); }),
            "Events: 2\n"
            "    0  2024-05-14T09:30:05.500    10.000 s  type 3 \"Eyes closed\" (EDF Annotations)"
            "  label \"Eyes closed\"\n"
            "    1  not readable\n");
}

TEST(WriteWindowCsvTest, WritesOneRowPerSampleWithRecordingSeconds) {
  WindowSamples window;
  window.segmentStartSeconds = 90.0;
  window.channels.names = {"EEG", "Odd, \"name\""};
  window.rates = {{4, 1}, {1, 1}};
  window.ranges = {{6, 3}, {2, 1}};
  window.samples = {11, 12, 13, -21};
  EXPECT_EQ(Printed([&](std::FILE* out) { WriteWindowCsv(out, window, ValueScale::Digital); }),
            "channel,time_s,value\n"
            "EEG,91.500000,11\n"
            "EEG,91.750000,12\n"
            "EEG,92.000000,13\n"
            "\"Odd, \"\"name\"\"\",92.000000,-21\n");
}

// Times come from the exact fraction: sample 2342 at 256 Hz is 9.1484375 s, never the time
// of a neighbour, and a rate of one sample per 30 s keeps its samples 30 s apart.
TEST(WriteWindowCsvTest, GivesEachValueItsSampleTime) {
  WindowSamples window;
  window.channels.names = {"EEG", "Slow"};
  window.rates = {{256, 1}, {1, 30}};
  window.ranges = {{2342, 2}, {3, 1}};
  window.samples = {1, 2, 3};
  EXPECT_EQ(Printed([&](std::FILE* out) { WriteWindowCsv(out, window, ValueScale::Digital); }),
            "channel,time_s,value\n"
            "EEG,9.148438,1\n"
            "EEG,9.152344,2\n"
            "Slow,90.000000,3\n");
}

// Physical CSV: a value per sample with its unit, empty for a missing sample; a channel
// without calibration keeps its integer and an empty unit.
TEST(WriteWindowCsvTest, WritesPhysicalValuesWithTheirUnit) {
  WindowSamples window;
  window.channels.names = {"ECG", "Raw"};
  window.channels.calibrations = {ChannelCalibration{0.005, -0.025, "mV"}, std::nullopt};
  window.channels.missingValues = {-32768, -32768};
  window.rates = {{2, 1}, {1, 1}};
  window.ranges = {{0, 3}, {0, 2}};
  window.samples = {205, -32768, -195, 7, -32768};
  EXPECT_EQ(Printed([&](std::FILE* out) { WriteWindowCsv(out, window, ValueScale::Physical); }),
            "channel,time_s,value,unit\n"
            "ECG,0.000000,1,mV\n"
            "ECG,0.500000,,mV\n"
            "ECG,1.000000,-1,mV\n"
            "Raw,0.000000,7,\n"
            "Raw,1.000000,,\n");
}

TEST(PrintEventsTest, EscapesControlCharactersOfTexts) {
  EventEntry event;
  event.typeIndex = 0;
  event.typeText1 = "\x1b[2J";
  event.typeText2 = "EDF\xc2\x9b" "31m";
  event.label = "bell\a";
  event.time = kMay14At0930;
  EXPECT_EQ(Printed([&](std::FILE* out) { PrintEvents(out, {event}); }),
            "Events: 1\n"
            "    0  2024-05-14T09:30:00.000     0.000 s  type 0 \"\\x1b[2J\" (EDF\\u009b31m)"
            "  label \"bell\\x07\"\n");
}

}  // namespace
