// GDF files the writer makes, in the component's model: channels of every data type, rates,
// segments between breaks, events of each mode with their texts, times and durations.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "formats/format_registry.h"
#include "formats/gdf/gdf_format.h"
#include "gdf_test_files.h"
#include "model/sample_grid.h"
#include "model/time_range.h"

namespace {

using gdf_test::AsSamples;
using gdf_test::ChannelSamples;
using gdf_test::OpenWritten;
using gdf_writer::File;

TEST(GdfModelTest, RecognisesGdfByContentOnly) {
  EXPECT_TRUE(gdf::Recognises("GDF 2.51 and the rest"));
  EXPECT_TRUE(gdf::Recognises("GDF 1.25"));
  EXPECT_TRUE(gdf::Recognises("GDF 3.00"));  // refused by Open, with the reason
  EXPECT_FALSE(gdf::Recognises("GDF"));
  EXPECT_FALSE(gdf::Recognises("GDFX.00 "));
  EXPECT_FALSE(gdf::Recognises("0       "));       // EDF
  EXPECT_FALSE(gdf::Recognises("GDF r 2 360\n"));  // a WFDB record named GDF
  edf_test::TemporaryDirectory folder;
  EXPECT_TRUE(OpenWritten(folder, File{}, "no_extension").Ok());
}

// Each data type whose values fit in 16 bits is served with the values written.
TEST(GdfModelTest, ServesEveryDataTypeWhoseValuesFit) {
  struct Case {
    std::uint32_t type;
    std::vector<double> values;
  };
  for (const Case& c : std::vector<Case>{{1, {-128, 0, 127, -5}},
                                         {2, {0, 255, 17, 200}},
                                         {3, gdf_writer::DistinctValues(0, 4)},
                                         {4, {0, 1, 32767, 9}},
                                         {5, {-32768, 32767, -3, 4}},
                                         {6, {0, 32767, 5, 6}},
                                         {7, {-32768, 1, 2, 3}},
                                         {8, {0, 1, 2, 32767}},
                                         {16, {-32768.0, 1.0, -2.0, 32767.0}},
                                         {17, {-1.0, 0.0, 12345.0, -32768.0}},
                                         {279, {-32768, 32767, -1, 1}},
                                         {535, {0, 32767, 2, 3}}}) {
    SCOPED_TRACE(c.type);
    edf_test::TemporaryDirectory folder;
    File file;
    file.records = 1;
    file.channels = {{"X", c.type, 4, "uV", 4275, -1, 1, -1, 1, c.values},
                     {"Next", 3, 2, "", 0, 0, 1, 0, 1, {7, -7}}};
    auto opened = OpenWritten(folder, file);
    ASSERT_TRUE(opened.Ok()) << opened.Reason();
    EXPECT_TRUE(opened.Value().warnings.empty());
    ASSERT_EQ(opened.Value().LayoutOf(0).channels.size(), 2u);
    EXPECT_EQ(ChannelSamples(opened.Value(), 0, 0), AsSamples(c.values));
    EXPECT_EQ(ChannelSamples(opened.Value(), 0, 1),
              AsSamples({7, -7}));  // found after the wide values
  }
}

// The others are left out, with the channel, its type and its range said.
TEST(GdfModelTest, LeavesOutChannelsWhoseValuesDoNotFitAndSaysWhy) {
  struct Case {
    std::uint32_t type;
    std::vector<double> values;
    std::string warning;
  };
  for (const Case& c : std::vector<Case>{{4,
                                          {0, 40000},
                                          "channel 1 (\"W\", uint16) is left out: its stored "
                                          "values run from 0 to 40000, beyond 16 bits"},
                                         {5,
                                          {-70000, 3},
                                          "channel 1 (\"W\", int32) is left out: its stored values "
                                          "run from -70000 to 3, beyond 16 bits"},
                                         {279,
                                          {-8388608, 0},
                                          "channel 1 (\"W\", int24) is left out: its stored values "
                                          "run from -8388608 to 0, beyond 16 bits"},
                                         {16,
                                          {1.5, 2},
                                          "channel 1 (\"W\", float32) is left out: it stores "
                                          "values that are not whole numbers (1.5), "
                                          "which 16-bit samples cannot hold"},
                                         {18,
                                          {0, 0},
                                          "channel 1 (\"W\", float128) is left out: this reader "
                                          "does not read float128 values"}}) {
    SCOPED_TRACE(c.type);
    edf_test::TemporaryDirectory folder;
    File file;
    file.records = 1;
    file.channels = {{"W", c.type, 2, "", 0, 0, 1, 0, 1, c.values},
                     {"Kept", 3, 2, "", 0, 0, 1, 0, 1, {1, 2}}};
    auto opened = OpenWritten(folder, file);
    ASSERT_TRUE(opened.Ok()) << opened.Reason();
    EXPECT_EQ(opened.Value().warnings, std::vector<std::string>{c.warning});
    ASSERT_EQ(opened.Value().LayoutOf(0).channels.size(), 1u);
    EXPECT_EQ(opened.Value().LayoutOf(0).channels[0].details.signalIndex, 1);
    EXPECT_EQ(ChannelSamples(opened.Value(), 0, 0), AsSamples({1, 2}));
  }
}

TEST(GdfModelTest, GivesEachChannelItsRateAndDetails) {
  edf_test::TemporaryDirectory folder;
  File file;
  file.version = "2.10";
  file.durationNumerator = 1;
  file.durationDenominator = 2;  // half-second records
  file.channels = {{"EEG Fz", 3, 128, "", 4275, -100, 100, -2048, 2047, {}},
                   {"Temp", 3, 1, "degC", 6048, 30, 40, 0, 1000, {}},
                   {"Old", 3, 2, "mmHg", 0, 0, 1, 0, 1, {}}};
  auto opened = OpenWritten(folder, file);
  ASSERT_TRUE(opened.Ok()) << opened.Reason();
  const model::Layout& layout = opened.Value().LayoutOf(0);
  EXPECT_EQ(layout.frameTicks.numerator, model::kTicksPerSecond / 2);
  EXPECT_EQ(layout.frameTicks.denominator, 1);
  EXPECT_EQ(model::SamplingRate(layout, 0), 256.0);
  EXPECT_EQ(model::SamplingRate(layout, 1), 2.0);
  EXPECT_EQ(layout.channels[0].name, u"EEG Fz");
  EXPECT_EQ(layout.channels[0].details.physicalDimension, "\xb5V");  // the code's unit, Latin-1
  EXPECT_EQ(layout.channels[1].details.physicalDimension,
            "\xb0"
            "C");
  EXPECT_EQ(layout.channels[2].details.physicalDimension, "mmHg");  // no code: the text
  EXPECT_EQ(layout.channels[0].details.digitalMinimum, -2048);
  EXPECT_EQ(layout.channels[0].details.digitalMaximum, 2047);
  EXPECT_EQ(layout.channels[1].details.physicalMinimum, 30);
  // Calibration for the exports beside the channel tables: units as UTF-8.
  const model::Calibration& eeg = layout.channels[0].details.calibration;
  EXPECT_TRUE(eeg.known);
  EXPECT_DOUBLE_EQ(eeg.gain, 200.0 / 4095);
  EXPECT_DOUBLE_EQ(eeg.offset, -100 - 200.0 / 4095 * -2048);
  EXPECT_EQ(eeg.unit, "\u00b5V");
  EXPECT_EQ(layout.channels[1].details.calibration.unit,
            "\u00b0"
            "C");
  EXPECT_DOUBLE_EQ(layout.channels[1].details.calibration.gain, 0.01);
  EXPECT_EQ(layout.channels[2].details.calibration.unit, "mmHg");
  EXPECT_EQ(opened.Value().segments[0].durationTicks, 3 * model::kTicksPerSecond / 2);
}

struct ExpectedEvent {
  double seconds;  // after time zero
  double duration;
  std::u16string text1;
  std::u16string text2;
};

void ExpectEvents(const model::Recording& recording, const std::vector<ExpectedEvent>& expected) {
  ASSERT_EQ(recording.events.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(i);
    const model::Event& event = recording.events[i];
    const model::EventKind& kind = recording.eventKinds[event.kind];
    EXPECT_EQ(event.timeTicks - recording.originTicks,
              std::llround(expected[i].seconds * model::kTicksPerSecond));
    EXPECT_EQ(event.durationTicks, std::llround(expected[i].duration * model::kTicksPerSecond));
    EXPECT_EQ(kind.text1, expected[i].text1);
    EXPECT_EQ(kind.text2, expected[i].text2);
    EXPECT_EQ(event.label, kind.text1);
  }
}

TEST(GdfModelTest, ReadsEventsOfEachModeWithTheirTexts) {
  for (const int mode : {1, 3, 5, 7}) {
    SCOPED_TRACE(mode);
    edf_test::TemporaryDirectory folder;
    File file;
    file.eventMode = mode;
    file.eventRate = 8;
    file.eventDescriptions = {"", "Lights off", "", "Cue \xe2\x86\x92"};
    file.events = {{9, 0x0003, 0, 4}, {1, 0x0001, 0, 8}, {2, 0x0002},
                   {3, 0x0301},       {4, 0x8301},       {5, 0x0001}};
    auto opened = OpenWritten(folder, file);
    ASSERT_TRUE(opened.Ok()) << opened.Reason();
    const double d = (mode & 2) != 0 ? 1 : 0;  // durations only from modes 3 and 7
    ExpectEvents(opened.Value(), {{0.0, d, u"Lights off", u"0x0001"},
                                  {0.125, 0, u"0x0002", u"0x0002"},  // no text of its own: the code
                                  {0.25, 0, u"class1, Left hand", u"0x0301"},  // the standard text
                                  {0.375, 0, u"0x8301", u"0x8301"},
                                  {0.5, 0, u"Lights off", u"0x0001"},
                                  {1.0, d * 0.5, u"Cue \u2192", u"0x0003"}});
    EXPECT_EQ(opened.Value().eventKinds.size(), 5u);  // one per code
    EXPECT_EQ(opened.Value().eventKinds[0].key, "gdf 0x0003");
  }
}

TEST(GdfModelTest, ReadsVersion1EventTablesAndDates) {
  edf_test::TemporaryDirectory folder;
  File file;
  file.version = "1.25";  // a 3-byte rate, then a 4-byte count
  file.startText = "2024051409300050";
  file.eventRate = 4;
  file.events = {{3, 0x0300}};
  auto opened = OpenWritten(folder, file);
  ASSERT_TRUE(opened.Ok()) << opened.Reason();
  EXPECT_EQ(opened.Value().originTicks, *model::TicksOfDate(2024, 5, 14, 9, 30, 0, 500000));
  EXPECT_EQ(opened.Value().segments[0].startTicks, opened.Value().originTicks);
  ExpectEvents(opened.Value(), {{0.5, 0, u"Start of Trial, Trigger at t=0s", u"0x0300"}});
}

// A break starts a segment at the record that holds it; with the times of modes 5 and 7 it starts
// at the break's time, and a break whose time continues the records makes none.
TEST(GdfModelTest, StartsSegmentsAtBreaks) {
  const std::uint64_t start = gdf_writer::StartTime(2024, 5, 14, 9, 30, 0);
  const std::uint64_t tenSeconds = (std::uint64_t{10} << 32) / 86400 + 1;
  const std::uint64_t oneSecond = (std::uint64_t{1} << 32) / 86400 + 1;
  struct Case {
    const char* name;
    int mode;
    std::vector<gdf_writer::Event> events;
    std::vector<std::pair<double, std::int64_t>> segments;  // start after time zero, records
  };
  for (const Case& c :
       std::vector<Case>{{"no times", 1, {{5, 0x7FFE}, {13, 0x7FFE}}, {{0, 1}, {1, 2}, {3, 1}}},
                         {"a gap",
                          5,
                          {{1, 0x7FFE, 0, 0, start}, {5, 0x7FFE, 0, 0, start + tenSeconds}},
                          {{0, 1}, {10, 3}}},
                         {"no gap", 7, {{5, 0x7FFE, 0, 0, start + oneSecond}}, {{0, 4}}},
                         {"inside a record", 1, {{7, 0x7FFE}}, {{0, 1}, {1, 3}}}}) {
    SCOPED_TRACE(c.name);
    edf_test::TemporaryDirectory folder;
    File file;
    file.startTime = start;
    file.records = 4;
    file.channels[0].values = gdf_writer::DistinctValues(0, 16);
    file.eventMode = c.mode;
    file.events = c.events;
    auto opened = OpenWritten(folder, file);
    ASSERT_TRUE(opened.Ok()) << opened.Reason();
    model::Recording& recording = opened.Value();
    ASSERT_EQ(recording.segments.size(), c.segments.size());
    std::size_t first = 0;
    for (std::size_t s = 0; s < c.segments.size(); ++s) {
      EXPECT_EQ(recording.segments[s].startTicks - recording.originTicks,
                std::llround(c.segments[s].first * model::kTicksPerSecond));
      EXPECT_EQ(recording.segments[s].frameCount, c.segments[s].second);
      const auto expected = AsSamples(std::vector<double>(
          file.channels[0].values.begin() + first * 4,
          file.channels[0].values.begin() + (first + c.segments[s].second) * 4));
      EXPECT_EQ(ChannelSamples(recording, s, 0), expected);
      first += c.segments[s].second;
    }
    // Events after a gap lie as far into their segment as their records.
    if (c.mode != 1 && c.segments.size() == 2) {
      EXPECT_EQ(recording.events[1].timeTicks, recording.segments[1].startTicks);
    }
  }
}

TEST(GdfModelTest, ForgivesWhatEdfForgives) {
  struct Case {
    const char* name;
    std::int64_t declared;
    std::string extra;
    std::int64_t frames;
    std::string warning;
  };
  for (const Case& c : std::vector<Case>{{"more records declared", 9, "", 3,
                                          "the header gives 9 data records but the file holds 3 "
                                          "complete ones; those are read, without an event table"},
                                         {"unknown count, partial record", -1, "xyz", 3,
                                          "3 bytes after the last data record are not read (the "
                                          "number of records is unknown)"}}) {
    SCOPED_TRACE(c.name);
    edf_test::TemporaryDirectory folder;
    File file;
    file.declaredRecords = c.declared;
    file.eventMode = 0;
    std::string bytes = gdf_writer::Bytes(file) + c.extra;
    auto opened = formats::OpenRecordingFile(folder.Write("r.gdf", bytes));
    ASSERT_TRUE(opened.Ok()) << opened.Reason();
    EXPECT_EQ(opened.Value().segments[0].frameCount, c.frames);
    EXPECT_EQ(opened.Value().warnings, std::vector<std::string>{c.warning});
  }
}

}  // namespace
