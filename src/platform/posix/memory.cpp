#include "platform/memory.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <new>

namespace platform {

namespace {

// The size of a transparent huge page on the systems that have them; a mapping aligned to it
// can be backed by huge pages from its first byte to its last.
constexpr std::size_t kHugePageBytes = std::size_t{2} << 20;

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kHeapOnly = true;  // keep every buffer under AddressSanitizer's bounds checks
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kHeapOnly = true;
#else
constexpr bool kHeapOnly = false;
#endif
#else
constexpr bool kHeapOnly = false;
#endif

bool IsMapped(std::size_t bytes) { return !kHeapOnly && bytes >= kLargeBufferBytes; }

// AddressSanitizer ends the process on a request it cannot serve instead of returning null;
// with every buffer on the heap, larger requests than a packet can ever make (blocks are below
// 2^32 bytes) are refused before they reach it.
constexpr std::size_t kLargestHeapOnlyBuffer = std::size_t{1} << 32;

std::size_t RoundUp(std::size_t bytes, std::size_t unit) { return (bytes + unit - 1) / unit * unit; }

// A fresh anonymous mapping of `bytes` bytes starting on a huge-page boundary: one huge page
// more is mapped, and what lies before the boundary and after the buffer's last page is given
// back. Its pages arrive zero-filled. Null when the system has no such room.
std::byte* MapAligned(std::size_t bytes) {
  if (bytes > SIZE_MAX - 2 * kHugePageBytes) return nullptr;
  const std::size_t length = RoundUp(bytes, PageSize());
  const std::size_t reserved = length + kHugePageBytes;
  void* mapped = mmap(nullptr, reserved, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapped == MAP_FAILED) return nullptr;
  const auto start = reinterpret_cast<std::uintptr_t>(mapped);
  const std::uintptr_t aligned = RoundUp(start, kHugePageBytes);
  if (aligned != start) munmap(mapped, aligned - start);
  const std::size_t tail = reserved - (aligned - start) - length;
  if (tail != 0) munmap(reinterpret_cast<void*>(aligned + length), tail);
  return reinterpret_cast<std::byte*>(aligned);
}

}  // namespace

std::byte* AllocateBuffer(std::size_t bytes) noexcept {
  if (kHeapOnly && bytes > kLargestHeapOnlyBuffer) return nullptr;
  if (!IsMapped(bytes)) return new (std::nothrow) std::byte[bytes]();  // value-initialised: zeros
  std::byte* buffer = MapAligned(bytes);
#ifdef MADV_HUGEPAGE
  // A hint: where the system offers no huge pages, or only when asked, the buffer still works.
  if (buffer != nullptr) madvise(buffer, RoundUp(bytes, PageSize()), MADV_HUGEPAGE);
#endif
  return buffer;
}

void FreeBuffer(std::byte* buffer, std::size_t bytes) noexcept {
  if (buffer == nullptr) return;
  if (!IsMapped(bytes)) {
    delete[] buffer;
  } else {
    munmap(buffer, RoundUp(bytes, PageSize()));
  }
}

std::size_t BufferAlignment(std::size_t bytes) noexcept {
  return IsMapped(bytes) ? kHugePageBytes : alignof(std::max_align_t);
}

std::size_t PageSize() noexcept {
  // No system has smaller pages; where they are larger, callers ask about more pages, not fewer.
  static const long pageSize = sysconf(_SC_PAGESIZE);
  return pageSize > 0 ? static_cast<std::size_t>(pageSize) : 4096;
}

}  // namespace platform
