// Conversions between the ANSI code page, which is UTF-8 here, and UTF-16, with the Windows
// contracts: a length of -1 takes the text with its terminator, a capacity of 0 asks for the
// size, a buffer that is too small is refused untouched. Ill-formed input becomes U+FFFD, one
// for each maximal ill-formed subpart of UTF-8 and one for each unpaired surrogate, unless the
// caller asks for failure with ERROR_NO_UNICODE_TRANSLATION. The process's ANSI code page
// (CP_ACP), through which file names and console texts pass, is the one exception: there a byte
// that is not UTF-8 becomes the lone surrogate U+DC80 + (byte - 0x80), and such a surrogate
// becomes its byte again, so that a file name, which on this system is any bytes, survives the
// trip through UTF-16 (Python's surrogateescape does the same). The thread's ANSI code page
// (CP_THREAD_ACP), in which hosts receive texts, replaces them like UTF-8 proper: lone
// surrogates in a component's text must not reach a host as bytes of some other character.
#include <climits>
#include <cstdint>
#include <cstring>

#include "../win32.h"

namespace {

constexpr char32_t kReplacement = 0xFFFD;
// Values above U+10FFFF that stand for one raw byte towards UTF-8.
constexpr char32_t kRawByte = 0x110000;
constexpr char32_t kEscapedBytes = 0xDC00;  // + byte, for the bytes 0x80 to 0xFF

struct CodePoint {
  char32_t value;
  std::size_t units;  // input units consumed
  bool wellFormed;
};

// One code point from UTF-8, after the well-formed byte sequences of the Unicode standard
// (no overlong forms, no surrogates, nothing above U+10FFFF).
CodePoint DecodeUtf8(const unsigned char* bytes, std::size_t available) {
  const unsigned char lead = bytes[0];
  if (lead < 0x80) return {lead, 1, true};
  std::size_t trailing = 0;
  unsigned char low = 0x80, high = 0xBF;  // range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    trailing = 1;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    trailing = 2;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    trailing = 3;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return {kReplacement, 1, false};
  }
  char32_t value = lead & (0x3F >> trailing);
  for (std::size_t i = 1; i <= trailing; ++i) {
    if (i >= available || bytes[i] < low || bytes[i] > high) return {kReplacement, i, false};
    value = (value << 6) | (bytes[i] & 0x3F);
    low = 0x80;
    high = 0xBF;
  }
  return {value, trailing + 1, true};
}

// As DecodeUtf8, but each byte of an ill-formed sequence becomes a lone surrogate of its own.
CodePoint DecodeUtf8Escaping(const unsigned char* bytes, std::size_t available) {
  const CodePoint point = DecodeUtf8(bytes, available);
  if (point.wellFormed) return point;
  return {kEscapedBytes + bytes[0], 1, false};  // bytes below 0x80 are always well-formed
}

CodePoint DecodeUtf16(const OLECHAR* units, std::size_t available) {
  const char32_t first = units[0];
  if (first < 0xD800 || first > 0xDFFF) return {first, 1, true};
  if (first <= 0xDBFF && available > 1 && units[1] >= 0xDC00 && units[1] <= 0xDFFF) {
    return {0x10000 + ((first - 0xD800) << 10) + (units[1] - 0xDC00), 2, true};
  }
  return {kReplacement, 1, false};
}

// As DecodeUtf16, but a lone U+DC80 to U+DCFF stands for its byte.
CodePoint DecodeUtf16Escaping(const OLECHAR* units, std::size_t available) {
  const CodePoint point = DecodeUtf16(units, available);
  if (point.wellFormed || units[0] < kEscapedBytes + 0x80 || units[0] > kEscapedBytes + 0xFF) return point;
  return {kRawByte + (units[0] - kEscapedBytes), 1, false};
}

std::size_t EncodeUtf16(char32_t value, OLECHAR* out) {
  if (value < 0x10000) {
    out[0] = static_cast<OLECHAR>(value);
    return 1;
  }
  value -= 0x10000;
  out[0] = static_cast<OLECHAR>(0xD800 + (value >> 10));
  out[1] = static_cast<OLECHAR>(0xDC00 + (value & 0x3FF));
  return 2;
}

