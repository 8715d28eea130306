// Header files as real records write them: record lines of every length, signal lines with and
// without their optional fields, comments anywhere, Latin-1 lines, multi-segment headers.
#include "formats/wfdb/header.h"

#include <gtest/gtest.h>

namespace {

using wfdb::ExactRate;
using wfdb::kTicksPerSecond;
using wfdb::ParseHeader;

wfdb::Header Parsed(const std::string& text) {
  auto header = ParseHeader(text);
  EXPECT_TRUE(header.Ok()) << header.Reason();
  return header.Ok() ? header.Value() : wfdb::Header{};
}

struct RecordLineCase {
  std::string text;
  ExactRate rate;
  std::int64_t frames;
  std::optional<std::int64_t> baseTime;
  std::optional<wfdb::BaseDate> baseDate;
};

class RecordLineTest : public ::testing::TestWithParam<RecordLineCase> {};

TEST_P(RecordLineTest, ReadsEveryField) {
  const auto& c = GetParam();
  const auto header = Parsed(c.text);
  EXPECT_EQ(header.record.name, "r1");
  EXPECT_EQ(header.record.signalCount, 0);
  EXPECT_EQ(header.record.framesPerSecond, c.rate);
  EXPECT_EQ(header.record.frameCount, c.frames);
  EXPECT_EQ(header.record.baseTimeTicks, c.baseTime);
  EXPECT_EQ(header.record.baseDate, c.baseDate);
}

constexpr std::int64_t kHour = 3600 * kTicksPerSecond;

INSTANTIATE_TEST_SUITE_P(
    Lines, RecordLineTest,
    ::testing::Values(
        RecordLineCase{"r1 0\n", {250, 1}, 0, std::nullopt, std::nullopt},
        RecordLineCase{"r1 0 360\n", {360, 1}, 0, std::nullopt, std::nullopt},
        RecordLineCase{"r1 0 62.4725\n", {24989, 400}, 0, std::nullopt, std::nullopt},
        RecordLineCase{"r1 0 128/1000(5) 99\n", {128, 1}, 99, std::nullopt, std::nullopt},
        RecordLineCase{"  r1\t 0   500 4000   17:27:45 15/08/1994  \r\n", {500, 1}, 4000,
                       17 * kHour + (27 * 60 + 45) * kTicksPerSecond, wfdb::BaseDate{15, 8, 1994}},
        RecordLineCase{"r1 0 125 0 16:57:09.125 26/10/2137\n", {125, 1}, 0,
                       16 * kHour + (57 * 60 + 9) * kTicksPerSecond + 1'250'000,
                       wfdb::BaseDate{26, 10, 2137}},
        RecordLineCase{"r1 0 1000 5 57:09.5\n", {1000, 1}, 5,
                       (57 * 60 + 9) * kTicksPerSecond + 5'000'000, std::nullopt},
        RecordLineCase{"r1 0 1000 5 23:59:59.9999999 29/02/2000\n", {1000, 1}, 5,
                       24 * kHour - 1, wfdb::BaseDate{29, 2, 2000}}));

TEST(HeaderTest, ReadsSignalLinesWithAndWithoutOptionalFields) {
  const auto header = Parsed(
      "rec 4 125 75000\n"
      "rec.dat 212x4:3+512 2963.77(-1605)/mmHg 12 7 67 -11266 0 ABP  art  line \n"
      "rec.dat 16 2000 16 0 -943\n"
      "other.dat 80\n"
      "~ 0 255(-128)/NU 8 0 -128 0 0 PLETH\n");
  ASSERT_EQ(header.signals.size(), 4u);
  const auto& full = header.signals[0];
  EXPECT_EQ(full.fileName, "rec.dat");
  EXPECT_EQ(full.format, 212);
  EXPECT_EQ(full.samplesPerFrame, 4);
  EXPECT_EQ(full.skew, 3);
  EXPECT_EQ(full.byteOffset, 512);
  EXPECT_DOUBLE_EQ(full.gain, 2963.77);
  EXPECT_EQ(full.Baseline(), -1605);
  EXPECT_EQ(full.units, "mmHg");
  EXPECT_EQ(full.adcResolution, 12);
  EXPECT_EQ(full.adcZero, 7);
  EXPECT_EQ(full.initialValue, 67);
  EXPECT_EQ(full.checksum, -11266);
  EXPECT_EQ(full.description, "ABP  art  line");  // inner blanks kept, trailing ones not

  const auto& gainOnly = header.signals[1];  // a gain without units; baseline from ADC zero
  EXPECT_DOUBLE_EQ(gainOnly.gain, 2000);
  EXPECT_EQ(gainOnly.units, "");
  EXPECT_EQ(gainOnly.Baseline(), 0);
  EXPECT_EQ(gainOnly.initialValue, -943);
  EXPECT_EQ(gainOnly.description, "");

  EXPECT_EQ(header.signals[2].samplesPerFrame, 1);
  EXPECT_EQ(header.signals[2].gain, 0);
  EXPECT_EQ(header.signals[3].fileName, "~");
  EXPECT_EQ(header.signals[3].description, "PLETH");
}

TEST(HeaderTest, TakesCommentsAndBlankLinesAnywhere) {
  const auto header = Parsed(
      "# written before the record line\n"
      "\n"
      "100 2 360 650000\n"
      "100.dat 212 200 11 1024 995 -22131 0 MLII\n"
      "   # between signal lines\n"
      "\r\n"
      "100.dat 212 200 11 1024 1011 20052 0 V5\n"
      "#69 M 1085 1629 x1\n");
  ASSERT_EQ(header.signals.size(), 2u);
  EXPECT_EQ(header.signals[1].description, "V5");
  EXPECT_EQ(header.comments, (std::vector<std::string>{" between signal lines", "69 M 1085 1629 x1"}));
}

TEST(HeaderTest, ReadsEachLineAsUtf8ElseLatin1) {
  const auto header = Parsed(
      "rec 2\n"
      "rec.dat 16 100/\xB5V 16 0 0 0 0 EEG F\xFC\n"             // Latin-1
      "rec.dat 16 100/\xC2\xB5V 16 0 0 0 0 EEG \xE2\x84\xA6\n"  // UTF-8
      "# Patientin M\xFCller\n");
  EXPECT_EQ(header.signals[0].units, "\xC2\xB5V");
  EXPECT_EQ(header.signals[0].description, "EEG F\xC3\xBC");
  EXPECT_EQ(header.signals[1].units, "\xC2\xB5V");
  EXPECT_EQ(header.signals[1].description, "EEG \xE2\x84\xA6");
  EXPECT_EQ(header.comments.at(0), " Patientin M\xC3\xBCller");
}

TEST(HeaderTest, ReadsMultiSegmentHeadersWithLayoutAndNullSegments) {
  const auto header = Parsed(
      "p1/4 4 125 7750 16:57:09.000 26/10/2137\n"
      "p1_layout 0\n"
      "~ 3750\n"
      "p1_0001 2000\n"
      "p1_0002 2000\n"
      "# Location: micu\n");
  ASSERT_TRUE(header.IsMultiSegment());
  EXPECT_EQ(header.record.name, "p1");
  EXPECT_EQ(header.record.signalCount, 4);
  ASSERT_EQ(header.segments.size(), 4u);
  EXPECT_EQ(header.segments[0].name, "p1_layout");
  EXPECT_EQ(header.segments[0].frameCount, 0);
  EXPECT_TRUE(header.segments[1].IsNull());
  EXPECT_EQ(header.segments[1].frameCount, 3750);
  EXPECT_FALSE(header.segments[2].IsNull());
  EXPECT_TRUE(header.signals.empty());
}

TEST(HeaderTest, TellsARecordLineFromOtherFirstLines) {
  for (const char* line : {"100 2 360 650000", "  p1/36 4 125 52725000 16:57:09.000 26/10/2137\r", "r 0"}) {
    EXPECT_TRUE(wfdb::IsRecordLine(line)) << line;
  }
  for (const char* line : {"0       X X X X", "Brain Vision Data Exchange Header File Version 1.0",
                           "# 100 2 360", "", "r 2 360 -1"}) {
    EXPECT_FALSE(wfdb::IsRecordLine(line)) << line;
  }
}

struct RefusalCase {
  std::string text;
  std::string reason;  // a part of the reason
};

class HeaderRefusalTest : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(HeaderRefusalTest, NamesWhatIsWrong) {
  const auto header = ParseHeader(GetParam().text);
  ASSERT_FALSE(header.Ok());
  EXPECT_NE(header.Reason().find(GetParam().reason), std::string::npos) << header.Reason();
}

INSTANTIATE_TEST_SUITE_P(
    Headers, HeaderRefusalTest,
    ::testing::Values(
        RefusalCase{"", "no record line"},
        RefusalCase{"# only a comment\n\n", "no record line"},
        RefusalCase{"r 3 250\nr.dat 16\nr.dat 16\n", "declares 3 signals but describes 2"},
        RefusalCase{"r/3 2 250 30\na 10\n~ 20\n", "declares 3 segments but lists 2"},
        RefusalCase{"r/2 1 360 900\na 300\nb 200\n",
                    "the record line gives 900 frames but its segments add up to 500"},
        RefusalCase{"r/x 2\n", "line 1 of the header (the record line) has no valid number of segments"},
        RefusalCase{"r\n", "gives no number of signals"},
        RefusalCase{"r 0 0\n", "frame rate as \"0\""},
        RefusalCase{"r 0 1e3\n", "frame rate as \"1e3\""},
        RefusalCase{"r 0 250 -5\n", "number of frames as \"-5\""},
        RefusalCase{"r 0 250 5 24:00:00\n", "base time as \"24:00:00\""},
        RefusalCase{"r 0 250 5 0:0:0.12345678\n", "base time"},
        RefusalCase{"r 0 250 5 0:0:0 31/02/2020\n", "base date as \"31/02/2020\""},
        RefusalCase{"r 1\n\nr.dat\n", "line 3 of the header (signal 0) gives no format"},
        RefusalCase{"r 1\nr.dat 212x0\n", "but \"212x0\""},
        RefusalCase{"r 1\nr.dat 16x2000000\n", "but \"16x2000000\""},
        RefusalCase{"r 1\nr.dat 16+1x2\n", "but \"16+1x2\""},
        RefusalCase{"r 1\nr.dat 16 2oo/mV\n", "gain as \"2oo/mV\""},
        RefusalCase{"r 1\nr.dat 16 200 16 zero\n", "ADC zero as \"zero\""},
        RefusalCase{"r/1 1\nseg\n", "line 2 of the header (segment 0) is not a segment name"}));

}  // namespace
