#include "platform/memory.h"

#include <new>

#include "platform/platform.h"

namespace platform {

namespace {

// Large buffers are reserved on their own: their pages arrive zero-filled from the system,
// where the heap would have to clear them first. Large pages need a privilege that a host's
// process does not hold, so they are not asked for.
bool IsMapped(std::size_t bytes) { return bytes >= kLargeBufferBytes; }

const SYSTEM_INFO& System() {
  static const SYSTEM_INFO system = [] {
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    return info;
  }();
  return system;
}

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

std::size_t BufferAlignment(std::size_t bytes) noexcept {
  return IsMapped(bytes) ? static_cast<std::size_t>(System().dwAllocationGranularity)
                         : alignof(std::max_align_t);
}

std::size_t PageSize() noexcept { return static_cast<std::size_t>(System().dwPageSize); }

}  // namespace platform
