// The packet kinds that carry a fixed header of H bytes followed by a counted table of
// E-byte entries. The 32-bit entry count sits at H - 8, the entry capacity at H - 4, and entry
// i starts at H + E * i.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "packets/block_view.h"
#include "packets/info_packet.h"
#include "platform/platform.h"

namespace packets {

struct TableLayout {
  GUID kind;
  std::uint32_t headerSize;  // H
  std::uint32_t entrySize;   // E
};

constexpr std::uint64_t EntryCountOffset(const TableLayout& layout) { return layout.headerSize - 8; }
constexpr std::uint64_t EntryCapacityOffset(const TableLayout& layout) { return layout.headerSize - 4; }

// The kind GUID, a size of at least H, below 2^32 and readable, and room within that size
// for every entry the count announces (computed in 64 bits, so no count wraps the bound).
bool IsValidTable(const TableLayout& layout, BlockView block) noexcept;
// Copies a block that IsValidTable accepted into the packet's own buffer, trimmed to
// H + E * entryCount bytes with that value in `size` and entryCapacity set to entryCount.
// False, and the packet unchanged, when no memory can be had.
bool CopyTable(const TableLayout& layout, BlockView block, InfoPacket& packet) noexcept;
// Trims a block that IsValidTable accepted in place, as CopyTable trims its copy: `size` set to
// H + E * entryCount and entryCapacity to entryCount.
void TrimTable(const TableLayout& layout, std::span<std::byte> block) noexcept;
// The header bytes after the first 24 and the entries compare equal; `size` and the entry
// capacity do not count. An empty held block equals only a null block.
bool EqualTables(const TableLayout& layout, std::span<const std::byte> held,
                 BlockView other) noexcept;
// entryCount of the held block; 0 when there is none.
std::int32_t TableEntryCount(const TableLayout& layout, std::span<const std::byte> held) noexcept;
// The E bytes of entry `index`; empty when the index is outside the table or the block.
std::span<const std::byte> TableEntry(const TableLayout& layout, std::span<const std::byte> held,
                                      std::int32_t index) noexcept;

template <const TableLayout& Layout>
class TablePacket : public InfoPacket {
 public:
  static constexpr const GUID& kKind = Layout.kind;
  static constexpr std::uint32_t kHeaderSize = Layout.headerSize;
  static constexpr std::uint32_t kEntrySize = Layout.entrySize;

  ~TablePacket() override = default;

  bool IsValid(BlockView block) const noexcept override { return IsValidTable(Layout, block); }
  // Assigning the packet's own owned block changes nothing; its own adopted block becomes an
  // owned copy.
  bool Assign(BlockView block) noexcept override {
    if (!IsValid(block)) return false;
    if (block.Bytes() == data && IsOwned()) return true;
    return CopyTable(Layout, block, *this);
  }
  bool Equals(BlockView block) const noexcept override {
    return EqualTables(Layout, Block(), block);
  }
  bool TakeBlock(std::byte* buffer, std::uint64_t capacity) noexcept override {
    if (buffer == nullptr || !IsValid(BlockView::OfLength(buffer, capacity))) return false;
    // Within `capacity`: the check found the declared size there.
    TrimTable(Layout, {buffer, static_cast<std::size_t>(capacity)});
    return InfoPacket::TakeBlock(buffer, capacity);
  }

  std::int32_t GetEntryCount() const noexcept { return TableEntryCount(Layout, Block()); }

 protected:
  TablePacket() noexcept { SetGuid(Layout.kind); }

  std::span<const std::byte> Entry(std::int32_t index) const noexcept {
    return TableEntry(Layout, Block(), index);
  }
};

}  // namespace packets
