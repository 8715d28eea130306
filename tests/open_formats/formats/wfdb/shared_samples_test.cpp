// Real records written by other programs, against what the reference tools print for them.
// Skipped, saying so, where the shared samples folder is absent.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/calendar.h"
#include "edf_test_files.h"
#include "formats/format_registry.h"
#include "formats/wfdb/group_reader.h"
#include "formats/wfdb/mit_annotations.h"
#include "formats/wfdb/record.h"
#include "memory_file.h"
#include "model/sample_grid.h"
#include "shared_samples.h"

namespace {

using wfdb_test::FileBytes;
using wfdb_test::kSamples;
using wfdb_test::Rows;

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
  // The skewed channel holds as many samples as the reference prints rows.
  auto opened = formats::OpenRecordingFile(kSamples / "03700181.hea");
  ASSERT_TRUE(opened.Ok()) << opened.Reason();
  EXPECT_EQ(model::GridOf(opened.Value(), 0, 2).sampleCount, static_cast<std::int64_t>(rows.size()));
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

std::vector<std::int16_t> ReadChannel(wfdb::Record& record, std::size_t segment, std::size_t channel) {
  std::vector<std::int16_t> out(
      static_cast<std::size_t>(record.Segments().at(segment).channels.at(channel).sampleCount));
  const wfdb::Record::ChannelRead read{channel, 0, static_cast<std::int64_t>(out.size()), out.data()};
  EXPECT_TRUE(record.Read(segment, std::span(&read, 1)));
  return out;
}

TEST_F(SharedWfdbSamplesTest, FixedLayoutRecordIsOneSegmentOfPhysicalValues) {
  auto record = wfdb::Record::Open(kSamples / "multi-segment/fixed1/v102s.hea");
  ASSERT_TRUE(record.Ok()) << record.Reason();
  ASSERT_EQ(record.Value()->Segments().size(), 1u);
  const auto& segment = record.Value()->Segments()[0];
  ASSERT_EQ(segment.channels.size(), 4u);
  EXPECT_EQ(segment.channels[3].sampleCount, 225000);
  const auto rows = Rows(kSamples / "reference-output/record-multi-fixed-c");  // frames 70000..79999
  ASSERT_EQ(rows.size(), 10000u);
  const std::size_t order[] = {1, 0, 3};
  for (std::size_t column = 0; column < 3; ++column) {
    const auto& channel = segment.channels[order[column]];
    const auto samples = ReadChannel(*record.Value(), 0, order[column]);
    for (std::size_t row = 0; row < rows.size(); ++row) {
      if (rows[row][column] == "-") {  // how the reference prints an invalid sample
        ASSERT_EQ(samples[70000 + row], -32768) << "row " << row << " column " << column;
        continue;
      }
      const double physical = (samples[70000 + row] - channel.baseline) / channel.gain;
      ASSERT_NEAR(physical, std::stod(rows[row][column]), 5.1e-9) << "row " << row << " column " << column;
    }
  }
}

TEST_F(SharedWfdbSamplesTest, VariableLayoutRecordKeepsGapsAndStoredValues) {
  // The shared folder holds the first segments only: the record is cut after them, in a
  // folder of the test's own.
  edf_test::TemporaryDirectory folder;
  const auto source = kSamples / "multi-segment/p000878";
  for (const char* name : {"3269321_layout.hea", "3269321_0001.hea", "3269321_0001.dat", "3269321_0002.hea",
                           "3269321_0002.dat"}) {
    std::filesystem::copy_file(source / name, folder.path() / name);
  }
  folder.Write("p000878.hea",
               "p000878/4 4 125 7500 16:57:09.000 26/10/2137\n3269321_layout 0\n~ 3750\n"
               "3269321_0001 2000\n3269321_0002 1750\n");
  auto record = wfdb::Record::Open(folder.path() / "p000878.hea");
  ASSERT_TRUE(record.Ok()) << record.Reason();
  const auto& segments = record.Value()->Segments();
  ASSERT_EQ(segments.size(), 2u);
  const std::int64_t start = common::DayNumberOf({2137, 10, 26}) * wfdb::kTicksPerDay +
                             (16 * 3600 + 57 * 60 + 9) * wfdb::kTicksPerSecond;
  EXPECT_EQ(segments[0].startTicks, start + 30 * wfdb::kTicksPerSecond);  // after the 3750-frame gap
  EXPECT_EQ(segments[1].startTicks, start + 46 * wfdb::kTicksPerSecond);
  ASSERT_EQ(segments[0].channels.size(), 1u);
  ASSERT_EQ(segments[1].channels.size(), 2u);
  EXPECT_EQ(segments[1].channels[0].name, "II");

  // Rows are frames 3550..7499, columns PLETH and II; the reference printed invalid samples
  // and absent signals as -128.
  const auto rows = Rows(kSamples / "reference-output/record-multi-variable-d");
  ASSERT_EQ(rows.size(), 3950u);
  const auto text = [](std::int16_t value) { return value == -32768 ? std::string("-128") : std::to_string(value); };
  for (std::size_t row = 0; row < 200; ++row) EXPECT_EQ(rows[row], (std::vector<std::string>{"-128", "-128"}));
  const auto pleth1 = ReadChannel(*record.Value(), 0, 0);
  for (std::size_t k = 0; k < 2000; ++k) {
    ASSERT_EQ(rows[200 + k], (std::vector<std::string>{text(pleth1[k]), "-128"})) << "frame " << k;
  }
  const auto ii = ReadChannel(*record.Value(), 1, 0);
  const auto pleth2 = ReadChannel(*record.Value(), 1, 1);
  for (std::size_t k = 0; k < 1750; ++k) {
    ASSERT_EQ(rows[2200 + k], (std::vector<std::string>{text(pleth2[k]), text(ii[k])})) << "frame " << k;
  }
}

}  // namespace
