// Files that change or are not what they seem, as a host meets them: a recording cut short
// while open fails every read instead of handing out bytes, FIFOs are refused without waiting
// for a writer, and a file name that is not UTF-8 still opens.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "edf_test_files.h"
#include "formats/edf/recording.h"
#include "host_fixture.h"

namespace end_to_end {
namespace {

using edf_test::RecordSamples;

const std::string kGetDataReport =
    "ERROR in GetData packet please contact SDK provider for support\n\nPress any key to continue . . . \n";

// Plain EDF, "EEG" 4 samples per 1-s record, 6 records.
std::string SixRecords() {
  edf_writer::EdfWriter writer;
  writer.AddSignal("EEG", 4);
  for (int r = 0; r < 6; ++r) writer.AddRecord({RecordSamples(0, r, 4)});
  return writer.FileBytes();
}

using FileIntegrityTest = HostTest;

TEST_F(FileIntegrityTest, RecordingCutShortWhileOpenFailsEveryReadAndYieldsNoBytes) {
  const std::string bytes = SixRecords();
  const std::string path = WriteFile(bytes);
  int segments = 0;
  ASSERT_EQ(OpenEx(path.c_str(), &segments), 1);
  const double start = SegmentStart();
  std::vector<std::int16_t> buffer(24, 0x5A5A);
  ASSERT_EQ(GetData2(start, 1.0, buffer.data()), 1);  // intact: reads
  EXPECT_EQ(std::vector<std::int16_t>(buffer.begin(), buffer.begin() + 4), RecordSamples(0, 0, 4));

  // Header and two records stay: even a window inside them fails, since the file is no
  // longer the one that was opened.
  std::filesystem::resize_file(path, bytes.size() - 4 * 8);
  struct Read {
    const char* name;
    std::function<int(short*)> call;
  };
  for (const Read& read : {Read{"GetData", [&](short* s) { return GetData(0, s); }},
                           Read{"GetData2 in the records left", [&](short* s) { return GetData2(start, 1.0, s); }},
                           Read{"GetData2 in the records cut", [&](short* s) { return GetData2(start + 4.0 / 86400, 1.0, s); }}}) {
    std::fill(buffer.begin(), buffer.end(), std::int16_t{0x5A5A});
    int result = -1;
    EXPECT_EQ(ConsoleOutputOf([&] { result = read.call(buffer.data()); }), kGetDataReport) << read.name;
    EXPECT_EQ(result, 0) << read.name;
    EXPECT_EQ(buffer, std::vector<std::int16_t>(24, 0x5A5A)) << read.name;
  }
}

TEST_F(FileIntegrityTest, FileNameThatIsNotUtf8OpensAndReads) {
  const std::string other = WriteFile(SixRecords());
  const std::string path = (std::filesystem::path(other).parent_path() / "rec\xFF\xC3.edf").string();
  std::filesystem::rename(other, path);
  int segments = 0;
  EXPECT_EQ(ConsoleOutputOf([&] { EXPECT_EQ(OpenEx(path.c_str(), &segments), 1); }), "");
  EXPECT_EQ(segments, 1);
  std::vector<std::int16_t> samples(24, 0);
  ASSERT_EQ(GetData(0, samples.data()), 1);
  EXPECT_EQ(std::vector<std::int16_t>(samples.begin() + 20, samples.end()), RecordSamples(0, 5, 4));
}

TEST_F(FileIntegrityTest, FifoIsRefusedWithoutWaitingAlsoThroughASymbolicLink) {
  const std::string regular = WriteFile("");
  const std::filesystem::path folder = std::filesystem::path(regular).parent_path();
  const std::string fifo = (folder / "pipe.edf").string();
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const std::filesystem::path link = folder / "link.edf";
  std::filesystem::create_symlink(fifo, link);
  for (const std::string& path : {fifo, link.string()}) {
    int segments = 12345;
    int result = -1;
    EXPECT_EQ(ConsoleOutputOf([&] { result = OpenEx(path.c_str(), &segments); }), "Could not Open File") << path;
    EXPECT_EQ(result, 0) << path;
    EXPECT_EQ(segments, 12345) << path;
    const auto parsed = edf::Recording::Open(path);
    ASSERT_FALSE(parsed.Ok()) << path;
    EXPECT_NE(parsed.Reason().find("FIFO"), std::string::npos) << parsed.Reason();
  }
}

}  // namespace
}  // namespace end_to_end
