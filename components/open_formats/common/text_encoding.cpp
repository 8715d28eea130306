#include "common/text_encoding.h"

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

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

}  // namespace

std::u16string Latin1ToUtf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (char c : text) out.push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
  return out;
}

std::u16string Utf8ToUtf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80) {
      out.push_back(lead);
      ++i;
      continue;
    }
    // Length and the allowed range of the second byte, which excludes overlong forms,
    // surrogates and code points above U+10FFFF.
    int length = 0;
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
      out.push_back(u'\uFFFD');
      ++i;
      continue;
    }
    std::size_t consumed = 1;
    bool complete = true;
    for (int k = 1; k < length; ++k) {
      if (i + consumed >= text.size()) {
        complete = false;
        break;
      }
      const auto byte = static_cast<unsigned char>(text[i + consumed]);
      const bool fits = k == 1 ? byte >= secondLow && byte <= secondHigh : IsContinuation(byte);
      if (!fits) {
        complete = false;
        break;
      }
      codePoint = (codePoint << 6) | (byte & 0x3F);
      ++consumed;
    }
    if (complete) {
      AppendUtf16(out, codePoint);
    } else {
      out.push_back(u'\uFFFD');  // the maximal subpart consumed so far is one replacement
    }
    i += consumed;
  }
  return out;
}

std::u16string HeaderTextToUtf16(std::string_view text) {
  std::u16string utf8 = Utf8ToUtf16(text);
  // Well-formed UTF-8 gives no replacement character unless it wrote one itself (EF BF BD).
  const bool wellFormed = utf8.find(u'\uFFFD') == std::u16string::npos ||
                          Utf16ToUtf8(utf8) == std::optional<std::string>(std::string(text));
  return wellFormed ? utf8 : Latin1ToUtf16(text);
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
