// FLAC signal files written by libFLAC's encoder: every FLAC format with several signals,
// samples per frame and skew, windows from anywhere (a late one without decoding the stream
// before it), streams that disagree with the header, cut short or damaged.
#include "formats/wfdb/flac_decoder.h"

#include "formats/wfdb/sample_formats.h"

#include <gtest/gtest.h>

#include "memory_file.h"
#include "wfdb_flac_writer.h"

namespace {

using wfdb::MemberRead;
using wfdb_test::FlacOptions;
using wfdb_test::MemoryFile;

// Distinct values of each channel within `bits`, with the format's invalid value now and then.
std::vector<std::vector<std::int32_t>> Channels(std::size_t count, std::size_t samples, unsigned bits) {
  std::vector<std::vector<std::int32_t>> channels(count);
  const std::int64_t span = std::int64_t{1} << bits;
  for (std::size_t c = 0; c < count; ++c) {
    for (std::size_t k = 0; k < samples; ++k) {
      const std::int64_t value = static_cast<std::int64_t>((k * 7919 + c * 104729) % static_cast<std::size_t>(span - 1)) - span / 2 + 1;
      channels[c].push_back(static_cast<std::int32_t>(k % 97 == 13 ? -span / 2 : value));
    }
  }
  return channels;
}

// What a 16-bit read gives for a stored value of `bits`-bit samples.
std::int16_t Expected(std::int32_t value, unsigned bits) {
  return value == -(std::int32_t{1} << (bits - 1)) || value < -32767 || value > 32767 ? std::int16_t{-32768}
                                                                                     : static_cast<std::int16_t>(value);
}

unsigned FlacWidthOf(int format) { return static_cast<unsigned>(wfdb::FlacWidth(format)); }

wfdb::SignalGroup Group(int format, std::size_t members, std::int64_t samplesPerFrame, std::int64_t skew = 0) {
  wfdb::SignalGroup group{"r.flac", format, 0, 0, {}};
  for (std::size_t m = 0; m < members; ++m) {
    group.members.push_back({m, samplesPerFrame, group.samplesPerFrame, m == 1 ? skew : 0, 0});
    group.samplesPerFrame += samplesPerFrame;
  }
  return group;
}

std::unique_ptr<wfdb::SignalFileReader> Reader(wfdb::SignalGroup group, std::string bytes,
                                               std::int64_t* bytesRead = nullptr) {
  std::string why;
  auto reader = wfdb::OpenFlacReader(std::move(group), std::make_unique<MemoryFile>(std::move(bytes), bytesRead), why);
  EXPECT_TRUE(reader) << why;
  return reader;
}

std::string Refusal(wfdb::SignalGroup group, std::string bytes) {
  std::string why;
  EXPECT_FALSE(wfdb::OpenFlacReader(std::move(group), std::make_unique<MemoryFile>(std::move(bytes), nullptr), why));
  return why;
}

std::vector<std::int16_t> ReadOne(wfdb::SignalFileReader& reader, std::size_t member, std::int64_t first,
                                  std::int64_t count) {
  std::vector<std::int16_t> out(static_cast<std::size_t>(count));
  const MemberRead read{member, first, count, out.data()};
  EXPECT_TRUE(reader.Read(std::span(&read, 1))) << "member " << member << " from " << first;
  return out;
}

struct FlacCase {
  int format;
  unsigned bits;  // of the stream: at most the format's width
  std::size_t channels;
  std::int64_t samplesPerFrame;
  std::int64_t skew;  // of the second channel
  unsigned blockSize;
};

class FlacFormatTest : public ::testing::TestWithParam<FlacCase> {};

TEST_P(FlacFormatTest, ReadsEveryChannelFromAnySampleInAnyOrder) {
  const FlacCase& c = GetParam();
  constexpr std::int64_t kFrames = 3001;
  const auto channels = Channels(c.channels, static_cast<std::size_t>(kFrames * c.samplesPerFrame), c.bits);
  auto reader = Reader(Group(c.format, c.channels, c.samplesPerFrame, c.skew),
                       wfdb_test::FlacStream(channels, {c.bits, c.blockSize, true}));
  ASSERT_TRUE(reader);
  EXPECT_EQ(reader->FramesInFile(), kFrames);
  // Windows out of order: a seek back, one within the frame just decoded, one a little ahead.
  for (const std::int64_t frame : {std::int64_t{0}, kFrames - 40, std::int64_t{17}, std::int64_t{18}, std::int64_t{2500}, std::int64_t{900}}) {
    for (std::size_t m = 0; m < c.channels; ++m) {
      const std::int64_t skew = m == 1 ? c.skew : 0;
      const std::int64_t first = frame * c.samplesPerFrame;
      const std::int64_t count = std::min<std::int64_t>(37 * c.samplesPerFrame, (kFrames - skew) * c.samplesPerFrame - first);
      const auto got = ReadOne(*reader, m, first, count);
      for (std::int64_t k = 0; k < count; ++k) {
        ASSERT_EQ(got[static_cast<std::size_t>(k)],
                  Expected(channels[m][static_cast<std::size_t>(first + k + skew * c.samplesPerFrame)], FlacWidthOf(c.format)))
            << "member " << m << " sample " << first + k;
      }
    }
  }
  // Beyond the last sample a skewed channel holds.
  std::int16_t out = 0;
  const std::size_t skewed = c.channels > 1 ? 1 : 0;
  const MemberRead late{skewed, (kFrames - (skewed == 1 ? c.skew : 0)) * c.samplesPerFrame, 1, &out};
  EXPECT_FALSE(reader->Read(std::span(&late, 1)));
}

TEST_P(FlacFormatTest, ReadsAllChannelsTogetherInOnePass) {
  const FlacCase& c = GetParam();
  constexpr std::int64_t kFrames = 2000;
  const auto channels = Channels(c.channels, static_cast<std::size_t>(kFrames * c.samplesPerFrame), c.bits);
  auto reader = Reader(Group(c.format, c.channels, c.samplesPerFrame, c.skew),
                       wfdb_test::FlacStream(channels, {c.bits, c.blockSize, true}));
  ASSERT_TRUE(reader);
  std::vector<std::vector<std::int16_t>> outs(c.channels);
  std::vector<MemberRead> reads;
  for (std::size_t m = 0; m < c.channels; ++m) {
    outs[m].resize(static_cast<std::size_t>(wfdb::SignalFileReader::MemberSamples(reader->Group().members[m], kFrames)));
    reads.push_back({m, 0, static_cast<std::int64_t>(outs[m].size()), outs[m].data()});
  }
  ASSERT_TRUE(reader->Read(reads));
  for (std::size_t m = 0; m < c.channels; ++m) {
    const std::int64_t shift = (m == 1 ? c.skew : 0) * c.samplesPerFrame;
    for (std::size_t k = 0; k < outs[m].size(); ++k) {
      ASSERT_EQ(outs[m][k], Expected(channels[m][k + static_cast<std::size_t>(shift)], FlacWidthOf(c.format))) << m << " " << k;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Streams, FlacFormatTest,
                         ::testing::Values(FlacCase{508, 8, 1, 1, 0, 4096}, FlacCase{516, 16, 3, 1, 2, 1152},
                                           FlacCase{516, 12, 2, 4, 3, 576}, FlacCase{524, 24, 2, 1, 1, 4608},
                                           FlacCase{524, 16, 8, 2, 0, 192}, FlacCase{508, 6, 2, 3, 1, 4096}));

TEST(FlacDecoderTest, ReadsALateWindowWithoutDecodingTheStreamBeforeIt) {
  constexpr std::size_t kSamples = 2'000'000;
  const auto channels = Channels(2, kSamples, 16);
  const std::string stream = wfdb_test::FlacStream(channels);
  std::int64_t bytesRead = 0;
  auto reader = Reader(Group(516, 2, 1), stream, &bytesRead);
  ASSERT_TRUE(reader);
  bytesRead = 0;
  const auto got = ReadOne(*reader, 1, kSamples - 5000, 2000);
  EXPECT_EQ(got.front(), Expected(channels[1][kSamples - 5000], 16));
  EXPECT_EQ(got.back(), Expected(channels[1][kSamples - 3001], 16));
  // A seek reads frame headers along a search; far less than the stream.
  EXPECT_LT(bytesRead, static_cast<std::int64_t>(stream.size() / 20)) << "of " << stream.size();
}

TEST(FlacDecoderTest, CountsTheSamplesOfAStreamThatDoesNotSayOrIsCutShort) {
  const auto channels = Channels(2, 10'000, 16);
  auto unsaid = Reader(Group(516, 2, 2), wfdb_test::FlacStream(channels, {16, 1024, false}));
  ASSERT_TRUE(unsaid);
  EXPECT_EQ(unsaid->FramesInFile(), 5000);
  std::string stream = wfdb_test::FlacStream(channels, {16, 1024, true});
  stream.resize(stream.size() * 3 / 4);
  auto cut = Reader(Group(516, 2, 1), stream);
  ASSERT_TRUE(cut);
  // Whole FLAC frames of 1024 samples only, fewer than the stream information gives.
  EXPECT_LT(cut->FramesInFile(), 10'000);
  EXPECT_GT(cut->FramesInFile(), 6000);
  EXPECT_EQ(cut->FramesInFile() % 1024, 0);
  EXPECT_EQ(ReadOne(*cut, 0, cut->FramesInFile() - 3, 3).back(),
            Expected(channels[0][static_cast<std::size_t>(cut->FramesInFile() - 1)], 16));
}

TEST(FlacDecoderTest, FailsAReadOfADamagedFrameAndRecoversForTheNext) {
  const auto channels = Channels(1, 40'000, 16);
  std::string stream = wfdb_test::FlacStream(channels, {16, 4096, true});
  stream[stream.size() / 2] = static_cast<char>(stream[stream.size() / 2] ^ 0x5A);
  auto reader = Reader(Group(516, 1, 1), stream);
  ASSERT_TRUE(reader);
  std::vector<std::int16_t> all(40'000);
  const MemberRead whole{0, 0, 40'000, all.data()};
  EXPECT_FALSE(reader->Read(std::span(&whole, 1)));
  EXPECT_EQ(ReadOne(*reader, 0, 10, 5).front(), Expected(channels[0][10], 16));
}

TEST(FlacDecoderTest, GivesTheRangeOfEachChannelsValuesLeavingOutInvalidOnesAndSkewedFrames) {
  std::vector<std::vector<std::int32_t>> channels{{-8388608, 5, -70000, 3, 2}, {900000, -1, 4, -8388608, 6}};
  auto reader = Reader(Group(524, 2, 1, 1), wfdb_test::FlacStream(channels, {24, 16, true}));
  ASSERT_TRUE(reader);
  std::vector<wfdb::ValueRange> ranges;
  ASSERT_TRUE(reader->ScanValueRanges(4, ranges));
  ASSERT_EQ(ranges.size(), 2u);
  EXPECT_EQ(std::make_pair(ranges[0].lowest, ranges[0].highest), std::make_pair(std::int64_t{-70000}, std::int64_t{5}));
  // Frame 0 is not the skewed channel's; frame 4 is past those asked for.
  EXPECT_EQ(std::make_pair(ranges[1].lowest, ranges[1].highest), std::make_pair(std::int64_t{-1}, std::int64_t{4}));
  EXPECT_FALSE(ranges[0].FitsSixteenBits());
  EXPECT_TRUE(ranges[1].FitsSixteenBits());
}

struct FlacRefusal {
  wfdb::SignalGroup group;
  std::size_t channels;
  unsigned bits;
  const char* reason;
};

class FlacRefusalTest : public ::testing::TestWithParam<FlacRefusal> {};

TEST_P(FlacRefusalTest, SaysWhatDisagreesWithTheHeader) {
  const FlacRefusal& c = GetParam();
  EXPECT_EQ(Refusal(c.group, wfdb_test::FlacStream(Channels(c.channels, 100, c.bits), {c.bits, 4096, true})), c.reason);
}

INSTANTIATE_TEST_SUITE_P(
    Streams, FlacRefusalTest,
    ::testing::Values(FlacRefusal{Group(516, 2, 1), 3, 16, "r.flac holds 3 FLAC channels where the header gives 2 signals"},
                      FlacRefusal{Group(508, 1, 1), 1, 12, "r.flac holds 12-bit FLAC samples where format 508 holds at most 8"},
                      FlacRefusal{wfdb::SignalGroup{"r.flac", 516, 0, 3, {{0, 1, 0, 0, 0}, {1, 2, 1, 0, 0}}}, 2, 16,
                                  "the signals of r.flac differ in samples per frame, which one FLAC stream cannot hold"}));

TEST(FlacDecoderTest, RefusesAFileThatHoldsNoFlacStream) {
  EXPECT_EQ(Refusal(Group(516, 1, 1), std::string(100, '\x11')), "r.flac is in format 516 but holds no FLAC stream");
  EXPECT_EQ(Refusal(Group(516, 1, 1), "fLaC"), "r.flac holds no readable FLAC stream information");
}

TEST(FlacDecoderTest, SkipsTheByteOffsetBeforeTheStream) {
  const auto channels = Channels(1, 500, 16);
  wfdb::SignalGroup group = Group(516, 1, 1);
  group.byteOffset = 13;
  auto reader = Reader(group, std::string(13, '\xA5') + wfdb_test::FlacStream(channels));
  ASSERT_TRUE(reader);
  EXPECT_EQ(ReadOne(*reader, 0, 499, 1).front(), Expected(channels[0][499], 16));
}

}  // namespace
