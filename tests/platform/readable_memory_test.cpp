#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

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

}  // namespace
