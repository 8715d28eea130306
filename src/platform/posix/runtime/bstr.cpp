// BSTR layout: a 32-bit byte length, the UTF-16 units, a terminating unit. The BSTR points at
// the first unit, so it reads as an ordinary terminated string.
#include <cstdlib>
#include <cstring>
#include <limits>

#include "../com_runtime.h"

namespace {

constexpr std::size_t kPrefixBytes = sizeof(std::uint32_t);

std::size_t TextLength(const OLECHAR* text) {
  std::size_t length = 0;
  while (text[length] != 0) ++length;
  return length;
}

// Null when the length does not fit the byte-length prefix or memory runs out.
BSTR AllocateString(const OLECHAR* text, std::size_t length) {
  constexpr std::size_t kMaximumLength =
      (std::numeric_limits<std::uint32_t>::max() - kPrefixBytes - sizeof(OLECHAR)) / sizeof(OLECHAR);
  if (length > kMaximumLength) return nullptr;
  const std::uint32_t byteLength = static_cast<std::uint32_t>(length * sizeof(OLECHAR));
  auto* block = static_cast<unsigned char*>(std::malloc(kPrefixBytes + byteLength + sizeof(OLECHAR)));
  if (block == nullptr) return nullptr;
  std::memcpy(block, &byteLength, kPrefixBytes);
  // malloc's alignment survives the 4-byte prefix for 2-byte units.
  auto* units = reinterpret_cast<OLECHAR*>(block + kPrefixBytes);
  if (text != nullptr) {
    std::memcpy(units, text, byteLength);
  } else {
    std::memset(units, 0, byteLength);
  }
  units[length] = 0;
  return units;
}

unsigned char* BlockOf(BSTR text) { return reinterpret_cast<unsigned char*>(text) - kPrefixBytes; }

}  // namespace

// Null for a null text or when memory runs out.
BSTR SysAllocString(const OLECHAR* text) {
  return text == nullptr ? nullptr : AllocateString(text, TextLength(text));
}

// A null text gives `length` zero units. Null when memory runs out.
BSTR SysAllocStringLen(const OLECHAR* text, UINT length) { return AllocateString(text, length); }

void SysFreeString(BSTR text) {
  if (text != nullptr) std::free(BlockOf(text));
}

UINT SysStringLen(BSTR text) {
  if (text == nullptr) return 0;
  std::uint32_t byteLength = 0;
  std::memcpy(&byteLength, BlockOf(text), kPrefixBytes);
  return byteLength / sizeof(OLECHAR);
}
