// The EDF/EDF+ parser through its C++ API, on files written byte by byte.
#include "formats/edf/recording.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <optional>
#include <thread>

#include "common/calendar.h"
#include "edf_test_files.h"
#include "formats/edf/edf_format.h"
#include "formats/edf/numeric_fields.h"
#include "model/day_number_precision.h"
#include "model/window_rule.h"

namespace {

using edf::kTicksPerSecond;
using edf::Recording;
using edf_test::RecordSamples;
using edf_test::SampleValue;
using edf_writer::EdfWriter;
using edf_writer::Tal;
using edf_writer::TimeKeepingTal;

constexpr std::int64_t kSecond = kTicksPerSecond;

class RecordingTest : public ::testing::Test {
 protected:
  // The parsed file, and its model for reading windows.
  std::unique_ptr<Recording> Open(const std::string& bytes) {
    const std::string path = directory.Write("file.edf", bytes);
    auto opened = Recording::Open(path);
    EXPECT_TRUE(opened.Ok()) << opened.Reason();
    auto served = edf::Open(path);
    EXPECT_TRUE(served.Ok()) << served.Reason();
    if (served.Ok()) model = std::move(served.Value());
    return opened.Ok() ? std::move(opened.Value()) : nullptr;
  }
  std::string Refusal(const std::string& bytes) {
    auto opened = Recording::Open(directory.Write("file.edf", bytes));
    EXPECT_FALSE(opened.Ok());
    return opened.Reason();
  }
  // Every channel's samples of the window of the model of the file Open last opened: `start`
  // in ticks from the header's start second, in the last segment that starts at or before it.
  std::vector<std::vector<std::int16_t>> Read(std::int64_t start, std::int64_t duration) {
    const auto window = WindowAt(start, duration);
    EXPECT_TRUE(window.has_value());
    if (!window) return {};
    const auto samples = edf_test::ReadWindow(*model, *window);
    EXPECT_TRUE(samples.has_value());
    return samples.value_or(std::vector<std::vector<std::int16_t>>{});
  }
  std::optional<model::Window> WindowAt(std::int64_t start, std::int64_t duration) {
    const std::int64_t ticks = model->originTicks + start;
    std::size_t segment = 0;
    while (segment + 1 < model->segments.size() &&
           model->segments[segment + 1].startTicks <= ticks) {
      ++segment;
    }
    return model::WindowIn(*model, segment, ticks - model->segments[segment].startTicks, duration);
  }
  // Whether a host's time (ticks from the header's start second) lies in a segment.
  bool InSegment(std::int64_t start) const {
    return model::LocateTime(*model, model::DayNumberOfTicks(model->originTicks + start))
        .has_value();
  }

  // Every sample the writer put in the signal, over the given records.
  static std::vector<std::int16_t> Written(std::size_t signal, std::int64_t firstRecord,
                                           std::int64_t records, int perRecord) {
    std::vector<std::int16_t> samples;
    for (std::int64_t r = firstRecord; r < firstRecord + records; ++r) {
      const auto part = RecordSamples(signal, r, perRecord);
      samples.insert(samples.end(), part.begin(), part.end());
    }
    return samples;
  }

