// A packet being laid out: zeroed bytes with the kind GUID and the total size in front. Every
// write is checked against the packet's size.
#pragma once

#include <cstddef>
#include <cstring>
#include <stdexcept>
#include <string_view>
#include <type_traits>
#include <vector>

#include "platform/platform.h"

namespace open_formats {

class PacketWriter {
 public:
  // Zeroed bytes with the kind and the size in the packet header.
  PacketWriter(const GUID& kind, std::size_t size);

  // Throws std::out_of_range when the value does not fit: a layout error, never data.
  template <typename T>
  void Put(std::size_t offset, const T& value) {
    static_assert(std::is_trivially_copyable_v<T>);
    CheckRange(offset, sizeof(T));
    std::memcpy(bytes.data() + offset, &value, sizeof(T));  // unaligned, little-endian host
  }
  // At most capacityUnits - 1 units and a terminator; a surrogate pair is never split.
  void PutUtf16(std::size_t offset, std::u16string_view text, std::size_t capacityUnits);
  // The bytes, cut to the width (the rest stays zero).
  void PutBytes(std::size_t offset, std::string_view text, std::size_t width);

  std::vector<std::byte> Take() { return std::move(bytes); }

 private:
  void CheckRange(std::size_t offset, std::size_t length) const;
  std::vector<std::byte> bytes;
};

// The UTF-16 text cut to at most maxUnits units, never between the halves of a surrogate pair.
std::u16string_view CutUtf16(std::u16string_view text, std::size_t maxUnits);

}  // namespace open_formats
