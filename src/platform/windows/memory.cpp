#include "platform/memory.h"

#include <new>

#include "platform/platform.h"

namespace platform {

namespace {

// From here on a buffer is reserved on its own: its pages arrive zero-filled from the system,
// where the heap would have to clear them first.
constexpr std::size_t kMappedBufferBytes = std::size_t{8} << 20;

bool IsMapped(std::size_t bytes) { return bytes >= kMappedBufferBytes; }

}  // namespace

std::byte* AllocateBuffer(std::size_t bytes) noexcept {
  if (!IsMapped(bytes)) return new (std::nothrow) std::byte[bytes]();  // value-initialised: zeros
  return static_cast<std::byte*>(VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
}

void FreeBuffer(std::byte* buffer, std::size_t bytes) noexcept {
  if (buffer == nullptr) return;
  if (!IsMapped(bytes)) {
    delete[] buffer;
  } else {
    VirtualFree(buffer, 0, MEM_RELEASE);
  }
}

std::size_t PageSize() noexcept {
  static const std::size_t pageSize = [] {
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    return static_cast<std::size_t>(system.dwPageSize);
  }();
  return pageSize;
}

}  // namespace platform