std::size_t EncodeUtf8(char32_t value, char* out) {
  if (value >= kRawByte) {
    out[0] = static_cast<char>(value - kRawByte);
    return 1;
  }
  if (value < 0x80) {
    out[0] = static_cast<char>(value);
    return 1;
  }
  if (value < 0x800) {
    out[0] = static_cast<char>(0xC0 | (value >> 6));
    out[1] = static_cast<char>(0x80 | (value & 0x3F));
    return 2;
  }
  if (value < 0x10000) {
    out[0] = static_cast<char>(0xE0 | (value >> 12));
    out[1] = static_cast<char>(0x80 | ((value >> 6) & 0x3F));
    out[2] = static_cast<char>(0x80 | (value & 0x3F));
    return 3;
  }
  out[0] = static_cast<char>(0xF0 | (value >> 18));
  out[1] = static_cast<char>(0x80 | ((value >> 12) & 0x3F));
  out[2] = static_cast<char>(0x80 | ((value >> 6) & 0x3F));
  out[3] = static_cast<char>(0x80 | (value & 0x3F));
  return 4;
}

// Measures the output first, so that a refused conversion writes nothing; then writes it.
// Returns the output length, or 0 with the thread's last error set.
template <typename In, typename Out, typename Decode, typename Encode>
int Convert(const In* input, std::size_t length, Out* output, int capacity, bool strict, Decode decode,
            Encode encode) {
  Out scratch[4];
  std::uint64_t needed = 0;
  for (std::size_t at = 0; at < length;) {
    const CodePoint point = decode(input + at, length - at);
    if (!point.wellFormed && strict) {
      SetLastError(ERROR_NO_UNICODE_TRANSLATION);
      return 0;
    }
    needed += encode(point.value, scratch);
    at += point.units;
  }
  if (needed > static_cast<std::uint64_t>(INT_MAX)) {
    SetLastError(ERROR_ARITHMETIC_OVERFLOW);
    return 0;
  }
  if (capacity == 0) return static_cast<int>(needed);
  if (needed > static_cast<std::uint64_t>(capacity)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::size_t written = 0;
  for (std::size_t at = 0; at < length;) {
    const CodePoint point = decode(input + at, length - at);
    written += encode(point.value, output + written);
    at += point.units;
  }
  return static_cast<int>(written);
}

bool EscapesBytes(UINT codePage) { return codePage == CP_ACP; }

bool IsUtf8CodePage(UINT codePage) {
  return codePage == CP_ACP || codePage == CP_THREAD_ACP || codePage == CP_UTF8;
}

bool Fail(DWORD code) {
  SetLastError(code);
  return false;
}

// The checks both directions share; false with the last error set.
template <typename In, typename Out>
bool ValidArguments(UINT codePage, const In* input, int length, const Out* output, int capacity) {
  if (!IsUtf8CodePage(codePage)) return Fail(ERROR_INVALID_PARAMETER);
  if (input == nullptr || length == 0 || length < -1 || capacity < 0) return Fail(ERROR_INVALID_PARAMETER);
  if (capacity > 0 && output == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  if (capacity > 0 && static_cast<const void*>(input) == static_cast<const void*>(output)) {
    return Fail(ERROR_INVALID_PARAMETER);
  }
  return true;
}

}  // namespace

int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR text, int length, OLECHAR* wide, int capacity) {
  if (!ValidArguments(codePage, text, length, wide, capacity)) return 0;
  if ((flags & ~MB_ERR_INVALID_CHARS) != 0) {
    SetLastError(ERROR_INVALID_FLAGS);
    return 0;
  }
  const std::size_t bytes = length == -1 ? std::strlen(text) + 1 : static_cast<std::size_t>(length);
  // char may be signed; the decoder reads bytes.
  const bool strict = (flags & MB_ERR_INVALID_CHARS) != 0;
  const auto* input = reinterpret_cast<const unsigned char*>(text);
  return EscapesBytes(codePage) ? Convert(input, bytes, wide, capacity, strict, DecodeUtf8Escaping, EncodeUtf16)
                                  : Convert(input, bytes, wide, capacity, strict, DecodeUtf8, EncodeUtf16);
}

// defaultChar and usedDefault must be null, as for UTF-8 on Windows: nothing is ever replaced by
// a default character.
int WideCharToMultiByte(UINT codePage, DWORD flags, const OLECHAR* wide, int length, LPSTR text, int capacity,
                        LPCSTR defaultChar, LPBOOL usedDefault) {
  if (!ValidArguments(codePage, wide, length, text, capacity)) return 0;
  if ((flags & ~WC_ERR_INVALID_CHARS) != 0) {
    SetLastError(ERROR_INVALID_FLAGS);
    return 0;
  }
  if (defaultChar != nullptr || usedDefault != nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::size_t units = static_cast<std::size_t>(length);
  if (length == -1) {
    units = 0;
    while (wide[units] != 0) ++units;
    ++units;
  }
  const bool strict = (flags & WC_ERR_INVALID_CHARS) != 0;
  return EscapesBytes(codePage) ? Convert(wide, units, text, capacity, strict, DecodeUtf16Escaping, EncodeUtf8)
                                  : Convert(wide, units, text, capacity, strict, DecodeUtf16, EncodeUtf8);
}
