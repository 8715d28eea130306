// Real records written by other programs, against what the reference tools print for them.
// Skipped, saying so, where the shared samples folder is absent.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "formats/wfdb/group_reader.h"
#include "formats/wfdb/mit_annotations.h"
#include "memory_file.h"

namespace {

const std::filesystem::path kSamples = std::filesystem::path(TAPLINE_SHARED_SAMPLES) / "wfdb";

std::string FileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// The columns of a reference output, one row per line.
std::vector<std::vector<std::string>> Rows(const std::filesystem::path& path) {
  std::ifstream in(path);
  std::vector<std::vector<std::string>> rows;
  for (std::string line; std::getline(in, line);) {
    std::istringstream fields(line);
    rows.emplace_back();
    for (std::string field; fields >> field;) rows.back().push_back(field);
  }
  return rows;
}

class SharedWfdbSamplesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::filesystem::is_directory(kSamples)) {
      GTEST_SKIP() << "no shared samples at " << kSamples.string();
    }
  }

  // Every signal's samples of a single-segment record, read through its groups.
  static std::vector<std::vector<std::int16_t>> ReadRecord(const std::string& headerName) {
    auto header = wfdb::ParseHeader(FileBytes(kSamples / headerName));
    EXPECT_TRUE(header.Ok()) << header.Reason();
    const auto& signals = header.Value().signals;
    auto groups = wfdb::GroupSignals(signals);
    EXPECT_TRUE(groups.Ok()) << groups.Reason();
    std::vector<std::vector<std::int16_t>> samples(signals.size());
    for (const auto& group : groups.Value()) {
      wfdb::GroupReader reader(group, std::make_unique<wfdb_test::MemoryFile>(
                                          FileBytes(kSamples / group.fileName), nullptr));
      const std::int64_t frames = std::min(header.Value().record.frameCount, reader.FramesInFile());
      for (std::size_t m = 0; m < group.members.size(); ++m) {
        auto& out = samples[group.members[m].signal];
        out.resize(static_cast<std::size_t>(wfdb::GroupReader::MemberSamples(group.members[m], frames)));
        const wfdb::MemberRead read{m, 0, static_cast<std::int64_t>(out.size()), out.data()};
        EXPECT_TRUE(reader.Read(std::span(&read, 1)));
      }
    }
    return samples;
  }

  // Compares signal `signal` from sample `first` on with column `column` of every row.
  static void ExpectColumn(const std::vector<std::int16_t>& samples, std::size_t first,
                           const std::vector<std::vector<std::string>>& rows, std::size_t column) {
    ASSERT_GE(samples.size(), first + rows.size());
    for (std::size_t row = 0; row < rows.size(); ++row) {
      ASSERT_EQ(std::to_string(samples[first + row]), rows[row].at(column)) << "row " << row;
    }
  }
};

TEST_F(SharedWfdbSamplesTest, Format16RecordOfFourSignals) {
  const auto samples = ReadRecord("test01_00s.hea");
  const auto rows = Rows(kSamples / "reference-output/record-1a");
  ASSERT_EQ(rows.size(), 4000u);
  for (std::size_t s = 0; s < 4; ++s) ExpectColumn(samples[s], 0, rows, s);
}

TEST_F(SharedWfdbSamplesTest, Format212SecondSignalFromItsSecondSample) {
  const auto samples = ReadRecord("100.hea");
  ExpectColumn(samples[1], 1, Rows(kSamples / "reference-output/record-2b"), 0);
}

TEST_F(SharedWfdbSamplesTest, Format310FromItsThirdSample) {
  const auto samples = ReadRecord("310derive.hea");
  const auto rows = Rows(kSamples / "reference-output/record-2d");
  for (std::size_t s = 0; s < 2; ++s) ExpectColumn(samples[s], 2, rows, s);
}

TEST_F(SharedWfdbSamplesTest, SamplesPerFrameAndSkewMatchTheFrameMeans) {
  const auto samples = ReadRecord("03700181.hea");
  const auto rows = Rows(kSamples / "reference-output/record-4b");
  ASSERT_EQ(rows.size(), 75000u - 4);
  ExpectColumn(samples[1], 0, rows, 1);
  ExpectColumn(samples[2], 0, rows, 2);  // skew 4: its sample i is in frame i + 4
  for (std::size_t row = 0; row < rows.size(); ++row) {
    // The reference prints a frame's mean of the 4 samples as their sum / 4 in C, truncated
    // towards zero (-3371 gives -842, 554 gives 138).
    int sum = 0;
    for (std::size_t k = 0; k < 4; ++k) sum += samples[0][4 * row + k];
    const int mean = sum / 4;
    ASSERT_EQ(std::to_string(mean), rows[row][0]) << "row " << row;
  }
}

TEST_F(SharedWfdbSamplesTest, AnnotationsOfRecord100) {
  const std::string bytes = FileBytes(kSamples / "100.atr");
  const auto file = wfdb::DecodeMitAnnotations(std::as_bytes(std::span(bytes)));
  ASSERT_TRUE(file.Ok()) << file.Reason();
  std::ifstream in(kSamples / "reference-output/ann-1");
  std::size_t i = 0;
  for (std::string line; std::getline(in, line); ++i) {
    ASSERT_LT(i, file.Value().annotations.size());
    const auto& a = file.Value().annotations[i];
    const auto tab = line.find('\t');
    std::istringstream fields(line.substr(0, tab));
    std::string time, sample, mnemonic, subtype, channel, number;
    fields >> time >> sample >> mnemonic >> subtype >> channel >> number;
    EXPECT_EQ(std::to_string(a.ticks), sample) << "line " << i;
    EXPECT_EQ(file.Value().LabelOf(a.code).mnemonic, mnemonic) << "line " << i;
    EXPECT_EQ(std::to_string(a.subtype) + " " + std::to_string(a.channel) + " " + std::to_string(a.number),
              subtype + " " + channel + " " + number) << "line " << i;
    EXPECT_EQ(a.aux, tab == std::string::npos ? "" : line.substr(tab + 1)) << "line " << i;
  }
  EXPECT_EQ(i, file.Value().annotations.size());
  EXPECT_EQ(i, 2274u);
}

}  // namespace
