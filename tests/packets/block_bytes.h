// Test blocks made of distinct bytes, so that a wrong offset or byte order cannot pass, and the
// few field writers the tests need.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

#include "distinct_bytes.h"
#include "packets/block_view.h"
#include "platform/platform.h"
#include "reader/reader_ids.h"

namespace packets::test {

using support::Bytes;
using support::DistinctBytes;
using support::Put;

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

// An event record of `size` distinct bytes with the given label capacity.
inline Bytes EventRecord(std::uint64_t size, std::int64_t labelCapacity) {
  Bytes bytes = Block(reader::kEventRecordKind, size, static_cast<std::size_t>(size));
  Put(bytes, 128, labelCapacity);
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
