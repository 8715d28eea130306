// Reading and writing the fields of a block within its bounds. Packets are little-endian and
// so are the hosts the library runs on; fields are copied with memcpy because blocks from the
// component need not be aligned.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string>
#include <type_traits>

#include "platform/platform.h"

namespace packets {

// UTF-16 text taken out of a packet, in the code units the platform's conversions take.
using PacketText = std::basic_string<OLECHAR>;

// Every block starts with its kind GUID and its unsigned 64-bit total size.
inline constexpr std::size_t kGuidOffset = 0;
inline constexpr std::size_t kSizeOffset = 16;
inline constexpr std::size_t kHeaderSize = 24;
// Memory for a block is addressed with 32-bit sizes, so no block may reach 2^32 bytes.
inline constexpr std::uint64_t kBlockSizeLimit = std::uint64_t{1} << 32;

// True when `count` bytes from `offset` lie inside the block. Compares with the remainder so
// that a hostile offset cannot wrap.
inline bool Fits(std::span<const std::byte> block, std::uint64_t offset, std::uint64_t count) {
  return offset <= block.size() && block.size() - offset >= count;
}

// Field of type T at `offset`; nullopt when it does not fit in the block.
template <typename T>
std::optional<T> ReadLittleEndian(std::span<const std::byte> block, std::uint64_t offset) {
  static_assert(std::is_trivially_copyable_v<T>);
  if (!Fits(block, offset, sizeof(T))) return std::nullopt;
  T value{};
  std::memcpy(&value, block.data() + offset, sizeof(T));  // unaligned, little-endian host
  return value;
}

// Writes the field; false (block unchanged) when it does not fit.
template <typename T>
bool WriteLittleEndian(std::span<std::byte> block, std::uint64_t offset, const T& value) {
  static_assert(std::is_trivially_copyable_v<T>);
  if (!Fits(block, offset, sizeof(T))) return false;
  std::memcpy(block.data() + offset, &value, sizeof(T));  // unaligned, little-endian host
  return true;
}

// GUIDs are compared as their 16 raw bytes, whatever the platform's operator says.
inline bool SameGuid(const GUID& a, const GUID& b) {
  return std::memcmp(&a, &b, sizeof(GUID)) == 0;
}

// The GUID at `offset` equals `guid`; false when it does not fit.
bool GuidAt(std::span<const std::byte> block, std::uint64_t offset, const GUID& guid);

// The zero-terminated UTF-16 text that starts at `offset` and may take at most `fieldBytes`
// bytes. Stops at the terminator, at the end of the field or at the end of the block,
// whichever comes first, so a missing terminator never leads outside either.
PacketText ReadBoundedText(std::span<const std::byte> block, std::uint64_t offset,
                           std::uint64_t fieldBytes);

}  // namespace packets
