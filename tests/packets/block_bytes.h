// Test blocks made of distinct bytes, so that a wrong offset or byte order cannot pass, and the
// few field writers the tests need.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

#include "packets/block_view.h"
#include "platform/platform.h"

namespace packets::test {

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

template <typename T>
T Get(const void* bytes, std::size_t offset) {
  T value{};
  std::memcpy(&value, static_cast<const std::byte*>(bytes) + offset, sizeof(T));
  return value;
}

// A block of `length` distinct bytes that starts with `kind` and declares `size`.
inline Bytes Block(const GUID& kind, std::uint64_t size, std::size_t length, std::uint8_t first = 1) {
  Bytes bytes = DistinctBytes(length, first);
  Put(bytes, 0, kind);
  Put(bytes, 16, size);
  return bytes;
}

inline BlockView View(const Bytes& bytes) { return BlockView::OfLength(bytes.data(), bytes.size()); }
inline WritableBlockView WritableView(Bytes& bytes) {
  return WritableBlockView::OfLength(bytes.data(), bytes.size());
}

// The header's size field of a held block.
inline std::uint64_t DeclaredSize(std::span<const std::byte> block) { return Get<std::uint64_t>(block.data(), 16); }

inline Bytes Copy(std::span<const std::byte> block) {
  const auto* first = reinterpret_cast<const std::uint8_t*>(block.data());  // bytes as bytes
  return Bytes(first, first + block.size());
}

inline constexpr GUID kOtherKind = {
    0x01020304, 0x0506, 0x0708, {0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F, 0x10}};

}  // namespace packets::test