  edf_test::TemporaryDirectory directory;
  std::optional<model::Recording> model;
};

TEST_F(RecordingTest, PlainEdfIsOneSegmentWithEverySample) {
  auto recording = Open(edf_test::PlainEdf().FileBytes());
  ASSERT_TRUE(recording);
  EXPECT_EQ(recording->StartSecond(),
            common::DayNumberOf({2003, 2, 1}) * 86400 + 4 * 3600 + 5 * 60 + 6);
  ASSERT_EQ(recording->Segments().size(), 1u);
  EXPECT_EQ(recording->Segments()[0].startTicks, 0);
  EXPECT_EQ(recording->Segments()[0].durationTicks, 3 * kSecond);
  ASSERT_EQ(recording->ChannelSignals().size(), 2u);
  EXPECT_EQ(recording->ChannelHeader(1).label, "EEG Cz");
  EXPECT_DOUBLE_EQ(recording->SamplingRate(0), 4.0);
  EXPECT_TRUE(recording->Events().empty());
  const auto samples = Read(0, 3 * kSecond);
  EXPECT_EQ(samples[0], Written(0, 0, 3, 4));
  EXPECT_EQ(samples[1], Written(1, 0, 3, 2));
}

TEST_F(RecordingTest, EdfPlusContinuousKeepsTheSubSecondStartAndItsEvents) {
  auto recording = Open(edf_test::EdfPlusContinuousSubSecond().FileBytes());
  ASSERT_TRUE(recording);
  EXPECT_EQ(recording->StartSecond(), common::DayNumberOf({2003, 2, 1}) * 86400 + 14706);
  ASSERT_EQ(recording->Segments().size(), 1u);
  EXPECT_EQ(recording->Segments()[0].startTicks, kSecond / 2);
  EXPECT_EQ(recording->Segments()[0].durationTicks, 4 * kSecond);
  ASSERT_EQ(recording->ChannelSignals().size(), 1u);
  ASSERT_EQ(recording->Events().size(), 2u);
  EXPECT_EQ(recording->Events()[0].text, "Lights off");
  EXPECT_EQ(recording->Events()[0].onsetTicks, kSecond * 5 / 4);
  EXPECT_EQ(recording->Events()[0].durationTicks, 2 * kSecond);
  EXPECT_EQ(recording->Events()[0].signal, 1u);
  EXPECT_EQ(recording->Events()[1].text, "Arousal");
  EXPECT_EQ(recording->Events()[1].onsetTicks, 3 * kSecond);
  EXPECT_EQ(recording->Events()[1].durationTicks, 0);
  EXPECT_EQ(Read(kSecond / 2, 4 * kSecond)[0], Written(0, 0, 4, 5));
  // Before the first record's start nothing is recorded.
  EXPECT_FALSE(InSegment(kSecond / 4));
}

TEST_F(RecordingTest, EdfPlusDiscontinuousSplitsAtEveryGap) {
  auto recording = Open(edf_test::EdfPlusDiscontinuousThreeSegments().FileBytes());
  ASSERT_TRUE(recording);
  const auto& segments = recording->Segments();
  ASSERT_EQ(segments.size(), 3u);
  const std::int64_t starts[] = {0, 10 * kSecond, 20 * kSecond + kSecond / 2};
  const std::int64_t records[] = {2, 1, 3};
  std::int64_t firstRecord = 0;
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(segments[i].startTicks, starts[i]);
    EXPECT_EQ(segments[i].recordCount, records[i]);
    EXPECT_EQ(segments[i].firstRecord, firstRecord);
    EXPECT_EQ(segments[i].durationTicks, records[i] * kSecond);
    EXPECT_EQ(Read(starts[i], records[i] * kSecond)[0], Written(0, firstRecord, records[i], 2));
    firstRecord += records[i];
  }
  ASSERT_EQ(recording->Events().size(), 1u);
  EXPECT_EQ(recording->Events()[0].text, "In gap");
  EXPECT_EQ(recording->Events()[0].onsetTicks, 15 * kSecond);
  EXPECT_FALSE(InSegment(15 * kSecond));
  EXPECT_TRUE(InSegment(20 * kSecond + kSecond / 2));
}

TEST_F(RecordingTest, EdfPlusContinuousWithoutAnnotationSignalReadsAsPlainEdf) {
  EdfWriter writer = edf_test::PlainEdf();
  writer.header.reserved = "EDF+C";
  auto recording = Open(writer.FileBytes());
  ASSERT_TRUE(recording);
  ASSERT_EQ(recording->Segments().size(), 1u);
  EXPECT_EQ(recording->Segments()[0].durationTicks, 3 * kSecond);
  EXPECT_EQ(Read(0, 3 * kSecond)[0], Written(0, 0, 3, 4));
}

TEST_F(RecordingTest, ContiguousEdfPlusDiscontinuousIsOneSegment) {
  EdfWriter writer;
  writer.header.reserved = "EDF+D";
  writer.AddSignal("EEG", 1);
  writer.AddAnnotationSignal(16);
  // A writer's rounding must not split the segment.
  const char* onsets[] = {"+8191.202312", "+8192.202311999999", "+8193.2023120000001"};
  for (int r = 0; r < 3; ++r) writer.AddRecord({RecordSamples(0, r, 1), TimeKeepingTal(onsets[r])});
  auto recording = Open(writer.FileBytes());
  ASSERT_TRUE(recording);
  ASSERT_EQ(recording->Segments().size(), 1u);
  EXPECT_EQ(recording->Segments()[0].startTicks, 81912023120);
  EXPECT_EQ(recording->Segments()[0].recordCount, 3);
}

