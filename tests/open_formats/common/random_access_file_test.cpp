// Positioned reads and what they do when the file changes under them.
#include "common/random_access_file.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <thread>

#include "edf_test_files.h"

namespace {

using common::FileRange;
using common::RandomAccessFile;

// Byte i of the test file is i * 7 + 3 (mod 256): a read from a wrong offset shows.
std::string DistinctBytes(std::size_t count) {
  std::string bytes(count, '\0');
  for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<char>(i * 7 + 3);
  return bytes;
}

std::vector<std::byte> Expected(const std::string& file, std::span<const FileRange> ranges) {
  std::vector<std::byte> bytes;
  for (const FileRange& range : ranges) {
    for (std::int64_t i = 0; i < range.length; ++i) bytes.push_back(static_cast<std::byte>(file[range.offset + i]));
  }
  return bytes;
}

// The file's contents replaced in place by other bytes of the same size, written later.
void RewriteInPlace(const std::string& path) {
  const auto before = std::filesystem::last_write_time(path);
  std::fstream(path, std::ios::in | std::ios::out | std::ios::binary).write("changed", 7);
  // Some file systems keep whole seconds only: the new time is set explicitly.
  std::filesystem::last_write_time(path, before + std::chrono::seconds(2));
}

class RandomAccessFileTest : public ::testing::Test {
 protected:
  static constexpr std::size_t kFileBytes = 100'000;

  std::unique_ptr<RandomAccessFile> OpenTestFile() {
    auto opened = RandomAccessFile::Open(path);
    EXPECT_TRUE(opened.Ok()) << opened.Reason();
    return opened.Ok() ? std::move(opened.Value()) : nullptr;
  }
  edf_test::TemporaryDirectory directory;
  const std::string contents = DistinctBytes(kFileBytes);
  const std::string path = directory.Write("file.bin", contents);
};

TEST_F(RandomAccessFileTest, ReadsExactlyTheBytesAtTheOffset) {
  auto file = OpenTestFile();
  ASSERT_TRUE(file);
  EXPECT_EQ(file->Size(), static_cast<std::int64_t>(kFileBytes));
  for (const FileRange range : {FileRange{0, 16}, FileRange{77'777, 300}, FileRange{99'990, 10},
                                FileRange{5, 0}, FileRange{0, 100'000}}) {
    std::vector<std::byte> bytes(static_cast<std::size_t>(range.length));
    ASSERT_TRUE(file->ReadAt(range.offset, bytes)) << range.offset;
    EXPECT_EQ(bytes, Expected(contents, std::span(&range, 1))) << range.offset;
  }
}

TEST_F(RandomAccessFileTest, RefusesReadsOutsideTheFile) {
  auto file = OpenTestFile();
  ASSERT_TRUE(file);
  std::vector<std::byte> eleven(11);
  EXPECT_FALSE(file->ReadAt(99'990, eleven));
  EXPECT_FALSE(file->ReadAt(-1, eleven));
  EXPECT_FALSE(file->ReadAt(100'001, std::span<std::byte>()));
  EXPECT_FALSE(file->ReadAt(std::numeric_limits<std::int64_t>::max(), eleven));
  const FileRange wrapping[] = {{10, std::numeric_limits<std::int64_t>::max()}};
  EXPECT_FALSE(file->ReadRanges(wrapping, eleven));
  const FileRange negative[] = {{10, -11}};
  EXPECT_FALSE(file->ReadRanges(negative, std::span<std::byte>()));
}

// Neighbours close enough are read together; far ones, reversed ones and overlapping ones are
// not: every case must give each range's own bytes in the order asked.
TEST_F(RandomAccessFileTest, ReadsRangesInTheOrderAsked) {
  auto file = OpenTestFile();
  ASSERT_TRUE(file);
  const std::vector<std::vector<FileRange>> cases = {
      {{0, 10}, {20, 5}, {4000, 120}, {9000, 1}},                 // close: one read
      {{0, 10}, {50'000, 5}, {99'000, 1000}},                     // far apart
      {{500, 10}, {100, 10}, {300, 0}, {310, 4}},                 // backwards, an empty range
      {{100, 50}, {120, 50}, {170, 10}},                          // overlapping, then adjacent
      {{0, 75'000}, {80'000, 20'000}},                            // large, close together
  };
  for (const auto& ranges : cases) {
    std::vector<std::byte> expected = Expected(contents, ranges);
    std::vector<std::byte> bytes(expected.size());
    ASSERT_TRUE(file->ReadRanges(ranges, bytes)) << ranges.size();
    EXPECT_EQ(bytes, expected) << "first offset " << ranges.front().offset;
  }
  std::vector<std::byte> tooLarge(16);
  const FileRange fifteen[] = {{0, 15}};
  EXPECT_FALSE(file->ReadRanges(fifteen, tooLarge));
}

// A file cut short, grown, or rewritten after it was opened fails every read, also of bytes
// that are still there: they may no longer be the bytes the recording was parsed from.
TEST_F(RandomAccessFileTest, FailsEveryReadOnceTheFileChanged) {
  const std::vector<std::pair<const char*, std::function<void(const std::string&)>>> changes = {
      {"cut short", [](const std::string& p) { std::filesystem::resize_file(p, 1000); }},
      {"grown", [](const std::string& p) { std::filesystem::resize_file(p, kFileBytes + 1); }},
      {"rewritten", RewriteInPlace},
      {"rewritten, modification time set back",
       [](const std::string& p) {
         const auto before = std::filesystem::last_write_time(p);
         std::this_thread::sleep_for(std::chrono::milliseconds(20));  // past the clock's step
         std::fstream(p, std::ios::in | std::ios::out | std::ios::binary).write("changed", 7);
         std::filesystem::last_write_time(p, before);
       }},
  };
  for (const auto& [name, change] : changes) {
    recording_writers::WriteFile(path, contents);
    auto file = OpenTestFile();
    ASSERT_TRUE(file);
    std::vector<std::byte> bytes(10);
    ASSERT_TRUE(file->ReadAt(500, bytes));
    change(path);
    EXPECT_FALSE(file->ReadAt(500, bytes)) << name;
    EXPECT_FALSE(file->ReadAt(90'000, bytes)) << name;
    const FileRange ranges[] = {{0, 5}, {10, 5}};
    EXPECT_FALSE(file->ReadRanges(ranges, bytes)) << name;
  }
}

TEST_F(RandomAccessFileTest, RefusesWhatIsNotARegularFileWithAReason) {
  const struct {
    std::string path;
    const char* reason;
  } cases[] = {
      {directory.path().string(), "the file is not a regular file (a directory)"},
      {(directory.path() / "missing.edf").string(), "the file does not exist"},
  };
  for (const auto& c : cases) {
    auto opened = RandomAccessFile::Open(c.path);
    ASSERT_FALSE(opened.Ok()) << c.path;
    EXPECT_EQ(opened.Reason(), c.reason);
  }
}

}  // namespace
