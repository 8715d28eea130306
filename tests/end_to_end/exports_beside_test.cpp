// The exports beside the twelve, through the registered component on files of every format the
// tests write: calibration as each format defines it, window layouts without a read, whole
// event texts, the component's own words after OpenEx, and 0 without a trace for bad input.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "brainvision_writer.h"
#include "edf_test_files.h"
#include "host_fixture.h"
#include "gdf_writer.h"
#include "wfdb_writer.h"

namespace end_to_end {
namespace {

struct ExpectedCalibration {
  double gain;
  double offset;
  std::string unit;
  std::optional<std::pair<double, double>> physicalRange;
  std::optional<int> invalidValue;
};

using WriteNamed = std::function<std::string(const std::string& name, const std::string& bytes)>;

struct CalibrationCase {
  const char* name;
  // Writes the recording's files through `write` (name, bytes -> path); returns the path to open.
  std::function<std::string(const WriteNamed& write)> write;
  std::vector<std::optional<ExpectedCalibration>> channels;  // nullopt: no physical values
};

std::string WriteEdf(const WriteNamed& write) {
  edf_writer::EdfWriter writer;
  writer.AddSignal("EEG Fp1", 2);  // -3200..3200 uV over the whole 16-bit range
  const std::size_t pressure = writer.AddSignal("Pressure", 2);
  writer.signals[pressure].physicalDimension = "mmHg";
  writer.signals[pressure].physicalMinimum = "0";
  writer.signals[pressure].physicalMaximum = "100";
  writer.signals[pressure].digitalMinimum = "0";
  writer.signals[pressure].digitalMaximum = "1000";
  const std::size_t flat = writer.AddSignal("Flat", 2);
  writer.signals[flat].physicalMinimum = writer.signals[flat].physicalMaximum = "5";
  writer.AddRecord({std::vector<std::int16_t>{1, 2}, std::vector<std::int16_t>{3, 4},
                    std::vector<std::int16_t>{5, 6}});
  return write("calibrated.edf", writer.FileBytes());
}

std::string WriteBrainVision(const WriteNamed& write, const char* binaryFormat) {
  using namespace brainvision_writer;
  write("rec.eeg", Int16Bytes(std::vector<std::int16_t>{1, 2, 3, 4, 5, 6}));
  return write(
      "rec.vhdr",
      Text({"Brain Vision Data Exchange Header File Version 1.0",
            {},
            {{"Common Infos",
              {"Codepage=UTF-8", "DataFile=rec.eeg", "DataFormat=BINARY",
               "DataOrientation=MULTIPLEXED", "NumberOfChannels=3", "SamplingInterval=1000"}},
             {"Binary Infos", {std::string("BinaryFormat=") + binaryFormat}},
             {"Channel Infos",
              {"Ch1=Fp1,,0.1,\xCE\xBCV", "Ch2=Fp2,,,", "Ch3=GSR,,0.5,\xC2\xB5S"}}}}));
}

std::string WriteWfdb(const WriteNamed& write) {
  const std::vector<wfdb_test::WrittenSignal> group(3, {16, 1, 0, 0, {1, 2}});
  write("rec.dat", wfdb_test::SignalFile(group, 2));
  return write("rec.hea",
                             "rec 3 360 2\n"
                             "rec.dat 16 200(10)/mV 16 0 0 0 0 ECG\n"
                             "rec.dat 16 0 16 0 0 0 0 Raw\n"
                             "rec.dat 16 50 16 0 0 0 0 Resp\n");
}

// 2.x's unit codes (µV, kOhm) and, without a code, its text; GDF 1.x's text.
std::string WriteGdf(const WriteNamed& write, const std::string& version) {
  gdf_writer::File file;
  file.version = version;
  file.channels = {{"EEG", 3, 2, "uV", 4275, -3276.8, 3276.7, -32768, 32767, {}},
                   {"Imp", 2, 2, "", 4291, 0, 25.5, 0, 255, {}},
                   {"Flat", 3, 2, "V", 0, 5, 5, -32768, 32767, {}}};
  return write("rec" + version + ".gdf", gdf_writer::Bytes(file));
}

std::vector<CalibrationCase> CalibrationCases() {
  return {
      {"EdfFromRanges", WriteEdf,
       {ExpectedCalibration{6400.0 / 65535, -3200 + 6400.0 / 65535 * 32768, "uV",
                            std::pair{-3200.0, 3200.0}, std::nullopt},
        ExpectedCalibration{0.1, 0.0, "mmHg", std::pair{0.0, 100.0}, std::nullopt},
        std::nullopt}},
      {"BrainVisionResolution", [](const WriteNamed& w) { return WriteBrainVision(w, "INT_16"); },
       {ExpectedCalibration{0.1, 0.0, "\xCE\xBCV", std::nullopt, std::nullopt},
        ExpectedCalibration{1.0, 0.0, "\xC2\xB5V", std::nullopt, std::nullopt},
        ExpectedCalibration{0.5, 0.0, "\xC2\xB5S", std::nullopt, std::nullopt}}},
      {"BrainVisionUnsignedOffset", [](const WriteNamed& w) { return WriteBrainVision(w, "UINT_16"); },
       {ExpectedCalibration{0.1, 3276.8, "\xCE\xBCV", std::nullopt, std::nullopt},
        ExpectedCalibration{1.0, 32768.0, "\xC2\xB5V", std::nullopt, std::nullopt},
        ExpectedCalibration{0.5, 16384.0, "\xC2\xB5S", std::nullopt, std::nullopt}}},
      {"GdfUnitCodes", [](const WriteNamed& w) { return WriteGdf(w, "2.51"); },
       {ExpectedCalibration{0.1, -3276.8 + 0.1 * 32768, "\xC2\xB5V", std::pair{-3276.8, 3276.7}, std::nullopt},
        ExpectedCalibration{0.1, 0.0, "kOhm", std::pair{0.0, 25.5}, std::nullopt},
        std::nullopt}},
      {"Gdf1UnitTexts", [](const WriteNamed& w) { return WriteGdf(w, "1.25"); },
       {ExpectedCalibration{0.1, -3276.8 + 0.1 * 32768, "uV", std::pair{-3276.8, 3276.7}, std::nullopt},
        ExpectedCalibration{0.1, 0.0, "", std::pair{0.0, 25.5}, std::nullopt},  // 1.x has no code
        std::nullopt}},
      {"WfdbGainAndBaseline", WriteWfdb,
       {ExpectedCalibration{1.0 / 200, -(10 * (1.0 / 200)), "mV", std::nullopt, -32768},
        ExpectedCalibration{1.0, 0.0, "adu", std::nullopt, -32768},
        ExpectedCalibration{1.0 / 50, 0.0, "mV", std::nullopt, -32768}}},
  };
}

class CalibrationExportsTest : public HostTest,
                               public ::testing::WithParamInterface<CalibrationCase> {
 protected:
  int OpenPath(const std::string& path) {
    int segments = -1;
    return OpenEx(path.c_str(), &segments) == 1 ? segments : -1;
  }

  void ExpectChannel(int channel, const std::optional<ExpectedCalibration>& expected) {
    SCOPED_TRACE("channel " + std::to_string(channel));
    double gain = -1, offset = -1, minimum = -1, maximum = -1;
    int invalid = 7;
    char unit[16] = {};
    if (!expected) {
      EXPECT_EQ(GetChannelCalibration(0, channel, &gain, &offset), 0);
      EXPECT_EQ(GetChannelUnit(0, channel, unit, sizeof unit), 0);
      EXPECT_EQ(gain, -1);
      EXPECT_EQ(unit[0], '\0');
      return;
    }
    ASSERT_EQ(GetChannelCalibration(0, channel, &gain, &offset), 1);
    EXPECT_DOUBLE_EQ(gain, expected->gain);
    EXPECT_NEAR(offset, expected->offset, 1e-9 * std::abs(expected->offset));
    EXPECT_EQ(GetChannelUnit(0, channel, unit, sizeof unit), static_cast<int>(expected->unit.size()) + 1);
    EXPECT_EQ(std::string(unit), expected->unit);
    EXPECT_EQ(GetChannelPhysicalRange(0, channel, &minimum, &maximum), expected->physicalRange ? 1 : 0);
    if (expected->physicalRange) {
      EXPECT_EQ(minimum, expected->physicalRange->first);
      EXPECT_EQ(maximum, expected->physicalRange->second);
    }
    EXPECT_EQ(GetChannelInvalidValue(0, channel, &invalid), expected->invalidValue ? 1 : 0);
    if (expected->invalidValue) {
      EXPECT_EQ(invalid, *expected->invalidValue);
    }
  }
};

TEST_P(CalibrationExportsTest, EveryChannelAsItsFormatDefinesIt) {
  const CalibrationCase& c = GetParam();
  std::string console = ConsoleOutputOf([&] {
    const WriteNamed write = [this](const std::string& name, const std::string& bytes) {
      return WriteNamedFile(name, bytes);
    };
    ASSERT_EQ(OpenPath(c.write(write)), 1);
    for (std::size_t channel = 0; channel < c.channels.size(); ++channel) {
      ExpectChannel(static_cast<int>(channel), c.channels[channel]);
    }
    // One past the last channel is no channel.
    double gain = -1, offset = -1;
    EXPECT_EQ(GetChannelCalibration(0, static_cast<int>(c.channels.size()), &gain, &offset), 0);
  });
  EXPECT_EQ(console, "");
}

INSTANTIATE_TEST_SUITE_P(Formats, CalibrationExportsTest, ::testing::ValuesIn(CalibrationCases()),
                         [](const auto& info) { return std::string(info.param.name); });

// A WFDB multi-segment record whose segments hold the same signal at two gains: each segment
// is calibrated by its own header.
TEST_F(HostTest, WfdbSegmentsKeepTheirOwnGains) {
  const std::vector<wfdb_test::WrittenSignal> group(1, {16, 1, 0, 0, {1, 2, 3, 4}});
  for (const char* name : {"g_1", "g_2"}) WriteNamedFile(std::string(name) + ".dat", wfdb_test::SignalFile(group, 4));
  WriteNamedFile("g_1.hea", "g_1 1 100 4\ng_1.dat 16 100/mV 16 0 0 0 0 X\n");
  WriteNamedFile("g_2.hea", "g_2 1 100 4\ng_2.dat 16 200(5)/mV 16 0 0 0 0 X\n");
  const std::string path = WriteNamedFile("g.hea", "g/2 1 100 8\ng_1 4\ng_2 4\n");
  int segments = -1;
  ASSERT_EQ(OpenEx(path.c_str(), &segments), 1);
  ASSERT_EQ(segments, 2);
  // The second segment first: what one segment answered must not stand for the other.
  for (const auto& [segment, gain, offset] : {std::tuple{1, 1.0 / 200, -(5 * (1.0 / 200))}, std::tuple{0, 0.01, 0.0}}) {
    double g = 0, o = 1;
    ASSERT_EQ(GetChannelCalibration(segment, 0, &g, &o), 1) << segment;
    EXPECT_EQ(std::pair(g, o), std::pair(gain, offset)) << segment;
  }
}

// Filled with this byte before a call, so that every byte a call writes shows.
constexpr char kGuard = '\x5A';
constexpr short kGuardSample = 0x7A7A;

class WindowCountsTest : public HostTest {};

// The counts are exactly the layout GetData2 then writes: every sample of their sum, not one
// more.
TEST_F(WindowCountsTest, GiveTheLayoutGetData2Writes) {
  ASSERT_EQ(Open(edf_test::PlainEdf().FileBytes()), 1);
  const double start = SegmentStart();
  for (const auto& [offset, duration] : std::vector<std::pair<double, double>>{
           {0, 3}, {0, 1}, {0.3, 1.1}, {1.25, 0.25}, {2, 1}, {0, 0}}) {
    SCOPED_TRACE(std::to_string(offset) + " s + " + std::to_string(duration) + " s");
    const double from = start + offset / 86400;
    std::vector<int> counts(2, -1);
    ASSERT_EQ(GetWindowCounts(from, duration, counts.data(), 2), 1);
    const int total = counts[0] + counts[1];
    std::vector<short> samples(static_cast<std::size_t>(total) + 4, kGuardSample);
    ASSERT_EQ(GetData2(from, duration, samples.data()), 1);
    if (total > 0) {
      EXPECT_NE(samples[static_cast<std::size_t>(total) - 1], kGuardSample);
    }
    for (std::size_t i = static_cast<std::size_t>(total); i < samples.size(); ++i) {
      EXPECT_EQ(samples[i], kGuardSample) << "GetData2 wrote past the counted layout at " << i;
    }
  }
  std::vector<int> whole(2, -1);
  ASSERT_EQ(GetWindowCounts(start, 3, whole.data(), 2), 1);
  EXPECT_EQ(whole, (std::vector<int>{12, 6}));
}

TEST_F(WindowCountsTest, RefuseSilentlyWhatGetData2WouldRefuse) {
  ASSERT_EQ(Open(edf_test::PlainEdf().FileBytes()), 1);
  const double start = SegmentStart();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double infinity = std::numeric_limits<double>::infinity();
  struct Window {
    const char* what;
    double from;
    double duration;
    int capacity;
  };
  for (const Window& w : std::vector<Window>{{"past the segment's end", start, 4, 2},
                                            {"before the recording", start - 1, 1, 2},
                                            {"a NaN start", nan, 1, 2},
                                            {"an infinite duration", start, infinity, 2},
                                            {"a negative duration", start, -1, 2},
                                            {"room for one channel of two", start, 1, 1},
                                            {"no room", start, 1, 0}}) {
    std::vector<int> counts(2, -7);
    EXPECT_EQ(ConsoleOutputOf([&] { EXPECT_EQ(GetWindowCounts(w.from, w.duration, counts.data(), w.capacity), 0) << w.what; }), "")
        << w.what;
    EXPECT_EQ(counts, (std::vector<int>{-7, -7})) << w.what;
  }
}

// EDF+ texts longer than the twelve's 32 bytes, one of them with two-byte characters.
edf_writer::EdfWriter LongTexts() {
  edf_writer::EdfWriter writer;
  writer.header.reserved = "EDF+C";
  writer.AddSignal("EEG", 1);
  writer.AddAnnotationSignal(60);
  writer.AddRecord({std::vector<std::int16_t>{1},
                    edf_writer::TimeKeepingTal("+0") +
                        edf_writer::Tal("+0.5", std::nullopt, {"Sleep stage W (wake), scored by hand"})});
  writer.AddRecord({std::vector<std::int16_t>{2},
                    edf_writer::TimeKeepingTal("+1") +
                        edf_writer::Tal("+1.5", std::nullopt, {"\xC3\x84\xC3\x96\xC3\x9C \xC3\xA4\xC3\xB6\xC3\xBC \xC3\x9F\xC3\x84\xC3\x96\xC3\x9C \xC3\xA4\xC3\xB6\xC3\xBC \xC3\x9F"})});
  return writer;
}

class EventTextTest : public HostTest {
 protected:
  // The text through a buffer of `size` bytes with guard bytes after it: what the call
  // returned, and the text up to its terminator; the guards must stay.
  std::pair<int, std::string> TextThrough(int event, int part, int size) {
    std::vector<char> buffer(static_cast<std::size_t>(size) + 8, kGuard);
    const int result = GetEventText(event, part, buffer.data(), size);
    for (std::size_t i = static_cast<std::size_t>(size); i < buffer.size(); ++i) {
      EXPECT_EQ(buffer[i], kGuard) << "written past the buffer's " << size << " bytes";
    }
    if (result == 0) return {0, {}};
    const auto end = std::find(buffer.begin(), buffer.begin() + size, '\0');
    EXPECT_NE(end, buffer.begin() + size) << "no terminator within " << size << " bytes";
    return {result, std::string(buffer.begin(), end)};
  }
};

TEST_F(EventTextTest, GivesEveryTextWholeAndItsLength) {
  ASSERT_EQ(Open(LongTexts().FileBytes()), 1);
  const std::vector<std::string> labels = {"Sleep stage W (wake), scored by hand",
                                           "\xC3\x84\xC3\x96\xC3\x9C \xC3\xA4\xC3\xB6\xC3\xBC \xC3\x9F\xC3\x84\xC3\x96\xC3\x9C \xC3\xA4\xC3\xB6\xC3\xBC \xC3\x9F"};
  for (int event = 0; event < 2; ++event) {
    const std::string& label = labels[static_cast<std::size_t>(event)];
    const int whole = static_cast<int>(label.size()) + 1;
    EXPECT_EQ(TextThrough(event, TAPLINE_EVENT_LABEL, 256), std::pair(whole, label));
    EXPECT_EQ(TextThrough(event, TAPLINE_EVENT_TYPE_TEXT1, 256), std::pair(whole, label));
    EXPECT_EQ(TextThrough(event, TAPLINE_EVENT_TYPE_TEXT2, 256), std::pair(16, std::string("EDF Annotations")));
    // Exactly the whole length fits; one byte less cuts.
    EXPECT_EQ(TextThrough(event, TAPLINE_EVENT_LABEL, whole), std::pair(whole, label));
    EXPECT_EQ(TextThrough(event, TAPLINE_EVENT_LABEL, whole - 1).second, label.substr(0, label.size() - (event == 0 ? 1 : 2)));
    EXPECT_EQ(TextThrough(event, TAPLINE_EVENT_LABEL, 1), std::pair(whole, std::string()));
  }
}

TEST_F(EventTextTest, CutsNeverInsideACharacter) {
  ASSERT_EQ(Open(LongTexts().FileBytes()), 1);
  for (int size = 1; size <= 45; ++size) {
    const std::string kept = TextThrough(1, TAPLINE_EVENT_LABEL, size).second;
    EXPECT_LE(kept.size(), static_cast<std::size_t>(size - 1));
    // Each character here is ASCII or two bytes that start with 0xC3.
    if (!kept.empty()) {
      EXPECT_NE(static_cast<unsigned char>(kept.back()), 0xC3) << size;
    }
  }
}

class OpenMessageTest : public HostTest {
 protected:
  // The thread's open message, or nullopt when GetOpenMessage returns 0.
  std::optional<std::string> Message() {
    char text[512];
    const int result = GetOpenMessage(text, sizeof text);
    if (result == 0) return std::nullopt;
    EXPECT_EQ(result, static_cast<int>(std::string(text).size()) + 1);
    return std::string(text);
  }
  int OpenQuietly(const std::string& bytes) {
    const std::string path = WriteFile(bytes);
    int segments = -1, result = -1;
    ConsoleOutputOf([&] { result = OpenEx(path.c_str(), &segments); });
    return result;
  }
};

TEST_F(OpenMessageTest, NoneBeforeTheFirstOpen) { EXPECT_EQ(Message(), std::nullopt); }

TEST_F(OpenMessageTest, EmptyAfterACleanOpen) {
  ASSERT_EQ(OpenQuietly(edf_test::PlainEdf().FileBytes()), 1);
  EXPECT_EQ(Message(), "");
}

TEST_F(OpenMessageTest, TheComponentsReasonForARefusalOutlivesClose) {
  ASSERT_EQ(OpenQuietly("not a recording at all"), 0);
  EXPECT_EQ(Close(), 1);
  const std::optional<std::string> reason = Message();
  ASSERT_TRUE(reason);
  EXPECT_NE(reason->find("EDF"), std::string::npos) << *reason;
  // A clean open afterwards leaves nothing of it.
  ASSERT_EQ(OpenQuietly(edf_test::PlainEdf().FileBytes()), 1);
  EXPECT_EQ(Message(), "");
}

TEST_F(OpenMessageTest, TheWarningsOfAForgivingOpen) {
  edf_writer::EdfWriter writer = edf_test::PlainEdf();
  writer.header.recordCount = "5";  // three records are there
  ASSERT_EQ(OpenQuietly(writer.FileBytes()), 1);
  const std::optional<std::string> warnings = Message();
  ASSERT_TRUE(warnings);
  EXPECT_NE(warnings->find("5"), std::string::npos) << *warnings;
}

// Every export beside the twelve with one argument wrong, or at a moment without a recording:
// 0, no byte written, nothing on the console.
class BadInputTest : public HostTest {
 protected:
  struct Call {
    const char* what;
    std::function<int(char*, double*, int*)> call;
  };

