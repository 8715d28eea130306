// Text of recording files to UTF-16, and UTF-16 file names to UTF-8: the one UTF-8 decoder of
// the component and of the tools that read what it writes.
//
// Decoding follows the Unicode standard's definition of well-formed UTF-8 (its table 3-7): no
// overlong forms, no surrogates (U+D800..U+DFFF), nothing past U+10FFFF. Every function here
// takes any bytes: what a format did not declare is decoded by a stated fallback, never
// refused, except where a function says it returns nullopt. Pure functions of their arguments,
// safe from any thread; results are owned by the caller.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace common {

// The character a UTF-8 text starts with. Well-formed: its 1 to 4 bytes and code point.
// Ill-formed: the length of the maximal ill-formed subpart (1 to 3 bytes: a lead byte and the
// continuation bytes that still fitted it, as Unicode counts one replacement character), and
// codePoint U+FFFD. The text must not be empty.
struct Utf8Sequence {
  std::size_t length = 0;
  char32_t codePoint = 0;
  bool wellFormed = false;
};
Utf8Sequence DecodeUtf8Sequence(std::string_view text);

// Ill-formed sequences become U+FFFD, one per maximal ill-formed subpart. Never fails.
std::u16string Utf8ToUtf16(std::string_view text);

// nullopt when any byte of the text is not part of a well-formed UTF-8 sequence.
std::optional<std::u16string> WellFormedUtf8ToUtf16(std::string_view text);

// Every byte is the code point of the same value: never fails.
std::u16string Latin1ToUtf16(std::string_view text);

// Windows-1252 (the ANSI code page of Western Windows): Latin-1, but 0x80..0x9F are the code
// page's characters (0x80 is U+20AC); its five unassigned bytes (0x81, 0x8D, 0x8F, 0x90, 0x9D)
// are read as the C1 controls of the same value, as Windows converts them. Never fails.
std::u16string Windows1252ToUtf16(std::string_view text);

// A header text: EDF asks for ASCII and writers put Latin-1 or UTF-8 beyond it. Read as UTF-8
// when the bytes are well-formed UTF-8 (Latin-1 text beyond ASCII practically never is),
// else byte by byte as Latin-1. Never fails.
std::u16string HeaderTextToUtf16(std::string_view text);

// nullopt when the text holds an unpaired surrogate (a file name cannot contain one).
std::optional<std::string> Utf16ToUtf8(std::u16string_view text);

}  // namespace common
