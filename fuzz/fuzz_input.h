// Reading a fuzz input as a sequence of values: fields come off the front, and an input that
// runs out yields zeros, so every input, however short, is a complete request.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <type_traits>

namespace tapline_fuzz {

class FuzzInput {
 public:
  FuzzInput(const std::uint8_t* data, std::size_t size) : rest(data, size) {}

  // The next sizeof(T) bytes as a T, zero-filled when the input ends early.
  template <typename T>
  T Take() {
    static_assert(std::is_trivially_copyable_v<T>);
    T value{};
    const std::size_t n = rest.size() < sizeof(T) ? rest.size() : sizeof(T);
    if (n > 0) std::memcpy(&value, rest.data(), n);  // unaligned input bytes
    rest = rest.subspan(n);
    return value;
  }
  // Up to `count` bytes, fewer when the input ends first.
  std::span<const std::uint8_t> TakeBytes(std::size_t count) {
    const std::size_t n = rest.size() < count ? rest.size() : count;
    const auto taken = rest.first(n);
    rest = rest.subspan(n);
    return taken;
  }
  std::span<const std::uint8_t> Rest() const { return rest; }
  bool Empty() const { return rest.empty(); }

 private:
  std::span<const std::uint8_t> rest;
};

}  // namespace tapline_fuzz
