#include "packets/fetch_buffer_pool.h"

#include <algorithm>
#include <cstring>
#include <mutex>

#include "platform/memory.h"

namespace packets {
namespace {

// Larger buffers are fetched into fresh memory and freed after use, so that one huge packet
// does not pin its memory for the rest of the recording.
constexpr std::uint64_t kLargestKeptBuffer = std::uint64_t{64} << 20;

// Covers the header of every packet kind, the entry count included.
constexpr std::uint64_t kClearedPrefix = 4096;

struct Buffer {
  std::byte* bytes = nullptr;
  std::uint64_t capacity = 0;
};

// Exports already run one at a time; the lock keeps the packet layer safe on its own.
std::mutex poolLock;
Buffer kept;
Buffer lent;

void Free(Buffer& buffer) noexcept {
  platform::FreeBuffer(buffer.bytes, static_cast<std::size_t>(buffer.capacity));
  buffer = {};
}

}  // namespace

std::byte* BorrowFetchBuffer(std::uint64_t size) noexcept {
  const auto fresh = [size] { return platform::AllocateBuffer(static_cast<std::size_t>(size)); };
  if (size > kLargestKeptBuffer) return fresh();
  const std::lock_guard<std::mutex> guard(poolLock);
  if (lent.bytes != nullptr) return fresh();  // a second packet alive at once: not kept
  if (kept.bytes != nullptr && kept.capacity >= size) {
    const std::uint64_t cleared = std::min(size, kClearedPrefix);
    std::memset(kept.bytes, 0, static_cast<std::size_t>(cleared));
    lent = kept;
    kept = {};
    return lent.bytes;
  }
  Free(kept);
  std::byte* bytes = fresh();
  if (bytes != nullptr) lent = {bytes, size};
  return bytes;
}

void ReleasePacketBuffer(std::byte* buffer, std::uint64_t ownedSize) noexcept {
  if (buffer == nullptr) return;
  {
    const std::lock_guard<std::mutex> guard(poolLock);
    if (buffer == lent.bytes) {
      kept = lent;  // nothing else is kept while a buffer is on loan
      lent = {};
      return;
    }
  }
  platform::FreeBuffer(buffer, static_cast<std::size_t>(ownedSize));
}

void DropKeptFetchBuffer() noexcept {
  const std::lock_guard<std::mutex> guard(poolLock);
  Free(kept);
}

}  // namespace packets
