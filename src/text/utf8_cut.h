// Cutting UTF-8 text to a byte budget without splitting a character, for the library's text
// exports and the component's packets alike.
#pragma once

#include <cstddef>
#include <string_view>

namespace text {

// The longest start of `utf8` of at most maxBytes bytes that ends on a character boundary:
// continuation bytes (10xxxxxx) that would lose their lead byte are dropped with it.
inline std::string_view CutUtf8(std::string_view utf8, std::size_t maxBytes) {
  if (utf8.size() <= maxBytes) return utf8;
  std::size_t length = maxBytes;
  while (length > 0 && (static_cast<unsigned char>(utf8[length]) & 0xC0) == 0x80) --length;
  return utf8.substr(0, length);
}

}  // namespace text
