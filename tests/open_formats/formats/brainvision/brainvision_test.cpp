// BrainVision files through the component's format detection into its model: the header,
// marker and data rules, each in a table of small files, and the shared sample recordings.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "brainvision_test_files.h"
#include "brainvision_writer.h"
#include "com/opened_recording.h"
#include "formats/format_registry.h"
#include "model/sample_grid.h"
#include "model/time_range.h"
#include "model/window_rule.h"

namespace {

using brainvision_test::BrainVisionWriter;
using brainvision_test::SampleValue;

constexpr std::int64_t kMs = 10000;  // ticks

common::Result<model::Recording> Open(const BrainVisionWriter& writer,
                                      const edf_test::TemporaryDirectory& directory) {
  return formats::OpenRecordingFile(writer.Write(directory));
}

// Every channel's samples of the segment, through the sample source.
std::vector<std::vector<std::int16_t>> SegmentSamples(model::Recording& recording, std::size_t s) {
  const auto window = model::WindowIn(recording, s, 0, recording.segments[s].durationTicks);
  std::vector<std::vector<std::int16_t>> samples;
  std::vector<model::ChannelRead> reads;
  for (const auto& range : window->channels) samples.emplace_back(range.count);
  for (std::size_t c = 0; c < samples.size(); ++c) {
    reads.push_back({c, window->channels[c].first, window->channels[c].count,
                     reinterpret_cast<std::byte*>(samples[c].data())});
  }
  EXPECT_TRUE(recording.samples->Fill(s, reads));
  return samples;
}

std::u16string U(const char16_t* text) { return text; }

struct RefusalCase {
  const char* name;
  void (*change)(BrainVisionWriter&);
  const char* reason;  // a part of the reason
};

class BrainVisionRefusalTest : public ::testing::TestWithParam<RefusalCase> {};

// Through the component's open, as hosts see it: BrainVision's rules, then every format's.
TEST_P(BrainVisionRefusalTest, RefusesWithThePreciseReason) {
  edf_test::TemporaryDirectory directory;
  BrainVisionWriter writer;
  GetParam().change(writer);
  const auto opened = open_formats::OpenedRecording::Open(writer.Write(directory));
  ASSERT_FALSE(opened.Ok());
  EXPECT_NE(opened.Reason().find(GetParam().reason), std::string::npos) << opened.Reason();
}

void Set(BrainVisionWriter& w, const std::string& key, const std::string& line) {
  for (auto& l : w.commonInfos) {
    if (l.rfind(key + "=", 0) == 0) l = line;
  }
  for (auto& l : w.binaryInfos) {
    if (l.rfind(key + "=", 0) == 0) l = line;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Rules, BrainVisionRefusalTest,
    ::testing::Values(
        RefusalCase{"Ascii", [](auto& w) { Set(w, "DataFormat", "DataFormat=ASCII"); },
                    "not BINARY"},
        RefusalCase{"Frequency",
                    [](auto& w) { w.commonInfos.push_back("DataType=FREQUENCYDOMAIN"); },
                    "not TIMEDOMAIN"},
        RefusalCase{"MoreChannelsThanLines",
                    [](auto& w) { Set(w, "NumberOfChannels", "NumberOfChannels=3"); },
                    "NumberOfChannels is 3 but there are 2 channel lines"},
        RefusalCase{"ChannelNumberZero", [](auto& w) { w.channels[1] = "Ch0=Cz"; },
                    "Ch0 is not one of"},
        RefusalCase{"ChannelTwice", [](auto& w) { w.channels[1] = "Ch1=Cz"; }, "Ch1 is not one of"},
        RefusalCase{"NoInterval", [](auto& w) { Set(w, "SamplingInterval", "X=1"); },
                    "SamplingInterval"},
        RefusalCase{"ZeroInterval",
                    [](auto& w) { Set(w, "SamplingInterval", "SamplingInterval=0"); },
                    "SamplingInterval"},
        RefusalCase{"NegativeInterval",
                    [](auto& w) { Set(w, "SamplingInterval", "SamplingInterval=-1"); },
                    "SamplingInterval"},
        RefusalCase{"Int32", [](auto& w) { w.binaryInfos = {"BinaryFormat=INT_32"}; },
                    "32-bit (INT_32)"},
        RefusalCase{"Float32", [](auto& w) { w.binaryInfos = {"BinaryFormat=IEEE_FLOAT_32"}; },
                    "32-bit (IEEE_FLOAT_32)"},
        RefusalCase{"NoDataFile", [](auto& w) { w.writeData = false; }, "the data file is missing"},
        // Read from the header's folder only, even when a file of the name lies there.
        RefusalCase{"DataFileUpward", [](auto& w) { Set(w, "DataFile", "DataFile=../rec.eeg"); },
                    "the data file \"../rec.eeg\" is not a file name of the header's folder"},
        RefusalCase{"DataFileAbsolute",
                    [](auto& w) { Set(w, "DataFile", "DataFile=/tmp/rec.eeg"); },
                    "the data file \"/tmp/rec.eeg\" is not a file name"},
        RefusalCase{"MarkerFileUpward",
                    [](auto& w) { Set(w, "MarkerFile", "MarkerFile=..\\$b.vmrk"); },
                    "the marker file \"..\\$b.vmrk\" is not a file name"},
        RefusalCase{"MarkerFileDrive",
                    [](auto& w) { Set(w, "MarkerFile", "MarkerFile=C:rec.vmrk"); },
                    "the marker file \"C:rec.vmrk\" is not a file name"},
        RefusalCase{"NoCompleteFrame", [](auto& w) { w.data = "\x01\x02\x03"; },
                    "no complete frame"},
        RefusalCase{"BadDate",
                    [](auto& w) { w.markers = {"Mk1=New Segment,,1,1,0,20231301000000000000"}; },
                    "is not a date"},
        RefusalCase{"OneMegahertz",
                    [](auto& w) { Set(w, "SamplingInterval", "SamplingInterval=1"); },
                    "lie closer than 2 us apart"},
        RefusalCase{"February29In1900",
                    [](auto& w) { w.markers = {"Mk1=New Segment,,1,1,0,19000229000000000000"}; },
                    "marker Mk1's date 19000229000000000000 is not a date"},
        RefusalCase{"BeforeDayZero",
                    [](auto& w) { w.markers = {"Mk1=New Segment,,1,1,0,18991229000000000000"}; },
                    "1899-12-29 00:00:00 lies outside the dates from 1899-12-30"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(BrainVisionDataTest, EveryStorageGivesTheSameSamples) {
  // The default samples stored four ways; the reader must give back the same values.
  struct Case {
    const char* name;
    std::vector<std::string> common, binary;
    std::string (*bytes)();
  };
  const auto transform = [](bool vectorized, bool big, bool unsign) {
    std::string out;
    const int channels = 2, frames = 10;
    for (int outer = 0; outer < (vectorized ? channels : frames); ++outer) {
      for (int inner = 0; inner < (vectorized ? frames : channels); ++inner) {
        const int c = vectorized ? outer : inner, k = vectorized ? inner : outer;
        auto v = static_cast<std::uint16_t>(SampleValue(static_cast<std::size_t>(c), k));
        if (unsign) v = static_cast<std::uint16_t>(v ^ 0x8000);
        const char lo = static_cast<char>(v & 0xFF), hi = static_cast<char>(v >> 8);
        out += big ? hi : lo;
        out += big ? lo : hi;
      }
    }
    return out;
  };
  const std::vector<std::tuple<const char*, std::string, std::string, std::string>> cases = {
      {"Multiplexed", "DataOrientation=MULTIPLEXED", "BinaryFormat=INT_16",
       transform(false, false, false)},
      {"Vectorized", "DataOrientation=VECTORIZED", "BinaryFormat=INT_16",
       transform(true, false, false)},
      {"BigEndian", "DataOrientation=MULTIPLEXED", "UseBigEndianOrder=YES",
       transform(false, true, false)},
      {"LittleEndianSaidSo", "DataOrientation=MULTIPLEXED", "UseBigEndianOrder=NO",
       transform(false, false, false)},
      {"Unsigned", "DataOrientation=VECTORIZED", "BinaryFormat=UINT_16",
       transform(true, false, true)},
  };
  for (const auto& [name, orientation, binary, bytes] : cases) {
    edf_test::TemporaryDirectory directory;
    BrainVisionWriter writer;
    Set(writer, "DataOrientation", orientation);
    writer.binaryInfos = {binary};
    writer.data = bytes + "\x01";  // a trailing partial frame is left out
    auto opened = Open(writer, directory);
    ASSERT_TRUE(opened.Ok()) << name << ": " << opened.Reason();
    const auto samples = SegmentSamples(opened.Value(), 0);
    ASSERT_EQ(samples.size(), 2u) << name;
    for (std::size_t c = 0; c < 2; ++c) {
      ASSERT_EQ(samples[c].size(), 10u) << name;
      for (int k = 0; k < 10; ++k)
        EXPECT_EQ(samples[c][k], SampleValue(c, k)) << name << " " << c << " " << k;
    }
  }
}

// Segment s starts at its New Segment's sample: each segment's samples are the file's from
// there, in either orientation.
TEST(BrainVisionDataTest, EverySegmentGivesItsOwnSamples) {
  for (const bool vectorized : {false, true}) {
    edf_test::TemporaryDirectory directory;
    BrainVisionWriter writer;
    if (vectorized) {
      Set(writer, "DataOrientation", "DataOrientation=VECTORIZED");
      std::vector<std::int16_t> samples;
      for (std::size_t c = 0; c < 2; ++c) {
        for (int k = 0; k < 10; ++k) samples.push_back(SampleValue(c, k));
      }
      writer.data = brainvision_writer::Int16Bytes(samples);
    }
    writer.markers = {"Mk1=New Segment,,4,1,0", "Mk2=New Segment,,8,1,0"};
    auto opened = Open(writer, directory);
    ASSERT_TRUE(opened.Ok()) << opened.Reason();
    const std::int64_t firstFrames[] = {0, 3, 7};
    ASSERT_EQ(opened.Value().segments.size(), 3u);
    for (std::size_t s = 0; s < 3; ++s) {
      const auto samples = SegmentSamples(opened.Value(), s);
      const std::int64_t frames = opened.Value().segments[s].frameCount;
      for (std::size_t c = 0; c < 2; ++c) {
        ASSERT_EQ(static_cast<std::int64_t>(samples[c].size()), frames);
        for (std::int64_t k = 0; k < frames; ++k) {
          EXPECT_EQ(samples[c][k], SampleValue(c, firstFrames[s] + k))
              << (vectorized ? "vectorized" : "multiplexed") << " segment " << s << " channel "
              << c << " sample " << k;
        }
      }
    }
  }
}

TEST(BrainVisionRateTest, IntervalDecimalIsExact) {
  for (const auto& [interval, rate] : std::vector<std::pair<std::string, double>>{
           {"1953.125", 512.0}, {"1000", 1000.0}, {"0.5", 2000000.0}, {"3", 1e6 / 3}}) {
    edf_test::TemporaryDirectory directory;
    BrainVisionWriter writer;
    Set(writer, "SamplingInterval", "SamplingInterval=" + interval);
    auto opened = Open(writer, directory);
    ASSERT_TRUE(opened.Ok()) << interval << ": " << opened.Reason();
    EXPECT_EQ(model::SamplingRate(opened.Value().layouts[0], 1), rate) << interval;
  }
}

TEST(BrainVisionMarkerTest, SegmentsAndEventsFollowTheNewSegmentMarkers) {
  edf_test::TemporaryDirectory directory;
  BrainVisionWriter writer;
  writer.markers = {"Mk1=Stimulus,S  1,2,1,0",  // before any New Segment
                    "; a comment between entries",
                    "Mk2=New Segment,,4,1,0,20200102030405123456",
                    "Mk5=Response,R  1,5,2,1",  // a gap in the numbers
                    "Mk6=New Segment,,8,1,0",   // no date: where 2 ends
                    "Mk7=Comment,a=b\\1c\x01"
                    "d,20,0,0",  // past the end; '=' in a value
                    "Mk8=Stimulus,,9,0,0",
                    "Mk9=New Segment,,11,1,0,20300101000000000000"};  // past the end: dropped
  auto opened = Open(writer, directory);
  ASSERT_TRUE(opened.Ok()) << opened.Reason();
  const model::Recording& r = opened.Value();
  const std::int64_t dated = *model::TicksOfDate(2020, 1, 2, 3, 4, 5, 123456);
  ASSERT_EQ(r.segments.size(), 3u);
  EXPECT_EQ(r.segments[0].startTicks, 0);  // day 0: no date for the first segment
  EXPECT_EQ(r.segments[0].frameCount, 3);
  EXPECT_EQ(r.segments[1].startTicks, dated);
  EXPECT_EQ(r.segments[1].frameCount, 4);
  EXPECT_EQ(r.segments[2].startTicks, dated + 4 * kMs);
  EXPECT_EQ(r.segments[2].frameCount, 3);
  struct Expected {
    std::int64_t time, duration;
    std::u16string text1, text2, label;
  };
  const std::vector<Expected> expected = {
      {1 * kMs, 1 * kMs, u"S  1", u"Stimulus", u"S  1"},
      {dated + 1 * kMs, 2 * kMs, u"R  1", u"Response", u"R  1"},
      {dated + 5 * kMs, 0, u"Stimulus", u"Stimulus", u""},
      {dated + 16 * kMs, 0, u"a=b,c,d", u"Comment", u"a=b,c,d"}};
  ASSERT_EQ(r.events.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const model::Event& e = r.events[i];
    EXPECT_EQ(e.timeTicks, expected[i].time) << i;
    EXPECT_EQ(e.durationTicks, expected[i].duration) << i;
    EXPECT_EQ(r.eventKinds[e.kind].text1, expected[i].text1) << i;
    EXPECT_EQ(r.eventKinds[e.kind].text2, expected[i].text2) << i;
    EXPECT_EQ(e.label, expected[i].label) << i;
  }
}

TEST(BrainVisionTextTest, NamesFollowTheCodepageRules) {
  struct Case {
    std::string codepage, name;
    std::u16string expected;
  };
  const std::vector<Case> cases = {
      {"Codepage=UTF-8", "\xC2\xB5V", U(u"\u00B5V")},
      {"Codepage=UTF-8", "\xB5V", U(u"\u00B5V")},  // not UTF-8: Latin-1
      {"Codepage=ANSI", "\x80", U(u"\u20AC")},     // Windows-1252
      {"X=1", "\xC3\xA9", U(u"\u00E9")},           // no Codepage: UTF-8 when valid
      {"X=1", "\x80\xE9", U(u"\u20AC\u00E9")},     // else Windows-1252
      {"X=1", "a\\1b", U(u"a,b")}};
  for (const Case& c : cases) {
    edf_test::TemporaryDirectory directory;
    BrainVisionWriter writer;
    Set(writer, "Codepage", c.codepage);
    writer.channels[0] = "Ch1=" + c.name + ",,0.1";
    auto opened = Open(writer, directory);
    ASSERT_TRUE(opened.Ok()) << opened.Reason();
    EXPECT_EQ(opened.Value().layouts[0].channels[0].name, c.expected)
        << c.codepage << " " << c.name;
  }
}

TEST(BrainVisionFilesTest, MissingNamesFallBackAndAHeaderWithoutIdentificationOpens) {
  edf_test::TemporaryDirectory directory;
  BrainVisionWriter writer;
  writer.identification = "";
  Set(writer, "DataFile", "DataFile=$b_missing.eeg");
  Set(writer, "MarkerFile", "MarkerFile=gone.vmrk");
  writer.markers = {"Mk1=Stimulus,S  1,2,0,0"};
  auto opened = Open(writer, directory);
  ASSERT_TRUE(opened.Ok()) << opened.Reason();
  EXPECT_EQ(opened.Value().events.size(), 1u);
  writer.writeMarkers = false;
  std::filesystem::remove(
      std::filesystem::path(writer.Write(directory)).replace_extension(".vmrk"));
  auto without = formats::OpenRecordingFile(writer.Write(directory));
  ASSERT_TRUE(without.Ok()) << without.Reason();
  EXPECT_TRUE(without.Value().events.empty());
}

struct WarningCase {
  const char* name;
  void (*change)(BrainVisionWriter&);
  std::vector<std::string> warnings;
};

void PrintTo(const WarningCase& c, std::ostream* out) { *out << c.name; }

class BrainVisionWarningTest : public ::testing::TestWithParam<WarningCase> {};

// What the rules forgive opens, and is said.
TEST_P(BrainVisionWarningTest, ForgivenFilesOpenWithTheirWarnings) {
  edf_test::TemporaryDirectory directory;
  BrainVisionWriter writer;
  GetParam().change(writer);
  const auto opened = Open(writer, directory);
  ASSERT_TRUE(opened.Ok()) << opened.Reason();
  EXPECT_EQ(opened.Value().warnings, GetParam().warnings);
}

// 10 frames of 2 channels, 4 bytes each.
INSTANTIATE_TEST_SUITE_P(
    Rules, BrainVisionWarningTest,
    ::testing::Values(
        WarningCase{"Clean", [](auto& w) { w.markers = {"Mk1=Stimulus,S  1,10,0,0"}; }, {}},
        WarningCase{"PartialFrame",
                    [](auto& w) { w.data = brainvision_test::Int16Multiplexed(2, 10) + "abc"; },
                    {"the data file ends in a partial frame (3 of 4 bytes), which is not read"}},
        WarningCase{"FallbackFiles",
                    [](auto& w) {
                      Set(w, "DataFile", "DataFile=gone.eeg");
                      Set(w, "MarkerFile", "MarkerFile=$b-gone.vmrk");
                    },
                    {"the data file gone.eeg is missing; rec.eeg is read instead",
                     "the marker file $b-gone.vmrk is missing; rec.vmrk is read instead"}},
        WarningCase{"MarkerPositionNotANumber",
                    [](auto& w) {
                      w.markers = {"Mk1=Stimulus,S  1,2,0,0", "Mk3=Stimulus,S 1,abc,1,0",
                                   "Mk4=Stimulus,S  1,10,0,0"};
                    },
                    {"marker Mk3 is left out: not type,description,position,points,channel "
                     "with a position from 1 and points from 0"}},
        WarningCase{"MarkersPastTheEnd",
                    [](auto& w) {
                      w.markers = {"Mk1=Stimulus,S  1,11,0,0", "Mk2=Stimulus,S  2,99,0,0",
                                   "Mk3=New Segment,,50,1,0,20240101000000000000"};
                    },
                    {"2 markers lie after the last sample of the data file (10 samples a "
                     "channel); placed in the last segment"}}),
    [](const auto& info) { return std::string(info.param.name); });

// Files written by other programs, when this workplace has them.
TEST(BrainVisionSamplesTest, SharedRecordingsOpenOrAreRefusedWithTheReason) {
  const std::filesystem::path folder =
      std::filesystem::path(TAPLINE_SOURCE_DIR) / ".." / "shared" / "samples" / "brainvision";
  if (!std::filesystem::exists(folder / "test.vhdr"))
    GTEST_SKIP() << "no shared samples in " << folder;
  auto test = formats::OpenRecordingFile(folder / "test.vhdr");
  ASSERT_TRUE(test.Ok()) << test.Reason();
  ASSERT_EQ(test.Value().segments.size(), 1u);
  EXPECT_EQ(test.Value().layouts[0].channels.size(), 32u);
  EXPECT_EQ(test.Value().segments[0].frameCount, 7900);
  EXPECT_EQ(model::SamplingRate(test.Value().layouts[0], 0), 1000.0);
  auto v2 = formats::OpenRecordingFile(folder / "testv2.vhdr");
  ASSERT_TRUE(v2.Ok()) << v2.Reason();
  auto old = formats::OpenRecordingFile(folder / "test_old_layout_latin1_software_filter.vhdr");
  ASSERT_FALSE(old.Ok());
  EXPECT_NE(old.Reason().find("IEEE_FLOAT_32"), std::string::npos) << old.Reason();
}

}  // namespace
