// The zero-filled buffers of packets and fetches, on the heap and mapped on their own.
#include "platform/memory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr std::size_t kMiB = std::size_t{1} << 20;

// Sizes on both sides of the mapped buffers' threshold, odd ones included.
const std::vector<std::size_t> kSizes = {1,
                                         24,
                                         4096,
                                         platform::kLargeBufferBytes - 1,
                                         platform::kLargeBufferBytes,
                                         platform::kLargeBufferBytes + 3,
                                         8 * kMiB,
                                         64 * kMiB + 3};

// Every byte reads 0; the first 64-KiB stretch that holds another byte otherwise.
void ExpectAllZero(const std::byte* buffer, std::size_t bytes) {
  static const std::vector<std::byte> zeros(64 * 1024);
  for (std::size_t at = 0; at < bytes; at += zeros.size()) {
    const std::size_t length = std::min(zeros.size(), bytes - at);
    if (std::memcmp(buffer + at, zeros.data(), length) != 0) {
      ADD_FAILURE() << "bytes " << at << " to " << at + length << " of " << bytes << " are not all 0";
      return;
    }
  }
}

// Writes a pattern over the whole buffer and reads it back: a buffer shorter than asked for
// faults or loses the tail.
void ExpectWholeBufferUsable(std::byte* buffer, std::size_t bytes) {
  for (std::size_t i = 0; i < bytes; i += 4093) buffer[i] = static_cast<std::byte>(i % 251 + 1);
  buffer[bytes - 1] = std::byte{0x5A};
  for (std::size_t i = 0; i + 1 < bytes; i += 4093) {
    ASSERT_EQ(buffer[i], static_cast<std::byte>(i % 251 + 1)) << i;
  }
  EXPECT_EQ(buffer[bytes - 1], std::byte{0x5A});
}

TEST(BufferTest, EverySizeIsZeroAlignedAndHoldsEveryByteAskedFor) {
  for (const std::size_t bytes : kSizes) {
    SCOPED_TRACE(bytes);
    std::byte* buffer = platform::AllocateBuffer(bytes);
    ASSERT_NE(buffer, nullptr);
    EXPECT_GE(platform::BufferAlignment(bytes), alignof(std::max_align_t));
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(buffer) % platform::BufferAlignment(bytes), 0u);
    ExpectAllZero(buffer, bytes);
    ExpectWholeBufferUsable(buffer, bytes);
    platform::FreeBuffer(buffer, bytes);
  }
}

TEST(BufferTest, MemoryGivenBackComesAgainZeroFilled) {
  // The heap hands a freed block of the same size straight back: without the zero fill the
  // second buffer would show the first one's bytes.
  for (const std::size_t bytes : kSizes) {
    SCOPED_TRACE(bytes);
    for (int round = 0; round < 3; ++round) {
      std::byte* buffer = platform::AllocateBuffer(bytes);
      ASSERT_NE(buffer, nullptr);
      ExpectAllZero(buffer, bytes);
      std::memset(buffer, 0xA5, bytes);
      platform::FreeBuffer(buffer, bytes);
    }
  }
}

TEST(BufferTest, SizeZeroGivesABufferThatIsFreedLikeAnyOther) {
  std::byte* first = platform::AllocateBuffer(0);
  std::byte* second = platform::AllocateBuffer(0);
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_NE(first, second);
  platform::FreeBuffer(first, 0);
  platform::FreeBuffer(second, 0);
}

TEST(BufferTest, SizesNoProcessCanHoldAreRefusedWithNull) {
  // Beyond any address space, and sizes whose rounding to whole pages would wrap.
  for (const std::size_t bytes : {SIZE_MAX, SIZE_MAX - 1, SIZE_MAX - platform::kLargeBufferBytes,
                                  SIZE_MAX / 2 + 1, std::size_t{1} << 50}) {
    EXPECT_EQ(platform::AllocateBuffer(bytes), nullptr) << bytes;
  }
}

TEST(BufferTest, BuffersOfBothKindsAreFreedByTheirOwnSize) {
  // Interleaved lifetimes: a buffer freed through the other kind's path would crash here.
  std::vector<std::pair<std::byte*, std::size_t>> held;
  for (std::size_t bytes : {std::size_t{100}, 16 * kMiB, std::size_t{1000}, 9 * kMiB,
                            platform::kLargeBufferBytes}) {
    held.emplace_back(platform::AllocateBuffer(bytes), bytes);
    ASSERT_NE(held.back().first, nullptr);
  }
  for (auto& [buffer, bytes] : held) platform::FreeBuffer(buffer, bytes);
  platform::FreeBuffer(nullptr, 16 * kMiB);
}

#ifdef __linux__
// The "THPeligible" entry of the mapping that holds `address` in /proc/self/smaps; -1 when
// there is none.
int HugePageEligibility(const void* address) {
  std::ifstream smaps("/proc/self/smaps");
  const auto target = reinterpret_cast<std::uintptr_t>(address);
  bool inside = false;
  std::string line;
  while (std::getline(smaps, line)) {
    std::uintptr_t start = 0;
    std::uintptr_t end = 0;
    if (std::sscanf(line.c_str(), "%" SCNxPTR "-%" SCNxPTR " ", &start, &end) == 2) {
      inside = start <= target && target < end;
    } else if (inside && line.rfind("THPeligible:", 0) == 0) {
      return std::atoi(line.c_str() + 12);
    }
  }
  return -1;
}

std::string HugePageMode() {
  std::ifstream file("/sys/kernel/mm/transparent_hugepage/enabled");
  std::string modes;
  std::getline(file, modes);
  return modes;
}

TEST(BufferTest, LargeBuffersMayBeBackedByHugePagesWhereTheSystemOffersThem) {
  const std::string modes = HugePageMode();
  if (modes.empty() || modes.find("[never]") != std::string::npos) GTEST_SKIP() << "no huge pages";
  const std::size_t bytes = 3 * platform::kLargeBufferBytes + 5;
  if (platform::BufferAlignment(bytes) < platform::PageSize()) GTEST_SKIP() << "heap-only build";
  std::byte* buffer = platform::AllocateBuffer(bytes);
  ASSERT_NE(buffer, nullptr);
  EXPECT_EQ(HugePageEligibility(buffer), 1) << modes;
  EXPECT_EQ(HugePageEligibility(buffer + bytes - 1), 1) << modes;
  platform::FreeBuffer(buffer, bytes);
}
#endif

}  // namespace
