#include "packets/info_packet.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

#include "packets/packet_bytes.h"
#include "platform/memory.h"

namespace packets {

bool IsUsableBlockSize(std::uint64_t n) noexcept {
  return n >= kHeaderSize && n < kBlockSizeLimit;
}

InfoPacket::~InfoPacket() { FreeOwnedBuffer(); }

void InfoPacket::Clear() noexcept {
  FreeOwnedBuffer();
  ownedSize = 0;
  data = nullptr;
}

std::optional<std::span<const std::byte>> InfoPacket::DeclaredOfKind(BlockView block) const noexcept {
  const std::optional<std::span<const std::byte>> whole = block.Declared();
  if (!whole || !GuidAt(*whole, kGuidOffset, guid)) return std::nullopt;
  return whole;
}

bool InfoPacket::IsValid(BlockView block) const noexcept { return DeclaredOfKind(block).has_value(); }

bool InfoPacket::Attach(WritableBlockView block) noexcept {
  if (!IsValid(block)) return false;
  // Freeing the owned buffer and then adopting it would leave the packet on freed memory.
  if (block.Bytes() == data && IsOwned()) return true;
  FreeOwnedBuffer();
  ownedSize = 0;
  data = block.Bytes();
  return true;
}

bool InfoPacket::Assign(BlockView block) noexcept {
  if (!IsValid(block)) return false;
  const std::span<const std::byte> whole = *block.Declared();
  if (!Allocate(whole.size())) return false;
  // The source may be the packet's own owned buffer, reused by Allocate.
  std::memmove(data, whole.data(), whole.size());
  return true;
}

bool InfoPacket::Equals(BlockView block) const noexcept {
  if (data == nullptr) return block.IsNull();
  const std::optional<std::span<const std::byte>> otherHeader = block.First(kHeaderSize);
  if (!otherHeader) return false;
  const std::uint64_t otherSize = *ReadLittleEndian<std::uint64_t>(*otherHeader, kSizeOffset);
  const std::span<const std::byte> held = Block();
  if (held.size() < kHeaderSize) return false;
  if (*ReadLittleEndian<std::uint64_t>(held, kSizeOffset) != otherSize) return false;
  // Both blocks must really have the bytes their size claims.
  if (held.size() != otherSize) return false;
  const std::optional<std::span<const std::byte>> other = block.First(otherSize);
  return other && std::memcmp(held.data(), other->data(), held.size()) == 0;
}

bool InfoPacket::TakeBlock(std::byte* buffer, std::uint64_t capacity) noexcept {
  if (buffer == nullptr || !IsValid(BlockView::OfLength(buffer, capacity))) return false;
  FreeOwnedBuffer();
  data = buffer;
  ownedSize = capacity;  // not 0: a valid block has at least its header
  return true;
}

std::byte* InfoPacket::NewBuffer(std::uint64_t n) noexcept {
  return platform::AllocateBuffer(static_cast<std::size_t>(n));
}

void InfoPacket::FreeOwnedBuffer() noexcept {
  if (ownedSize != 0) platform::FreeBuffer(data, static_cast<std::size_t>(ownedSize));
}

void InfoPacket::TakeBuffer(std::byte* buffer, std::uint64_t n) noexcept {
  FreeOwnedBuffer();
  data = buffer;
  ownedSize = n;
  std::memcpy(data + kGuidOffset, &guid, sizeof(guid));
  std::memcpy(data + kSizeOffset, &n, sizeof(n));
}

bool InfoPacket::Allocate(std::uint64_t n) noexcept { return Reserve(n, false); }

bool InfoPacket::Resize(std::uint64_t n) noexcept { return Reserve(n, true); }

bool InfoPacket::Reserve(std::uint64_t n, bool keepBlock) noexcept {
  if (!IsUsableBlockSize(n)) return false;
  if (ownedSize != 0 && n <= ownedSize) {
    std::memcpy(data + kSizeOffset, &n, sizeof(n));
    return true;
  }
  std::byte* buffer = NewBuffer(n);
  if (buffer == nullptr) return false;
  const std::span<const std::byte> held = Block();
  if (keepBlock && !held.empty()) {
    std::memcpy(buffer, held.data(), std::min<std::size_t>(held.size(), static_cast<std::size_t>(n)));
  }
  TakeBuffer(buffer, n);
  return true;
}

std::span<const std::byte> InfoPacket::Block() const noexcept {
  if (data == nullptr) return {};
  std::uint64_t size = 0;
  std::memcpy(&size, data + kSizeOffset, sizeof(size));  // unaligned in adopted bytes
  // An adopted block was checked against its size when it was attached; an owned one can
  // never be longer than its buffer.
  const std::uint64_t limit = ownedSize != 0 ? ownedSize : size;
  return {data, static_cast<std::size_t>(std::min(size, limit))};
}

std::span<std::byte> InfoPacket::Block() noexcept {
  const std::span<const std::byte> held = std::as_const(*this).Block();
  return {data, held.size()};
}

}  // namespace packets
