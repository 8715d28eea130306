// Zero-filled buffers for packets and for the blocks the component fills. A whole segment's
// sample block is hundreds of megabytes, fresh for every read and read once; on virtual
// machines taking its pages one small-page fault at a time costs more than the copies, so
// large buffers ask the system for huge pages where it offers them.
#pragma once

#include <cstddef>

namespace platform {

// From this size on a buffer is mapped on its own, aligned to and, where the system offers
// them, backed by huge pages. Below it the heap serves faster: a fetch repeated call after
// call (a table of thousands of channels, 5.5 MB, once per channel name) gets warm memory
// back that the allocator clears in 0.2 ms, where a fresh mapping of it costs 1.7 ms in huge
// pages and 4.9 ms in small ones. From here on the C heap maps every block afresh anyway, in
// small pages.
inline constexpr std::size_t kLargeBufferBytes = std::size_t{32} << 20;

// Zero-filled storage of `bytes` bytes, or null when none can be had (a size the system
// cannot map is refused the same way). Never throws. Zeroed so that a block the component
// leaves partly unwritten hands out zeros, never earlier contents of the process; large
// buffers are fresh mappings, zero already, and cost no clearing pass. A size of 0 gives a
// buffer of no bytes, to be freed like any other.
std::byte* AllocateBuffer(std::size_t bytes) noexcept;
// Frees what AllocateBuffer gave for the same `bytes`. Null is ignored.
void FreeBuffer(std::byte* buffer, std::size_t bytes) noexcept;
// The alignment AllocateBuffer guarantees for a buffer of `bytes` bytes: that of every scalar
// type, and for large buffers that of the pages they are mapped in.
std::size_t BufferAlignment(std::size_t bytes) noexcept;

// The size of the pages that memory is mapped and protected in: a page one of whose bytes can
// be read can be read whole.
std::size_t PageSize() noexcept;

}  // namespace platform
