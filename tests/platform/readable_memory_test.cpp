#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "platform/platform.h"

namespace {

// Three pages: readable, PROT_NONE, read-only; then an unmapped page.
class ReadableMemoryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    void* mapped = mmap(nullptr, 4 * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(mapped, MAP_FAILED);
    base = static_cast<unsigned char*>(mapped);
    ASSERT_EQ(munmap(base + 3 * page, page), 0);
    ASSERT_EQ(mprotect(base + page, page, PROT_NONE), 0);
    ASSERT_EQ(mprotect(base + 2 * page, page, PROT_READ), 0);
  }
  void TearDown() override { munmap(base, 3 * page); }

  std::size_t page = 0;
  unsigned char* base = nullptr;
};

TEST_F(ReadableMemoryTest, ReadablePagesAreGood) {
  EXPECT_FALSE(IsBadReadPtr(base, page));
  EXPECT_FALSE(IsBadReadPtr(base + page - 1, 1));
  EXPECT_FALSE(IsBadReadPtr(base + 2 * page, page));
}

TEST_F(ReadableMemoryTest, AnyUnreadableByteMakesTheRangeBad) {
  EXPECT_TRUE(IsBadReadPtr(base + page, 1));
  EXPECT_TRUE(IsBadReadPtr(base + page - 1, 2));             // reaches one byte into the hole
  EXPECT_TRUE(IsBadReadPtr(base + 2 * page - 1, 2));         // starts in the hole
  EXPECT_TRUE(IsBadReadPtr(base, 3 * page));                 // spans it
  EXPECT_TRUE(IsBadReadPtr(base + 2 * page, page + 1));      // runs into the unmapped page
}

TEST_F(ReadableMemoryTest, EmptyRangeIsAlwaysGood) {
  EXPECT_FALSE(IsBadReadPtr(base + page, 0));
  EXPECT_FALSE(IsBadReadPtr(nullptr, 0));
}

TEST_F(ReadableMemoryTest, NullAndWrappingRangesAreBad) {
  EXPECT_TRUE(IsBadReadPtr(nullptr, 1));
  EXPECT_TRUE(IsBadReadPtr(base, UINTPTR_MAX));
}

TEST_F(ReadableMemoryTest, LargeReadableRangeIsGood) {
  // More pages than the probe pipe holds bytes at once.
  const std::size_t pages = 70000;
  void* mapped = mmap(nullptr, pages * page, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  ASSERT_NE(mapped, MAP_FAILED);
  EXPECT_FALSE(IsBadReadPtr(mapped, pages * page));
  munmap(mapped, pages * page);
}

// Ranges of the fixture's pages and whether each is bad, asked over and over: the answers must
// not drift once the probe pipe has taken more bytes than it holds.
struct RangeCase {
  std::size_t offsetInPages;
  std::ptrdiff_t offsetInBytes;
  std::size_t pages;
  std::size_t extraBytes;
  BOOL bad;
};

constexpr RangeCase kRangeCases[] = {
    {0, 0, 1, 0, FALSE},  {0, 0, 0, 1, FALSE},  {2, 0, 1, 0, FALSE}, {1, 0, 0, 1, TRUE},
    {1, -1, 0, 2, TRUE},  {0, 0, 3, 0, TRUE},   {2, 0, 1, 1, TRUE},  {2, 100, 0, 3000, FALSE},
};

class ReadableMemoryRepeatTest : public ReadableMemoryTest {
 protected:
  BOOL Ask(const RangeCase& c) const {
    return IsBadReadPtr(base + c.offsetInPages * page + c.offsetInBytes, c.pages * page + c.extraBytes);
  }
  // Every case `rounds` times over; the number of wrong answers.
  int WrongAnswers(int rounds) const {
    int wrong = 0;
    for (int round = 0; round < rounds; ++round) {
      for (const RangeCase& c : kRangeCases) wrong += Ask(c) != c.bad;
    }
    return wrong;
  }
};

std::size_t OpenDescriptors() {
  return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                                                std::filesystem::directory_iterator()));
}

TEST_F(ReadableMemoryRepeatTest, AnswersStayRightOverMoreProbesThanAPipeHolds) {
  // 8 cases x 12,000 rounds: well over 65,536 probe bytes.
  EXPECT_EQ(WrongAnswers(12000), 0);
}

TEST_F(ReadableMemoryRepeatTest, ManyCallsLeaveNoDescriptorBehind) {
  ASSERT_EQ(WrongAnswers(1), 0);  // whatever is made once exists from here on
  const std::size_t before = OpenDescriptors();
  EXPECT_EQ(WrongAnswers(10000 / static_cast<int>(std::size(kRangeCases))), 0);
  EXPECT_EQ(OpenDescriptors(), before);
}

TEST_F(ReadableMemoryRepeatTest, ThreadsAskingAtOnceGetTheirOwnAnswers) {
  std::vector<int> wrong(4, -1);
  std::vector<std::thread> threads;
  for (int& w : wrong) threads.emplace_back([&w, this] { w = WrongAnswers(3000); });
  for (std::thread& t : threads) t.join();
  for (int w : wrong) EXPECT_EQ(w, 0);
}

TEST_F(ReadableMemoryTest, AHostThatClosesEveryDescriptorFindsNoStrayBytesInItsFile) {
  ASSERT_FALSE(IsBadReadPtr(base, page));  // whatever the probe makes once exists from here on
  const std::filesystem::path log =
      std::filesystem::temp_directory_path() / ("tapline-probe-log-" + std::to_string(getpid()));
  const int created = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  ASSERT_GE(created, 0);
  close(created);

  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // As a daemon does: closes what it did not open, then opens its log on the lowest numbers.
    for (int descriptor = 3; descriptor < 1024; ++descriptor) close(descriptor);
    for (int i = 0; i < 32; ++i) {
      if (open(log.c_str(), O_WRONLY | O_APPEND) < 0) _exit(2);
    }
    for (int i = 0; i < 100; ++i) {
      if (IsBadReadPtr(base, page) || !IsBadReadPtr(base + page, 1)) _exit(3);
    }
    _exit(0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_EQ(std::filesystem::file_size(log), 0u);
  std::filesystem::remove(log);
}

TEST_F(ReadableMemoryTest, AChildAsksAboutItsOwnMemoryNotItsParents) {
  // The parent has asked before the fork, so whatever it keeps about itself is there to inherit.
  ASSERT_FALSE(IsBadReadPtr(base, page));
  ASSERT_TRUE(IsBadReadPtr(base + page, 1));
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // The child swaps the two pages' protections; its parent's stay as they were.
    if (mprotect(base, page, PROT_NONE) != 0 || mprotect(base + page, page, PROT_READ) != 0) _exit(2);
    _exit(!IsBadReadPtr(base, 1) || IsBadReadPtr(base + page, page) ? 3 : 0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

}  // namespace