struct MixedRateCase {
  const char* name;
  const char* recordDuration;
  std::int64_t durationTicks;
  std::vector<int> samplesPerRecord;
  int records;
};

void PrintTo(const MixedRateCase& c, std::ostream* out) { *out << c.name; }

class MixedRateTest : public RecordingTest, public ::testing::WithParamInterface<MixedRateCase> {};

TEST_P(MixedRateTest, WholeSegmentHoldsEverySampleAndWindowsTile) {
  const MixedRateCase& c = GetParam();
  EdfWriter writer;
  writer.header.recordDuration = c.recordDuration;
  for (std::size_t i = 0; i < c.samplesPerRecord.size(); ++i) {
    writer.AddSignal("S" + std::to_string(i), c.samplesPerRecord[i]);
  }
  for (int r = 0; r < c.records; ++r) {
    std::vector<edf_writer::SignalData> data;
    for (std::size_t i = 0; i < c.samplesPerRecord.size(); ++i) {
      data.push_back(RecordSamples(i, r, c.samplesPerRecord[i]));
    }
    writer.AddRecord(data);
  }
  auto recording = Open(writer.FileBytes());
  ASSERT_TRUE(recording);
  const std::int64_t total = c.durationTicks * c.records;
  const auto whole = Read(0, total);
  ASSERT_EQ(whole.size(), c.samplesPerRecord.size());
  for (std::size_t i = 0; i < whole.size(); ++i) {
    EXPECT_EQ(whole[i], Written(i, 0, c.records, c.samplesPerRecord[i])) << "channel " << i;
  }
  // Windows of awkward lengths, one after another, give each sample exactly once.
  for (std::int64_t step : {kSecond / 3, kSecond / 7 + 1, c.durationTicks, total / 2 + 13}) {
    std::vector<std::vector<std::int16_t>> tiled(whole.size());
    // The segment's last microsecond belongs to no window start.
    for (std::int64_t start = 0; start < total - model::WindowShiftTicks(*model); start += step) {
      const auto part = Read(start, step);
      for (std::size_t i = 0; i < part.size(); ++i) {
        tiled[i].insert(tiled[i].end(), part[i].begin(), part[i].end());
      }
    }
    EXPECT_EQ(tiled, whole) << "step " << step;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Rates, MixedRateTest,
    ::testing::Values(MixedRateCase{"OneSecond512_256_1Hz", "1", kSecond, {512, 256, 1}, 3},
                      MixedRateCase{"HalfSecond512_256_2Hz", "0.5", kSecond / 2, {256, 128, 1}, 5},
                      MixedRateCase{"TenthSecond1000_10Hz", "0.1", kSecond / 10, {100, 1}, 23}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RecordingTest, WindowCountsAreExactForFractionalBoundaries) {
  EdfWriter writer;
  writer.AddSignal("Fast", 512);
  writer.AddSignal("Slow", 1);
  for (int r = 0; r < 2; ++r) writer.AddRecord({RecordSamples(0, r, 512), RecordSamples(1, r, 1)});
  auto recording = Open(writer.FileBytes());
  ASSERT_TRUE(recording);
  // [0.25 s, 0.75 s): samples 128..383 of the fast channel, none of the slow one.
  const auto window = WindowAt(kSecond / 4, kSecond / 2);
  ASSERT_TRUE(window);
  EXPECT_EQ(window->channels[0].first, 128);
  EXPECT_EQ(window->channels[0].count, 256);
  EXPECT_EQ(window->channels[1].count, 0);
  // A window past the segment's end is clamped to it.
  const auto tail = WindowAt(kSecond + kSecond / 2, 10 * kSecond);
  ASSERT_TRUE(tail);
  EXPECT_EQ(tail->channels[0].first, 768);
  EXPECT_EQ(tail->channels[0].count, 256);
  EXPECT_EQ(tail->channels[1].count, 0);
  EXPECT_FALSE(WindowAt(0, -1).has_value());
}

TEST_F(RecordingTest, AnnotationsOfEveryKindAndBothSignalsAreEventsInOnsetOrder) {
  EdfWriter writer;
  writer.header.reserved = "EDF+C";
  writer.AddAnnotationSignal(40);
  writer.AddSignal("EEG", 2);
  writer.AddAnnotationSignal(30);
  writer.AddRecord({TimeKeepingTal("+0") + Tal("+0.5", "1.5", {"Two", "Texts"}) +
                        Tal("-2", std::nullopt, {"Before"}),
                    RecordSamples(1, 0, 2), Tal("+0.5", std::nullopt, {"Line\nfeed\tand tab", ""})});
  writer.AddRecord({Tal("+1", std::nullopt, {"", "With time keeping"}), RecordSamples(1, 1, 2),
                    std::string("\0\0", 2) + Tal("+0.25", std::nullopt, {"Late \xC3\xA9"})});
  auto recording = Open(writer.FileBytes());
  ASSERT_TRUE(recording);
  struct Expected {
    std::int64_t onset;
    std::int64_t duration;
    const char* text;
    std::size_t signal;
  };
  const Expected expected[] = {{-2 * kSecond, 0, "Before", 0},
                               {kSecond / 4, 0, "Late \xC3\xA9", 2},
                               {kSecond / 2, 15 * kSecond / 10, "Two", 0},
                               {kSecond / 2, 15 * kSecond / 10, "Texts", 0},
                               {kSecond / 2, 0, "Line\nfeed\tand tab", 2},
                               {kSecond / 2, 0, "", 2},
                               {kSecond, 0, "With time keeping", 0}};
  ASSERT_EQ(recording->Events().size(), std::size(expected));
  for (std::size_t i = 0; i < std::size(expected); ++i) {
    const auto& event = recording->Events()[i];
    EXPECT_EQ(event.onsetTicks, expected[i].onset) << i;
    EXPECT_EQ(event.durationTicks, expected[i].duration) << i;
    EXPECT_EQ(event.text, expected[i].text) << i;
    EXPECT_EQ(event.signal, expected[i].signal) << i;
  }
}

TEST_F(RecordingTest, RecordCountMinusOneTruncationAndTrailingBytesUseCompleteRecords) {
  struct Case {
    const char* name;
    std::optional<std::string> countField;
    int cut;  // bytes removed from the end (negative: appended)
    std::int64_t records;
  };
  for (const Case& c : {Case{"unknown count", "-1", 0, 3}, Case{"cut mid-record", std::nullopt, 5, 2},
                        Case{"unknown count, cut", "-1", 11, 2},
                        Case{"trailing bytes", std::nullopt, -7, 3},
                        Case{"count below the file", "2", 0, 2}}) {
    EdfWriter writer = edf_test::PlainEdf();
    writer.header.recordCount = c.countField;
    std::string bytes = writer.FileBytes();
    if (c.cut >= 0) bytes.resize(bytes.size() - static_cast<std::size_t>(c.cut));
    else bytes.append(static_cast<std::size_t>(-c.cut), '\x7F');
    auto recording = Open(bytes);
    ASSERT_TRUE(recording) << c.name;
    EXPECT_EQ(recording->RecordCount(), c.records) << c.name;
    ASSERT_EQ(recording->Segments().size(), 1u) << c.name;
    EXPECT_EQ(Read(0, c.records * kSecond)[0], Written(0, 0, c.records, 4)) << c.name;
  }
}

// A recording still being written grows by records; the ones there at open stay readable. A
// file cut short or written over fails every read, also when its modification time was set
// back (as copies that keep times do).
TEST_F(RecordingTest, ServesTheOpenedRecordsOfAGrowingFileAndNothingOfARewrittenOne) {
  EdfWriter writer = edf_test::PlainEdf();
  const std::string original = writer.FileBytes();
  writer.AddRecord({RecordSamples(0, 3, 4), RecordSamples(1, 3, 2)});
  const std::string grown = writer.FileBytes();  // one more record, count 4 in the header
  const auto withCountOf = [](std::string bytes, const char* count) {  // the field at byte 236
    return bytes.replace(236, 8, std::string(count) + std::string(8 - std::strlen(count), ' '));
  };
  const auto patched = [](std::string bytes, std::size_t offset, const char* text) {
    return bytes.replace(offset, std::strlen(text), text);
  };
  const struct {
    const char* name;
    std::string after;
    bool readable;
  } cases[] = {
      {"appended, count kept", withCountOf(grown, "3"), true},
      {"appended, count updated", grown, true},
      {"appended, count unknown", withCountOf(grown, "-1"), true},
      {"appended, patient rewritten", patched(grown, 8, "Y"), false},
      {"appended, last record rewritten", patched(grown, original.size() - 2, "!!"), false},
      {"same size, one sample rewritten", patched(original, 800, "!!"), false},
      {"cut short", original.substr(0, original.size() - 2), false},
  };
  for (const auto& c : cases) {
    const std::string path = directory.Write("file.edf", original);
    auto opened = Recording::Open(path);
    ASSERT_TRUE(opened.Ok()) << opened.Reason();
    Recording& recording = *opened.Value();
    const edf::Window window{0, {{0, 12}, {0, 6}}};  // the three records opened
    const auto modified = std::filesystem::last_write_time(path);
    // Past the file system's clock step, so that the change time moves.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    recording_writers::WriteFile(path, c.after);
    std::filesystem::last_write_time(path, modified);  // set back, as cp -p does
    std::vector<std::int16_t> fz(12), cz(6);
    std::byte* destinations[] = {reinterpret_cast<std::byte*>(fz.data()),
                                 reinterpret_cast<std::byte*>(cz.data())};
    EXPECT_EQ(recording.ReadWindow(window, destinations), c.readable) << c.name;
    if (c.readable) {
      EXPECT_EQ(fz, Written(0, 0, 3, 4)) << c.name;
    }
    EXPECT_EQ(recording.RecordCount(), 3) << c.name;
  }
}

TEST_F(RecordingTest, HeaderBytesOutsideAsciiAreKeptAsLatin1) {
  EdfWriter writer = edf_test::PlainEdf();
  writer.signals[0].label = "Temp \xB0" "C";
  writer.signals[0].physicalDimension = "\xB0" "C";
  writer.header.patient = "Ren\xE9";
  auto recording = Open(writer.FileBytes());
  ASSERT_TRUE(recording);
  EXPECT_EQ(recording->ChannelHeader(0).label, "Temp \xB0" "C");
  EXPECT_EQ(recording->ChannelHeader(0).physicalDimension, "\xB0" "C");
  EXPECT_EQ(recording->FileHeader().fixed.patient, "Ren\xE9");
}

TEST_F(RecordingTest, DigitalMaximumEqualToMinimumIsAccepted) {
  EdfWriter writer = edf_test::PlainEdf();
  writer.signals[1].digitalMinimum = "0";
  writer.signals[1].digitalMaximum = "0";
  ASSERT_TRUE(Open(writer.FileBytes()));
}

// EDF+ takes the date whole from one field: the header's, unless the recording field names a
// year two digits cannot (before 1985, or after 2084 where EDF+ writes "yy").
TEST_F(RecordingTest, StartDateIsTakenWholeFromOneField) {
  struct Case {
    const char* reserved;
    const char* recording;
    const char* date;
    common::CivilDate expected;
  };
  for (const Case& c : {Case{"", "Startdate 02-MAR-1978 X", "02.03.78", {2078, 3, 2}},
                        Case{"", "X", "31.12.85", {1985, 12, 31}},
                        Case{"EDF+C", "Startdate 02-MAR-1978 X", "02.03.78", {1978, 3, 2}},
                        Case{"EDF+C", "Startdate X X X X", "02.03.99", {1999, 3, 2}},
                        // de-identified header, real date in the recording field
                        Case{"EDF+C", "Startdate 14-MAY-2024 X", "01.01.85", {1985, 1, 1}},
                        Case{"EDF+C", "Startdate 02-mar-1978 X", "01.01.85", {1978, 3, 2}},
                        Case{"EDF+C", "Startdate 31-FEB-1978 X", "01.01.85", {1985, 1, 1}},
                        Case{"EDF+C", "Startdate 02-MAR-2084 X", "02.03.84", {2084, 3, 2}},
                        Case{"EDF+C", "Startdate 14-MAY-2091 X", "14.05.yy", {2091, 5, 14}},
                        Case{"EDF+C", "Startdate 31-DEC-9999 X", "31.12.yy", {9999, 12, 31}}}) {
    EdfWriter writer;
    writer.header.reserved = c.reserved;
    writer.header.recording = c.recording;
    writer.header.startDate = c.date;
    writer.header.startTime = "00.00.00";
    writer.AddSignal("EEG", 1);
    if (*c.reserved) writer.AddAnnotationSignal(8);
    writer.AddRecord(*c.reserved ? std::vector<edf_writer::SignalData>{RecordSamples(0, 0, 1), TimeKeepingTal("+0")}
                                 : std::vector<edf_writer::SignalData>{RecordSamples(0, 0, 1)});
    auto recording = Open(writer.FileBytes());
    ASSERT_TRUE(recording) << c.date;
    EXPECT_EQ(recording->StartSecond(), common::DayNumberOf(c.expected) * 86400)
        << c.recording << " / " << c.date;
  }
  EXPECT_EQ(common::DayNumberOf({1899, 12, 30}), 0);
  EXPECT_EQ(common::DayNumberOf({2000, 1, 1}), 36526);
}

// Some writers pad text fields with NUL bytes instead of spaces, and write numbers with a '+'.
TEST_F(RecordingTest, NulPaddingAndPlusSignsAreReadAsWritersMeanThem) {
  EdfWriter writer = edf_test::EdfPlusContinuousSubSecond();
  writer.signals[0].label = std::string("ECG\0\0\0", 6);
  writer.signals[1].label = std::string("EDF Annotations\0", 16);
  writer.signals[0].samplesPerRecord = "+5";
  writer.signals[0].digitalMaximum = "+32767";
  writer.signals[0].physicalMaximum = "+3200";
  writer.header.recordDuration = "+1";
  writer.header.recordCount = "+4";
  writer.header.signalCount = "+2";
  writer.header.headerBytes = "+768";
  auto recording = Open(writer.FileBytes());
  ASSERT_TRUE(recording);
  ASSERT_EQ(recording->ChannelSignals().size(), 1u);
  EXPECT_EQ(recording->ChannelHeader(0).label, "ECG");
  EXPECT_EQ(recording->ChannelHeader(0).samplesPerRecord, 5);
  EXPECT_EQ(recording->ChannelHeader(0).digitalMaximum, 32767);
  EXPECT_EQ(recording->ChannelHeader(0).physicalMaximum, 3200.0);
  EXPECT_EQ(recording->RecordCount(), 4);
  ASSERT_EQ(recording->Events().size(), 2u);
  EXPECT_EQ(recording->Events()[0].text, "Lights off");
  EXPECT_EQ(Read(kSecond / 2, 4 * kSecond)[0], Written(0, 0, 4, 5));
}

TEST(NumericFieldsTest, SecondsBecomeTicksRoundedHalfAwayFromZero) {
  struct Case {
    const char* text;
    std::optional<std::int64_t> ticks;
  };
  for (const Case& c : {Case{"+8192.202311999999", 81922023120}, Case{"0.00000005", 1},
                        Case{"-0.00000005", -1}, Case{"0.00000004999", 0}, Case{"-2", -20000000},
                        Case{"1.", 10000000}, Case{".5", 5000000}, Case{"", std::nullopt},
                        Case{"+", std::nullopt}, Case{".", std::nullopt}, Case{"1e3", std::nullopt},
                        Case{"1 ", std::nullopt}, Case{"--1", std::nullopt},
                        Case{"100000000001", std::nullopt}}) {
    EXPECT_EQ(edf::ParseSecondsAsTicks(c.text), c.ticks) << c.text;
  }
  EXPECT_EQ(edf::ParseInteger(" -1     "), -1);
  EXPECT_EQ(edf::ParseInteger("9223372036854775808"), std::nullopt);
  EXPECT_EQ(edf::ParseInteger("1 2"), std::nullopt);
  EXPECT_EQ(edf::ParseDecimal("-3.5E+2 "), -350.0);
  EXPECT_EQ(edf::ParseDecimal("nan"), std::nullopt);
}

}  // namespace
