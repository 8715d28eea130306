// Every sample format against bytes written out by hand (distinct bits, so that a wrong shift,
// nibble or byte order shows), then round trips from every starting sample.
#include "formats/wfdb/sample_formats.h"

#include "formats/wfdb/flac_decoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "wfdb_writer.h"

namespace {

using wfdb::DecodeSamples;

std::vector<std::byte> Bytes(std::initializer_list<int> values) {
  std::vector<std::byte> bytes;
  for (int value : values) bytes.push_back(static_cast<std::byte>(value));
  return bytes;
}

std::vector<std::int16_t> Decoded(int format, std::span<const std::byte> bytes, int skip,
                                  std::size_t count) {
  std::vector<std::int16_t> out(count);
  DecodeSamples(format, bytes, skip, static_cast<std::int64_t>(count), out.data());
  return out;
}

struct DecodeCase {
  int format;
  std::vector<std::byte> bytes;
  int skip;
  std::vector<std::int16_t> expected;
};

class DecodeTest : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(DecodeTest, GivesStoredValuesWithEveryInvalidValueAsMinus32768) {
  const auto& c = GetParam();
  EXPECT_EQ(Decoded(c.format, c.bytes, c.skip, c.expected.size()), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, DecodeTest,
    ::testing::Values(
        DecodeCase{8, Bytes({0x01, 0xFF, 0x80, 0x7F}), 0, {1, -1, -128, 127}},  // differences
        DecodeCase{16, Bytes({0x01, 0x02, 0xFF, 0xFF, 0x00, 0x80}), 0, {0x0201, -1, -32768}},
        DecodeCase{61, Bytes({0x01, 0x02, 0x80, 0x00, 0xFF, 0xFE}), 0, {0x0102, -32768, -2}},
        DecodeCase{80, Bytes({0x81, 0x7F, 0x00, 0xFF}), 0, {1, -1, -32768, 127}},
        DecodeCase{160, Bytes({0x01, 0x80, 0xFF, 0x7F, 0x00, 0x00}), 0, {1, -1, -32768}},
        DecodeCase{212, Bytes({0x23, 0x41, 0x56, 0xFF, 0x8F, 0x00}), 0, {0x123, 0x456, -1, -32768}},
        DecodeCase{212, Bytes({0x23, 0x41, 0x56, 0xFF, 0x8F, 0x00}), 1, {0x456, -1, -32768}},
        // s0 = 341 in bits 1-10 of the first word, s1 = 170 in the second's, s2 = -31 split
        // into the first word's top 5 bits (low part) and the second's (high part).
        DecodeCase{310, Bytes({0xAA, 0x0A, 0x54, 0xF9, 0x00, 0x04}), 0, {341, 170, -31, -32768}},
        DecodeCase{310, Bytes({0xAA, 0x0A, 0x54, 0xF9, 0x00, 0x04}), 2, {-31, -32768}},
        DecodeCase{311, Bytes({0x01, 0x00, 0xF8, 0x3F, 0xFF, 0x03, 0x00, 0x00}), 0, {1, -32768, -1, -1}},
        DecodeCase{311, Bytes({0x01, 0x00, 0xF8, 0x3F, 0xFF, 0x03, 0x00, 0x00}), 1, {-32768, -1, -1}}));

TEST(SampleFormatsTest, CountsOnlyWholeSamplesAndTheFirstOfAPartUnit) {
  const std::vector<std::tuple<int, std::int64_t, std::int64_t>> cases{
      {8, 3, 3},   {80, 0, 0},  {16, 5, 2},  {61, 1, 0},  {160, 4, 2}, {212, 3, 2},
      {212, 4, 2}, {212, 5, 3}, {212, 6, 4}, {310, 5, 3}, {310, 6, 4}, {310, 7, 4},
      {311, 5, 3}, {311, 6, 4}, {311, 7, 5}, {311, 8, 6}, {24, 31, 10}, {32, 31, 7},
      {516, 30, 0}, {212, -3, 0}};
  for (const auto& [format, bytes, samples] : cases) {
    EXPECT_EQ(wfdb::WholeSamplesIn(format, bytes), samples) << format << " " << bytes;
  }
}

TEST(SampleFormatsTest, SaysWhyAFormatCannotBeRead) {
  for (int format : {8, 16, 24, 32, 61, 80, 160, 212, 310, 311}) EXPECT_FALSE(wfdb::WhyUnreadable(format));
  for (int format : {508, 516, 524}) {
    if (wfdb::HaveFlacDecoder()) {
      EXPECT_FALSE(wfdb::WhyUnreadable(format));
    } else {
      EXPECT_EQ(wfdb::WhyUnreadable(format), ": format " + std::to_string(format) +
                                                 " needs the FLAC decoder, which this build lacks");
    }
  }
  EXPECT_EQ(wfdb::WhyUnreadable(7), " is in format 7, which is not a WFDB sample format");
}

struct RoundTripCase {
  int format;
  int bits;
};

class RoundTripTest : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(RoundTripTest, DecodesAnyRunFromAnySample) {
  const auto [format, bits] = GetParam();
  auto samples = wfdb_test::DistinctSamples(3, 31, bits);
  samples[7] = -32768;
  wfdb_test::WrittenSignal signal{format, 1, 0, 0, samples};
  const std::string file = wfdb_test::SignalFile(std::span(&signal, 1), 31);
  const auto bytes = std::as_bytes(std::span(file));
  const auto unit = *wfdb::UnitOf(format);
  ASSERT_GE(wfdb::WholeSamplesIn(format, static_cast<std::int64_t>(file.size())), 31);
  for (std::size_t first = 0; first < samples.size(); ++first) {
    const std::size_t count = samples.size() - first;
    const auto units = bytes.subspan(first / unit.samples * unit.bytes);
    EXPECT_EQ(Decoded(format, units, static_cast<int>(first % unit.samples), count),
              std::vector<std::int16_t>(samples.begin() + first, samples.end()))
        << "from sample " << first;
  }
}

TEST(SampleFormatsTest, Format212GivesEveryValueInEveryPlaceOfALongRun) {
  // Every 12-bit value, and a run of invalid ones, at each place of the units decoded together.
  auto samples = wfdb_test::DistinctSamples(0, 4095 + 16, 12);
  std::fill(samples.begin() + 64, samples.begin() + 80, std::int16_t{-32768});
  wfdb_test::WrittenSignal signal{212, 1, 0, 0, samples};
  const auto frames = static_cast<std::int64_t>(samples.size());
  const std::string file = wfdb_test::SignalFile(std::span(&signal, 1), frames);
  const auto bytes = std::as_bytes(std::span(file));
  for (std::size_t first = 0; first < 16; ++first) {
    // Ends on either sample of a unit.
    const std::size_t count = samples.size() - first - first % 3;
    EXPECT_EQ(Decoded(212, bytes.subspan(first / 2 * 3), static_cast<int>(first % 2), count),
              std::vector<std::int16_t>(samples.begin() + first, samples.begin() + first + count))
        << "from sample " << first;
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, RoundTripTest,
                         ::testing::Values(RoundTripCase{16, 16}, RoundTripCase{61, 16},
                                           RoundTripCase{80, 8}, RoundTripCase{160, 16},
                                           RoundTripCase{212, 12}, RoundTripCase{310, 10},
                                           RoundTripCase{311, 10}, RoundTripCase{24, 16},
                                           RoundTripCase{32, 16}));

TEST(SampleFormatsTest, WideFormatsGiveTheirStoredValuesAndLeaveOutTheInvalidOne) {
  const std::vector<std::int32_t> stream{1, -2, 8388607, -8388608, -8388607, 32767, -32767};
  const std::string file24 = wfdb_test::EncodeStream(24, stream);
  const std::string file32 = wfdb_test::EncodeStream(32, std::vector<std::int32_t>{INT32_MIN, INT32_MAX, -5});
  std::vector<std::optional<std::int64_t>> values24;
  for (std::size_t k = 0; k < stream.size(); ++k) values24.push_back(wfdb::WideStoredValue(24, std::as_bytes(std::span(file24)), 3 * k));
  EXPECT_EQ(values24, (std::vector<std::optional<std::int64_t>>{1, -2, 8388607, std::nullopt, -8388607, 32767, -32767}));
  EXPECT_EQ(wfdb::WideStoredValue(32, std::as_bytes(std::span(file32)), 0), std::nullopt);
  EXPECT_EQ(wfdb::WideStoredValue(32, std::as_bytes(std::span(file32)), 4), INT32_MAX);
  EXPECT_EQ(wfdb::WideStoredValue(32, std::as_bytes(std::span(file32)), 8), -5);
  // Read as 16 bits, what does not fit is invalid rather than cut.
  EXPECT_EQ(Decoded(24, std::as_bytes(std::span(file24)), 0, stream.size()),
            (std::vector<std::int16_t>{1, -2, -32768, -32768, -32768, 32767, -32767}));
}

}  // namespace
