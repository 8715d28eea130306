// The writers' streamed files hold the bytes their whole-file forms give, so a benchmark's
// large file is the file a test would write.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "edf_test_files.h"
#include "edf_writer.h"
#include "wfdb_writer.h"

namespace {

std::string ReadBack(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct EdfLayout {
  const char* name;
  std::vector<int> samplesPerRecord;  // 0: an annotation signal of 8 samples
  int records;
};

void PrintTo(const EdfLayout& c, std::ostream* out) { *out << c.name; }

class RecordStreamTest : public testing::TestWithParam<EdfLayout> {};

TEST_P(RecordStreamTest, WritesTheFileBytesAndTheirSize) {
  const EdfLayout& c = GetParam();
  edf_writer::EdfWriter writer;
  for (std::size_t s = 0; s < c.samplesPerRecord.size(); ++s) {
    if (c.samplesPerRecord[s] == 0) {
      writer.AddAnnotationSignal(8);
    } else {
      writer.AddSignal("S" + std::to_string(s), c.samplesPerRecord[s]);
    }
  }
  std::vector<std::vector<edf_writer::SignalData>> records;
  for (int r = 0; r < c.records; ++r) {
    std::vector<edf_writer::SignalData> record;
    for (std::size_t s = 0; s < c.samplesPerRecord.size(); ++s) {
      if (c.samplesPerRecord[s] == 0) {
        record.emplace_back(edf_writer::TimeKeepingTal("+" + std::to_string(r)));
      } else {
        record.emplace_back(edf_test::RecordSamples(s, r, c.samplesPerRecord[s]));
      }
    }
    records.push_back(record);
    writer.AddRecord(record);
  }
  const edf_test::TemporaryDirectory directory;
  const std::filesystem::path path = directory.path() / "streamed.edf";
  edf_writer::RecordStream stream(writer, path);
  for (const auto& record : records) stream.Write(record);
  EXPECT_FALSE(std::filesystem::exists(path)) << "named before it is finished";
  stream.Finish();

  EXPECT_EQ(ReadBack(path), writer.FileBytes());
  EXPECT_EQ(writer.FileSize(c.records), static_cast<std::int64_t>(writer.FileBytes().size()));
  EXPECT_FALSE(std::filesystem::exists(path.string() + ".partial"));
}

INSTANTIATE_TEST_SUITE_P(Layouts, RecordStreamTest,
                         testing::Values(EdfLayout{"OneSignal", {3}, 4},
                                         EdfLayout{"MixedRatesAndAnnotations", {5, 0, 2}, 3},
                                         EdfLayout{"NoRecords", {1, 0}, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

struct StreamPieces {
  int format;
  std::size_t piece;  // samples per Write
};

class SignalFileStreamTest : public testing::TestWithParam<StreamPieces> {};

// 212, 310 and 311 pack two or three samples into a unit: pieces that end inside one must
// not change the bytes, nor the last part-unit of a stream of 11 samples.
TEST_P(SignalFileStreamTest, PiecesMakeTheWholeStream) {
  const StreamPieces& c = GetParam();
  const int bits = c.format == 8 || c.format == 80 ? 8 : c.format == 212 ? 12 : c.format >= 310 ? 10 : 16;
  std::vector<std::int32_t> stream;
  for (std::int16_t sample : wfdb_test::DistinctSamples(0, 11, bits)) stream.push_back(sample);
  const edf_test::TemporaryDirectory directory;
  const std::filesystem::path path = directory.path() / "r.dat";
  wfdb_test::SignalFileStream out(path, c.format);
  for (std::size_t first = 0; first < stream.size(); first += c.piece) {
    out.Write(std::span(stream).subspan(first, std::min(c.piece, stream.size() - first)));
  }
  out.Finish();
  EXPECT_EQ(ReadBack(path), wfdb_test::EncodeStream(c.format, stream));
}

std::vector<StreamPieces> AllFormatsAndPieces() {
  std::vector<StreamPieces> cases;
  for (int format : {8, 16, 61, 80, 160, 212, 310, 311}) {
    for (std::size_t piece : {1, 2, 4, 11}) cases.push_back({format, piece});
  }
  return cases;
}

INSTANTIATE_TEST_SUITE_P(Formats, SignalFileStreamTest, testing::ValuesIn(AllFormatsAndPieces()),
                         [](const auto& info) {
                           return "Format" + std::to_string(info.param.format) + "By" +
                                  std::to_string(info.param.piece);
                         });

}  // namespace
