// The records with one signal file per sample format (FLAC's too), against the reference output,
// which is stored gzip-compressed (read through the system's gzip). Skipped, saying so, where the shared
// samples folder is absent.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <sstream>

#include "formats/wfdb/flac_decoder.h"
#include "formats/wfdb/record.h"
#include "shared_samples.h"

namespace {

using wfdb_test::FileBytes;
using wfdb_test::kSamples;

std::string Gunzipped(const std::filesystem::path& path) {
  std::string text;
  FILE* pipe = popen(("gzip -dc '" + path.string() + "'").c_str(), "r");
  if (!pipe) return text;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) text.append(buffer, n);
  pclose(pipe);
  return text;
}

struct FormatsRecord {
  const char* header;
  const char* reference;
  std::vector<std::string> warnings;  // the signals beyond 16 bits, left out
};

class SharedWfdbFormatsTest : public ::testing::TestWithParam<FormatsRecord> {};

// Each signal the record serves equals its column of the reference output; the signals beyond
// 16 bits are left out, saying so.
TEST_P(SharedWfdbFormatsTest, ServedSignalsMatchTheReferenceAndWideOnesAreLeftOut) {
  if (!std::filesystem::is_directory(kSamples)) GTEST_SKIP() << "no shared samples at " << kSamples.string();
  const FormatsRecord& c = GetParam();
  auto opened = wfdb::Record::Open(kSamples / c.header);
  if (!wfdb::HaveFlacDecoder() && std::string(c.header) == "flacformats.hea") {
    ASSERT_FALSE(opened.Ok());
    EXPECT_EQ(opened.Reason(), "signal 0 (sig 0, fmt 508): format 508 needs the FLAC decoder, which this build lacks");
    return;
  }
  ASSERT_TRUE(opened.Ok()) << opened.Reason();
  wfdb::Record& record = *opened.Value();
  std::istringstream reference(Gunzipped(kSamples / "reference-output" / c.reference));
  const std::vector<std::vector<std::string>> rows = wfdb_test::Rows(reference);
  ASSERT_EQ(rows.size(), 499u);
  const auto& channels = record.Segments().at(0).channels;
  ASSERT_EQ(channels.size(), record.TopHeader().signals.size() - c.warnings.size());
  for (std::size_t c = 0; c < channels.size(); ++c) {
    ASSERT_EQ(channels[c].sampleCount, 499);
    std::vector<std::int16_t> samples(499);
    const wfdb::Record::ChannelRead read{c, 0, 499, samples.data()};
    ASSERT_TRUE(record.Read(0, std::span(&read, 1))) << channels[c].name;
    for (std::size_t row = 0; row < rows.size(); ++row) {
      ASSERT_EQ(std::to_string(samples[row]), rows[row].at(channels[c].signalIndex)) << channels[c].name << " row " << row;
    }
  }
  EXPECT_EQ(record.Warnings(), c.warnings);
}

INSTANTIATE_TEST_SUITE_P(
    Records, SharedWfdbFormatsTest,
    ::testing::Values(
        FormatsRecord{"binformats.hea", "record-1f.gz",
                      {"signal 8 (sig 8, fmt 24) (format 24) holds values from -8388599 to 8325617, beyond 16 bits: left out",
                       "signal 9 (sig 9, fmt 32) (format 32) holds values from -2147483638 to 2130643188, beyond 16 bits: left out"}},
        FormatsRecord{"flacformats.hea", "record-flac.gz",
                      {"signal 2 (sig 2, fmt 524) (format 524) holds values from -8388605 to 8325611, beyond 16 bits: left out"}}));

}  // namespace
