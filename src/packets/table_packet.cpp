#include "packets/table_packet.h"

#include <cstring>
#include <optional>

#include "packets/packet_bytes.h"

namespace packets {
namespace {

std::uint64_t TableLength(const TableLayout& layout, std::uint32_t entryCount) {
  // At most 2^32 - 1 entries of at most 2^32 - 1 bytes: no 64-bit overflow.
  return std::uint64_t{layout.headerSize} + std::uint64_t{layout.entrySize} * entryCount;
}

// entryCount of the block; nullopt when the block ends before it.
std::optional<std::uint32_t> ReadEntryCount(const TableLayout& layout,
                                            std::span<const std::byte> block) {
  return ReadLittleEndian<std::uint32_t>(block, EntryCountOffset(layout));
}

}  // namespace

bool IsValidTable(const TableLayout& layout, BlockView block) noexcept {
  const std::optional<std::span<const std::byte>> whole = block.Declared();
  if (!whole || !GuidAt(*whole, kGuidOffset, layout.kind) || whole->size() < layout.headerSize) return false;
  const std::optional<std::uint32_t> entryCount = ReadEntryCount(layout, *whole);
  return entryCount && TableLength(layout, *entryCount) <= whole->size();
}

bool CopyTable(const TableLayout& layout, BlockView block, InfoPacket& packet) noexcept {
  // IsValidTable found the count, and every entry it announces, within the declared block.
  const std::span<const std::byte> whole = *block.Declared();
  const std::uint32_t entryCount = *ReadEntryCount(layout, whole);
  const std::uint64_t length = TableLength(layout, entryCount);
  if (!packet.Allocate(length)) return false;
  const std::span<std::byte> copy = packet.Block();
  // Bytes 0-23 are the packet's own GUID and the trimmed size written by Allocate.
  std::memcpy(copy.data() + kHeaderSize, whole.data() + kHeaderSize, copy.size() - kHeaderSize);
  WriteLittleEndian(copy, EntryCapacityOffset(layout), entryCount);
  return true;
}

void TrimTable(const TableLayout& layout, std::span<std::byte> block) noexcept {
  const std::uint32_t entryCount = *ReadEntryCount(layout, block);
  WriteLittleEndian(block, kSizeOffset, TableLength(layout, entryCount));
  WriteLittleEndian(block, EntryCapacityOffset(layout), entryCount);
}

bool EqualTables(const TableLayout& layout, std::span<const std::byte> held,
                 BlockView other) noexcept {
  if (held.empty()) return other.IsNull();
  const std::optional<std::span<const std::byte>> otherHeader = other.First(layout.headerSize);
  if (!otherHeader || !GuidAt(*otherHeader, kGuidOffset, layout.kind)) return false;
  if (*ReadLittleEndian<std::uint64_t>(*otherHeader, kSizeOffset) < layout.headerSize) return false;
  if (held.size() < layout.headerSize) return false;
  // headerData1 and headerData2: everything between the 24-byte header and the entry count.
  if (std::memcmp(held.data() + kHeaderSize, otherHeader->data() + kHeaderSize,
                  EntryCountOffset(layout) - kHeaderSize) != 0) {
    return false;
  }
  const std::uint32_t heldCount = *ReadEntryCount(layout, held);
  if (*ReadEntryCount(layout, *otherHeader) != heldCount) return false;
  if (heldCount == 0) return true;
  const std::uint64_t length = TableLength(layout, heldCount);
  // Entries that are not there on either side compare with nothing.
  if (length > held.size() || length >= kBlockSizeLimit) return false;
  const std::optional<std::span<const std::byte>> otherTable = other.First(length);
  return otherTable && std::memcmp(held.data() + layout.headerSize, otherTable->data() + layout.headerSize,
                                   static_cast<std::size_t>(length - layout.headerSize)) == 0;
}

std::int32_t TableEntryCount(const TableLayout& layout, std::span<const std::byte> held) noexcept {
  const std::optional<std::uint32_t> entryCount = ReadEntryCount(layout, held);
  if (!entryCount) return 0;
  // A validated table lies below 2^32 bytes, so its count fits in 31 bits.
  return static_cast<std::int32_t>(*entryCount);
}

std::span<const std::byte> TableEntry(const TableLayout& layout, std::span<const std::byte> held,
                                      std::int32_t index) noexcept {
  if (index < 0 || index >= TableEntryCount(layout, held)) return {};
  const std::uint64_t offset =
      std::uint64_t{layout.headerSize} + std::uint64_t{layout.entrySize} * static_cast<std::uint32_t>(index);
  if (!Fits(held, offset, layout.entrySize)) return {};
  return held.subspan(static_cast<std::size_t>(offset), layout.entrySize);
}

}  // namespace packets
