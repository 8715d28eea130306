// The record with one signal file per sample format, against the reference output, which is
// stored gzip-compressed (read through the system's gzip). Skipped, saying so, where the shared
// samples folder is absent.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <sstream>

#include "formats/wfdb/group_reader.h"
#include "memory_file.h"
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

TEST(SharedWfdbFormatsTest, EveryFormatThatFitsSixteenBitsMatchesTheReference) {
  if (!std::filesystem::is_directory(kSamples)) GTEST_SKIP() << "no shared samples at " << kSamples.string();
  auto header = wfdb::ParseHeader(FileBytes(kSamples / "binformats.hea"));
  ASSERT_TRUE(header.Ok()) << header.Reason();
  std::istringstream reference(Gunzipped(kSamples / "reference-output/record-1f.gz"));
  const std::vector<std::vector<std::string>> rows = wfdb_test::Rows(reference);
  ASSERT_EQ(rows.size(), 499u);
  const auto& signals = header.Value().signals;
  for (std::size_t s = 0; s < signals.size(); ++s) {
    auto group = wfdb::GroupSignals(std::span(signals).subspan(s, 1));
    if (signals[s].format == 24 || signals[s].format == 32) {
      EXPECT_FALSE(group.Ok());
      continue;
    }
    ASSERT_TRUE(group.Ok()) << group.Reason();
    wfdb::GroupReader reader(group.Value()[0], std::make_unique<wfdb_test::MemoryFile>(
                                                   FileBytes(kSamples / signals[s].fileName), nullptr));
    std::vector<std::int16_t> samples(499);
    const wfdb::MemberRead read{0, 0, 499, samples.data()};
    ASSERT_TRUE(reader.Read(std::span(&read, 1))) << "format " << signals[s].format;
    for (std::size_t row = 0; row < rows.size(); ++row) {
      ASSERT_EQ(std::to_string(samples[row]), rows[row].at(s)) << "format " << signals[s].format << " row " << row;
    }
  }
}

}  // namespace
