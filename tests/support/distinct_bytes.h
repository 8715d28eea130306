// Test bytes that cannot be mistaken for one another, so that a wrong offset or byte order
// cannot pass, and the field writer the tests fill them with.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace support {

using Bytes = std::vector<std::uint8_t>;

// n bytes counting 1, 2, 3, ... from `first`, skipping 0 so that no text ends early.
inline Bytes DistinctBytes(std::size_t n, std::uint8_t first = 1) {
  Bytes bytes(n);
  std::uint8_t value = first;
  for (auto& byte : bytes) {
    if (value == 0) value = 1;
    byte = value++;
  }
  return bytes;
}

template <typename T>
void Put(Bytes& bytes, std::size_t offset, const T& value) {
  std::memcpy(bytes.data() + offset, &value, sizeof(T));
}

}  // namespace support
