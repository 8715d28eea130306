#include "platform/memory.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

// Writes a pattern over the whole buffer and reads it back: a buffer shorter than asked for
// faults or loses the tail.
void ExpectWholeBufferUsable(std::size_t bytes) {
  std::byte* buffer = platform::AllocateBuffer(bytes);
  ASSERT_NE(buffer, nullptr) << bytes;
  for (std::size_t i = 0; i < bytes; i += 4093) buffer[i] = static_cast<std::byte>(i % 251);
  buffer[bytes - 1] = std::byte{0x5A};
  for (std::size_t i = 0; i < bytes - 1; i += 4093) {
    ASSERT_EQ(buffer[i], static_cast<std::byte>(i % 251)) << i;
  }
  EXPECT_EQ(buffer[bytes - 1], std::byte{0x5A});
  platform::FreeBuffer(buffer, bytes);
}

TEST(BufferTest, SmallAndLargeBuffersHoldEveryByteAskedFor) {
  for (std::size_t bytes : {std::size_t{24}, std::size_t{4096}, (std::size_t{8} << 20) - 1,
                            std::size_t{8} << 20, (std::size_t{64} << 20) + 3}) {
    ExpectWholeBufferUsable(bytes);
  }
}

TEST(BufferTest, BuffersOfBothKindsAreFreedByTheirOwnSize) {
  // Interleaved lifetimes: a buffer freed through the other kind's path would crash here.
  std::vector<std::pair<std::byte*, std::size_t>> held;
  for (std::size_t bytes : {std::size_t{100}, std::size_t{16} << 20, std::size_t{1000},
                            std::size_t{9} << 20}) {
    held.emplace_back(platform::AllocateBuffer(bytes), bytes);
    ASSERT_NE(held.back().first, nullptr);
  }
  for (auto& [buffer, bytes] : held) platform::FreeBuffer(buffer, bytes);
  platform::FreeBuffer(nullptr, 16 << 20);
}

}  // namespace
