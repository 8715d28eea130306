// Owned packet buffers. A whole segment's sample block is hundreds of megabytes, filled once
// and read once; on virtual machines taking its pages one small-page fault at a time costs
// more than the copies, so large buffers ask the system for huge pages where it has them.
#pragma once

#include <cstddef>

namespace platform {

// Zero-filled storage of `bytes` bytes, or null when none can be had. Never throws. Zeroed so
// that a block the component leaves partly unwritten hands out zeros, never earlier heap
// contents; large buffers are fresh mappings, zero already, and cost no extra pass.
std::byte* AllocateBuffer(std::size_t bytes) noexcept;
// Frees what AllocateBuffer gave for the same `bytes`. Null is ignored.
void FreeBuffer(std::byte* buffer, std::size_t bytes) noexcept;

// The size of the pages that memory is mapped and protected in: a page one of whose bytes can
// be read can be read whole.
std::size_t PageSize() noexcept;

}  // namespace platform
