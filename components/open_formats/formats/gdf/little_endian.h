// Little-endian fields of a GDF file's binary header and event table, read within bounds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <type_traits>

namespace gdf {

// The field of type T at the offset; nullopt when it does not fit in the block.
template <typename T>
std::optional<T> ReadLittleEndian(std::span<const std::byte> block, std::size_t offset) {
  static_assert(std::is_trivially_copyable_v<T>);
  // Compared with the remainder, not offset + sizeof(T): a hostile offset must not wrap.
  if (offset > block.size() || block.size() - offset < sizeof(T)) return std::nullopt;
  T value{};
  std::memcpy(&value, block.data() + offset, sizeof(T));  // little-endian hosts only
  return value;
}

// GDF's 3-byte unsigned counts (the event table's count or, before 1.94, its rate).
inline std::optional<std::uint32_t> ReadU24LittleEndian(std::span<const std::byte> block,
                                                        std::size_t offset) {
  if (offset > block.size() || block.size() - offset < 3) return std::nullopt;
  const auto byte = [&](std::size_t i) {
    return std::to_integer<std::uint32_t>(block[offset + i]);
  };
  return byte(0) | byte(1) << 8 | byte(2) << 16;
}

}  // namespace gdf
