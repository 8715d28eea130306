// The object that holds one packet block: either a buffer of its own or bytes it adopted from
// the caller. Every packet kind derives from it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "packets/block_view.h"
#include "platform/platform.h"

namespace packets {

class InfoPacket {
 public:
  InfoPacket(const InfoPacket&) = delete;
  InfoPacket& operator=(const InfoPacket&) = delete;

  // Frees the buffer when the packet owns it; adopted bytes stay the caller's.
  virtual ~InfoPacket() = 0;
  // Drops the block, freeing it only when owned.
  virtual void Clear() noexcept;
  // The block starts with this packet's kind GUID, is readable for its 24-byte header and for
  // the whole of its declared size, and that size lies in [24, 2^32). False for a null block.
  virtual bool IsValid(BlockView block) const noexcept;
  // Adopts a valid block without copying it. False, and nothing changes, when the block is
  // not valid. Attaching the packet's own owned buffer keeps it owned and returns true.
  virtual bool Attach(WritableBlockView block) noexcept;
  // Makes an owned copy of a valid block, header included. False, and nothing changes, when
  // the block is not valid or no memory can be had for the copy.
  virtual bool Assign(BlockView block) noexcept;
  // Same declared size and the same bytes over that size. An empty packet equals only a null
  // block; a block that cannot be read over its declared size equals nothing.
  virtual bool Equals(BlockView block) const noexcept;
  // Takes `buffer`, which the component filled, as the packet's owned block when it holds a
  // valid block: the packet Assign would copy from it, made in place, so that a fetched packet
  // is read once, by its check, and never copied. Comes after the six operations above, which
  // keep their slots. The block is checked within its first `capacity` bytes only; `buffer`
  // comes from platform::AllocateBuffer(capacity) and is the packet's from then on, freed as
  // platform::FreeBuffer(buffer, capacity) frees it. False, and the buffer stays the caller's
  // and nothing changes, when the block is not valid.
  virtual bool TakeBlock(std::byte* buffer, std::uint64_t capacity) noexcept;

  void SetGuid(const GUID& kind) noexcept { guid = kind; }
  // Owns a buffer of at least n bytes holding this packet's GUID and n as `size`; an owned
  // buffer that is large enough is reused and only `size` is rewritten. False, and nothing
  // changes, for n below 24 or from 2^32 on, or when no memory can be had.
  bool Allocate(std::uint64_t n) noexcept;
  // As Allocate, but a new buffer starts with the leading bytes of the held block (as many
  // as both have). Same failures.
  bool Resize(std::uint64_t n) noexcept;
  bool IsOwned() const noexcept { return ownedSize != 0; }

  // The held block, bounded by its declared size and, for an owned buffer, by the buffer's
  // capacity; empty when the packet holds nothing.
  std::span<const std::byte> Block() const noexcept;
  // The same, for the component to fill in place (sample blocks).
  std::span<std::byte> Block() noexcept;
  // Capacity of the owned buffer; 0 when the packet owns none.
  std::uint64_t OwnedSize() const noexcept { return ownedSize; }
  const GUID& Guid() const noexcept { return guid; }

 protected:
  InfoPacket() noexcept = default;

  // The block as IsValid of every packet checks it: as far as its header declares it, when
  // that is readable and the block starts with this packet's kind GUID; nullopt otherwise.
  // Kinds that check more take their fields from this span, so that a block of unknown length
  // is asked about once.
  std::optional<std::span<const std::byte>> DeclaredOfKind(BlockView block) const noexcept;

  // Points at the caller's bytes, or the owned buffer, or null.
  std::byte* data = nullptr;
  std::uint64_t ownedSize = 0;
  GUID guid{};

 private:
  // Allocate, and with `keepBlock` Resize: reuses a large enough owned buffer, or takes a new
  // one that starts with the held block's leading bytes when `keepBlock` is set.
  bool Reserve(std::uint64_t n, bool keepBlock) noexcept;
  // Allocates the new buffer for Reserve; null when memory is short.
  static std::byte* NewBuffer(std::uint64_t n) noexcept;
  // Frees data when owned and adopts `buffer` of capacity n with a fresh header.
  void TakeBuffer(std::byte* buffer, std::uint64_t n) noexcept;
  // Frees the buffer when the packet owns one; leaves `data` and `ownedSize` to the caller.
  void FreeOwnedBuffer() noexcept;
};

// True when n is a size a block may have: room for the header, below 2^32.
bool IsUsableBlockSize(std::uint64_t n) noexcept;

}  // namespace packets
