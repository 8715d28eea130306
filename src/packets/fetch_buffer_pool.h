// The buffers the fetch paths hand to the component. A table packet is fetched whole for every
// query (5.5 MB for 9,999 channels, once per channel name), so clearing a fresh buffer for each
// fetch cost about half as much as the component's own write of the packet. The buffer a packet
// gives back is therefore kept and lent to the next fetch instead of being freed.
//
// A kept buffer holds only bytes that components wrote into it since the recording was opened
// (and the library's trims of them), never other memory of the process, and its first 4 KiB
// (every packet kind's header, the entry count included) are cleared before each loan: a
// component that reports success without writing leaves no packet header behind, so the
// packet is refused as it was from a fresh buffer. Every check of a fetched block is bounded
// by the size asked for in that fetch, never by the buffer's capacity, so nothing an earlier
// fetch left beyond it is ever read.
#pragma once

#include <cstddef>
#include <cstdint>

namespace packets {

// A buffer of at least `size` bytes for the component to fill; null when no memory can be had.
// The kept buffer when it is large enough and not on loan; else a fresh zero-filled one.
std::byte* BorrowFetchBuffer(std::uint64_t size) noexcept;
// Gives back a buffer a packet owned (or a fetch could not hand on): the one on loan is kept
// for the next fetch, any other is freed as platform::FreeBuffer(buffer, ownedSize) frees it.
// Null is ignored.
void ReleasePacketBuffer(std::byte* buffer, std::uint64_t ownedSize) noexcept;
// Frees the kept buffer, so that no bytes of a closed recording outlive it.
void DropKeptFetchBuffer() noexcept;

}  // namespace packets