  void ExpectRefusedWithoutTrace(const std::vector<Call>& calls) {
    for (const Call& c : calls) {
      char text[8];
      double number = -2.5;
      int integer = -9;
      std::fill(std::begin(text), std::end(text), kGuard);
      int result = -1;
      EXPECT_EQ(ConsoleOutputOf([&] { result = c.call(text, &number, &integer); }), "") << c.what;
      EXPECT_EQ(result, 0) << c.what;
      EXPECT_TRUE(std::all_of(std::begin(text), std::end(text), [](char b) { return b == kGuard; })) << c.what;
      EXPECT_EQ(number, -2.5) << c.what;
      EXPECT_EQ(integer, -9) << c.what;
    }
  }

  // The same calls on a valid recording's segment 0, channel 0 and event 0 would succeed.
  std::vector<Call> CallsAt(int segment, int channel, int event, double date) {
    return {
        {"GetChannelCalibration", [=, this](char*, double* n, int*) { return GetChannelCalibration(segment, channel, n, n); }},
        {"GetChannelUnit", [=, this](char* t, double*, int*) { return GetChannelUnit(segment, channel, t, 8); }},
        {"GetChannelPhysicalRange", [=, this](char*, double* n, int*) { return GetChannelPhysicalRange(segment, channel, n, n); }},
        {"GetChannelInvalidValue", [=, this](char*, double*, int* i) { return GetChannelInvalidValue(segment, channel, i); }},
        {"GetChannelValue", [=, this](char*, double* n, int*) { return GetChannelValue(segment, channel, n); }},
        {"GetWindowCounts", [=, this](char*, double*, int* i) { return GetWindowCounts(date, 0.5, i, 1); }},
        {"GetEventText", [=, this](char* t, double*, int*) { return GetEventText(event, TAPLINE_EVENT_LABEL, t, 8); }},
    };
  }
};

TEST_F(BadInputTest, WithoutARecording) {
  ExpectRefusedWithoutTrace(CallsAt(0, 0, 0, 37653.17));
  EXPECT_EQ(GetOpenMessage(nullptr, 8), 0);
  ASSERT_EQ(Open(edf_test::EdfPlusContinuousSubSecond().FileBytes()), 1);
  const double start = SegmentStart();
  EXPECT_EQ(Close(), 1);
  ExpectRefusedWithoutTrace(CallsAt(0, 0, 0, start));
}

TEST_F(BadInputTest, IndicesOutsideTheRecordingAndBrokenArguments) {
  ASSERT_EQ(Open(edf_test::EdfPlusContinuousSubSecond().FileBytes()), 1);
  const double start = SegmentStart();
  // The same calls with valid arguments succeed, so each refusal below is its argument's.
  for (Call& c : CallsAt(0, 0, 0, start)) {
    char text[8];
    double number;
    int integer[1];
    if (std::string(c.what) == "GetChannelInvalidValue") continue;  // EDF marks no missing samples
    EXPECT_NE(c.call(text, &number, integer), 0) << c.what;
  }
  ExpectRefusedWithoutTrace(CallsAt(1, 0, 2, std::numeric_limits<double>::quiet_NaN()));
  ExpectRefusedWithoutTrace(CallsAt(-1, -1, -1, -std::numeric_limits<double>::infinity()));
  ExpectRefusedWithoutTrace(CallsAt(0, 1, 2, std::numeric_limits<double>::infinity()));
  ExpectRefusedWithoutTrace({
      {"GetChannelCalibration null", [this](char*, double* n, int*) { return GetChannelCalibration(0, 0, n, nullptr); }},
      {"GetChannelUnit null", [this](char*, double*, int*) { return GetChannelUnit(0, 0, nullptr, 8); }},
      {"GetChannelUnit size 0", [this](char* t, double*, int*) { return GetChannelUnit(0, 0, t, 0); }},
      {"GetChannelUnit size -1", [this](char* t, double*, int*) { return GetChannelUnit(0, 0, t, -1); }},
      {"GetWindowCounts null", [=, this](char*, double*, int*) { return GetWindowCounts(start, 0.5, nullptr, 1); }},
      {"GetEventText part 3", [this](char* t, double*, int*) { return GetEventText(0, 3, t, 8); }},
      {"GetEventText size 0", [this](char* t, double*, int*) { return GetEventText(0, TAPLINE_EVENT_LABEL, t, 0); }},
      {"GetEventText null", [this](char*, double*, int*) { return GetEventText(0, TAPLINE_EVENT_LABEL, nullptr, 8); }},
      {"GetOpenMessage size -5", [this](char* t, double*, int*) { return GetOpenMessage(t, -5); }},
  });
}

}  // namespace
}  // namespace end_to_end
