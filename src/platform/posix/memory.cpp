#include "platform/memory.h"

#include <sys/mman.h>
#include <unistd.h>

#include <new>

namespace platform {

namespace {

// From here on a buffer is mapped on its own and may be backed by 2-MiB pages: below it the
// heap serves faster and a huge page would mostly stay empty.
constexpr std::size_t kMappedBufferBytes = std::size_t{8} << 20;

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

bool IsMapped(std::size_t bytes) { return !kHeapOnly && bytes >= kMappedBufferBytes; }

}  // namespace

std::byte* AllocateBuffer(std::size_t bytes) noexcept {
  if (!IsMapped(bytes)) return new (std::nothrow) std::byte[bytes]();  // value-initialised: zeros
  void* mapped = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapped == MAP_FAILED) return nullptr;  // an anonymous mapping's pages arrive zero-filled
#ifdef MADV_HUGEPAGE
  madvise(mapped, bytes, MADV_HUGEPAGE);  // a hint: without huge pages the buffer still works
#endif
  return static_cast<std::byte*>(mapped);
}

void FreeBuffer(std::byte* buffer, std::size_t bytes) noexcept {
  if (buffer == nullptr) return;
  if (!IsMapped(bytes)) {
    delete[] buffer;
  } else {
    munmap(buffer, bytes);
  }
}

std::size_t PageSize() noexcept {
  // No system has smaller pages; where they are larger, callers ask about more pages, not fewer.
  static const long pageSize = sysconf(_SC_PAGESIZE);
  return pageSize > 0 ? static_cast<std::size_t>(pageSize) : 4096;
}

}  // namespace platform
