// A block of bytes handed to a packet, together with what is known about its length. Blocks
// from the fetch paths carry the length that was allocated for them; blocks adopted from the
// component (event records) come without one, and the platform's readability test stands in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace packets {

class BlockView {
 public:
  // A block of exactly `length` readable bytes (or fewer, when `bytes` is null).
  static BlockView OfLength(const void* bytes, std::uint64_t length) noexcept {
    return BlockView(static_cast<const std::byte*>(bytes), length);
  }
  // A block whose length nobody knows; only its own header says how long it claims to be.
  static BlockView OfUnknownLength(const void* bytes) noexcept {
    return BlockView(static_cast<const std::byte*>(bytes), std::nullopt);
  }

  const std::byte* Bytes() const noexcept { return bytes; }
  bool IsNull() const noexcept { return bytes == nullptr; }
  // True when the first `count` bytes can be read: within the known length, or, without one,
  // when the platform says the range is readable. False for a null block.
  bool CanRead(std::uint64_t count) const noexcept;
  // The first `count` bytes, when they can be read; nullopt otherwise. Fields are read from
  // such spans, within their bounds, never from Bytes() at a fixed offset.
  std::optional<std::span<const std::byte>> First(std::uint64_t count) const noexcept;
  // The block as far as its own header declares it: the 24-byte header readable, its `size`
  // in [24, 2^32) and that many bytes readable; nullopt otherwise.
  std::optional<std::span<const std::byte>> Declared() const noexcept;

 private:
  BlockView(const std::byte* bytes, std::optional<std::uint64_t> length) noexcept
      : bytes(bytes), length(length) {}

  // CanRead(count) once the first `checked` bytes were found readable. Without a known length
  // only the pages past those that hold the checked bytes are asked about: memory is readable
  // or not a whole page at a time.
  bool CanReadPast(std::uint64_t checked, std::uint64_t count) const noexcept;

  const std::byte* bytes;
  std::optional<std::uint64_t> length;
};

// The same for a block the packet may write into once it has adopted it (an event record's
// label is rewritten in place when its field is large enough).
class WritableBlockView {
 public:
  static WritableBlockView OfLength(void* bytes, std::uint64_t length) noexcept {
    return WritableBlockView(static_cast<std::byte*>(bytes), BlockView::OfLength(bytes, length));
  }
  static WritableBlockView OfUnknownLength(void* bytes) noexcept {
    return WritableBlockView(static_cast<std::byte*>(bytes), BlockView::OfUnknownLength(bytes));
  }

  std::byte* Bytes() const noexcept { return bytes; }
  operator BlockView() const noexcept { return view; }

 private:
  WritableBlockView(std::byte* bytes, BlockView view) noexcept : bytes(bytes), view(view) {}

  std::byte* bytes;
  BlockView view;
};

}  // namespace packets
