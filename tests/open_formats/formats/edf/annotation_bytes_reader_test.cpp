// The annotation bytes of each data record, read in batches, against the file's own bytes.
#include "formats/edf/annotation_bytes_reader.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "edf_test_files.h"

namespace {

using common::RandomAccessFile;
using edf::AnnotationBytesReader;
using edf::Header;

constexpr std::int64_t kHeaderBytes = 512;

struct SignalLayout {
  std::int32_t samplesPerRecord;
  bool isAnnotation;
};

struct LayoutCase {
  const char* name;
  std::vector<SignalLayout> signals;
  std::int64_t records;
};

Header HeaderOf(const LayoutCase& layout) {
  Header header;
  header.fixed.headerBytes = kHeaderBytes;
  for (const SignalLayout& signal : layout.signals) {
    edf::SignalHeader s;
    s.samplesPerRecord = signal.samplesPerRecord;
    s.isAnnotation = signal.isAnnotation;
    s.offsetInRecord = header.recordBytes;
    header.recordBytes += std::int64_t{signal.samplesPerRecord} * 2;
    header.signals.push_back(s);
  }
  return header;
}

// Every byte differs from its neighbours and from the same byte of other records (mod 251).
std::string FileBytes(std::int64_t size) {
  std::string bytes(static_cast<std::size_t>(size), '\0');
  for (std::int64_t i = 0; i < size; ++i) bytes[static_cast<std::size_t>(i)] = static_cast<char>(i % 251);
  return bytes;
}

std::vector<std::byte> ExpectedAnnotationBytes(const std::string& file, const Header& header, std::int64_t record) {
  std::vector<std::byte> bytes;
  for (const edf::SignalHeader& s : header.signals) {
    if (!s.isAnnotation) continue;
    const std::int64_t at = kHeaderBytes + record * header.recordBytes + s.offsetInRecord;
    for (std::int64_t i = 0; i < std::int64_t{s.samplesPerRecord} * 2; ++i) {
      bytes.push_back(static_cast<std::byte>(file[static_cast<std::size_t>(at + i)]));
    }
  }
  return bytes;
}

class AnnotationBytesReaderTest : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(AnnotationBytesReaderTest, GivesEachRecordsAnnotationBytesInSignalOrder) {
  const Header header = HeaderOf(GetParam());
  edf_test::TemporaryDirectory directory;
  // A partial record after the last one: its bytes must never be asked for.
  const std::string contents = FileBytes(kHeaderBytes + GetParam().records * header.recordBytes + 7);
  auto opened = RandomAccessFile::Open(directory.Write("file.edf", contents));
  ASSERT_TRUE(opened.Ok()) << opened.Reason();
  AnnotationBytesReader reader(*opened.Value(), header, GetParam().records);
  for (std::int64_t record = 0; record < GetParam().records; ++record) {
    const auto bytes = reader.Record(record);
    ASSERT_TRUE(bytes.has_value()) << record;
    ASSERT_EQ(std::vector<std::byte>(bytes->begin(), bytes->end()), ExpectedAnnotationBytes(contents, header, record))
        << "record " << record;
  }
  EXPECT_FALSE(reader.Record(GetParam().records).has_value());
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, AnnotationBytesReaderTest,
    ::testing::Values(
        // Small records, read several at a time, over three batches.
        LayoutCase{"SmallRecords", {{16, false}, {4, true}}, 2500},
        // Annotation signals apart and side by side, between ordinary ones.
        LayoutCase{"SeveralSignals", {{50, false}, {10, true}, {50, false}, {5, true}, {5, true}}, 2100},
        // Records far larger than the bytes read from each.
        LayoutCase{"LargeRecords", {{15, true}, {10000, false}}, 40},
        LayoutCase{"OneRecord", {{3, false}, {1, true}}, 1},
        // More than 2,048 records too far apart to be read together: the reads are shared
        // between two threads, in pieces that do not end on a multiple of the record count.
        LayoutCase{"ManyFarApartRecords", {{15, true}, {4100, false}}, 2500},
        // Each read joins the last annotation signal of one record to the first of the next,
        // so pieces cut through records.
        LayoutCase{"ReadsAcrossRecords", {{3, false}, {15, true}, {4100, false}, {5, true}}, 2100},
        // Large annotation signals far apart, read one at a time: several batches from the cache.
        LayoutCase{"SeveralCachedBatches", {{20000, true}, {4100, false}}, 350}),
    [](const auto& info) { return std::string(info.param.name); });

// Batches of small records read together, and of large records read one at a time.
TEST(AnnotationBytesReaderFailureTest, FailsOnceTheFileIsCutShortAndNeverGoesBack) {
  const struct {
    LayoutCase layout;
    std::int64_t keptRecords;
  } cases[] = {{{"SmallRecords", {{16, false}, {4, true}}, 3000}, 2000},
               {{"SeveralCachedBatches", {{20000, true}, {4100, false}}, 350}, 300}};
  for (const auto& c : cases) {
    const Header header = HeaderOf(c.layout);
    edf_test::TemporaryDirectory directory;
    const std::string path =
        directory.Write("file.edf", FileBytes(kHeaderBytes + c.layout.records * header.recordBytes));
    auto opened = RandomAccessFile::Open(path);
    ASSERT_TRUE(opened.Ok()) << opened.Reason();
    AnnotationBytesReader reader(*opened.Value(), header, c.layout.records);
    ASSERT_TRUE(reader.Record(0).has_value()) << c.layout.name;
    ASSERT_TRUE(reader.Record(1).has_value()) << c.layout.name;
    std::filesystem::resize_file(path, kHeaderBytes + c.keptRecords * header.recordBytes);
    EXPECT_FALSE(reader.Record(c.layout.records - 1).has_value()) << c.layout.name;
    EXPECT_FALSE(reader.Record(0).has_value()) << c.layout.name;  // records are read in order only
  }
}

// A batch whose reads two threads share yields no record once the file was cut short, wherever
// the cut falls.
TEST(AnnotationBytesReaderFailureTest, FailsWhenPartOfABatchSharedByTwoThreadsIsGone) {
  const LayoutCase layout{"", {{15, true}, {4100, false}}, 2500};
  const Header header = HeaderOf(layout);
  const struct {
    const char* name;
    std::int64_t keptRecords;
  } cuts[] = {{"in the first piece", 100}, {"before the last record", 2499}};
  for (const auto& cut : cuts) {
    edf_test::TemporaryDirectory directory;
    const std::string path = directory.Write("file.edf", FileBytes(kHeaderBytes + layout.records * header.recordBytes));
    auto opened = RandomAccessFile::Open(path);
    ASSERT_TRUE(opened.Ok()) << opened.Reason();
    AnnotationBytesReader reader(*opened.Value(), header, layout.records);
    std::filesystem::resize_file(path, kHeaderBytes + cut.keptRecords * header.recordBytes);
    EXPECT_FALSE(reader.Record(0).has_value()) << cut.name;
    EXPECT_FALSE(reader.Record(layout.records - 1).has_value()) << cut.name;
  }
}

}  // namespace
