// Owned packet buffers. A whole segment's sample block is hundreds of megabytes, filled once
// and read once; on virtual machines taking its pages one small-page fault at a time costs
// more than the copies, so large buffers ask the system for huge pages where it has them.
#pragma once

#include <cstddef>

namespace platform {

// Uninitialised storage of `bytes` bytes, or null when none can be had. Never throws.
std::byte* AllocateBuffer(std::size_t bytes) noexcept;
// Frees what AllocateBuffer gave for the same `bytes`. Null is ignored.
void FreeBuffer(std::byte* buffer, std::size_t bytes) noexcept;

}  // namespace platform
