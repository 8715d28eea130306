#include "common/text_encoding.h"

#include <utility>

namespace common {

namespace {

void AppendUtf16(std::u16string& out, char32_t codePoint) {
  if (codePoint < 0x10000) {
    out.push_back(static_cast<char16_t>(codePoint));
  } else {
    codePoint -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (codePoint >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (codePoint & 0x3FF)));
  }
}

constexpr char32_t kReplacement = 0xFFFD;

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

enum class IllFormed { kReplaced, kRefused };

// The text in UTF-16; each maximal ill-formed subpart becomes U+FFFD, or makes it nullopt.
std::optional<std::u16string> DecodeUtf8(std::string_view text, IllFormed illFormed) {
  std::u16string out;
  out.reserve(text.size());
  while (!text.empty()) {
    const Utf8Sequence sequence = DecodeUtf8Sequence(text);
    if (!sequence.wellFormed && illFormed == IllFormed::kRefused) return std::nullopt;
    AppendUtf16(out, sequence.codePoint);
    text.remove_prefix(sequence.length);
  }
  return out;
}

}  // namespace

Utf8Sequence DecodeUtf8Sequence(std::string_view text) {
  const auto lead = static_cast<unsigned char>(text[0]);
  if (lead < 0x80) return {1, lead, true};
  // Length and the allowed range of the second byte, which excludes overlong forms,
  // surrogates and code points above U+10FFFF.
  std::size_t length = 0;
  unsigned char secondLow = 0x80, secondHigh = 0xBF;
  char32_t codePoint = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    codePoint = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    codePoint = lead & 0x0F;
    if (lead == 0xE0) secondLow = 0xA0;
    if (lead == 0xED) secondHigh = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    codePoint = lead & 0x07;
    if (lead == 0xF0) secondLow = 0x90;
    if (lead == 0xF4) secondHigh = 0x8F;
  } else {
    return {1, kReplacement, false};
  }
  for (std::size_t k = 1; k < length; ++k) {
    if (k >= text.size()) return {k, kReplacement, false};
    const auto byte = static_cast<unsigned char>(text[k]);
    const bool fits = k == 1 ? byte >= secondLow && byte <= secondHigh : IsContinuation(byte);
    if (!fits) return {k, kReplacement, false};
    codePoint = (codePoint << 6) | (byte & 0x3F);
  }
  return {length, codePoint, true};
}

std::u16string Utf8ToUtf16(std::string_view text) {
  return *DecodeUtf8(text, IllFormed::kReplaced);
}

std::optional<std::u16string> WellFormedUtf8ToUtf16(std::string_view text) {
  return DecodeUtf8(text, IllFormed::kRefused);
}

std::u16string Latin1ToUtf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (char c : text) out.push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
  return out;
}

std::u16string Windows1252ToUtf16(std::string_view text) {
  // 0x80..0x9F; 0 where the code page has no character (read as the C1 control).
  static constexpr char16_t kHigh[32] = {
      0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
  std::u16string out;
  out.reserve(text.size());
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    const char16_t mapped = byte >= 0x80 && byte < 0xA0 ? kHigh[byte - 0x80] : 0;
    out.push_back(mapped ? mapped : static_cast<char16_t>(byte));
  }
  return out;
}

std::u16string HeaderTextToUtf16(std::string_view text) {
  if (auto utf8 = WellFormedUtf8ToUtf16(text)) return std::move(*utf8);
  return Latin1ToUtf16(text);
}

std::optional<std::string> Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t codePoint = text[i];
    if (codePoint >= 0xD800 && codePoint <= 0xDBFF) {
      if (i + 1 >= text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF) return std::nullopt;
      codePoint = 0x10000 + ((codePoint - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (codePoint >= 0xDC00 && codePoint <= 0xDFFF) {
      return std::nullopt;
    }
    if (codePoint < 0x80) {
      out.push_back(static_cast<char>(codePoint));
    } else if (codePoint < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (codePoint >> 6)));
      out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    } else if (codePoint < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (codePoint >> 12)));
      out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (codePoint >> 18)));
      out.push_back(static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    }
  }
  return out;
}

}  // namespace common
