// Text conversions for a format whose header is Latin-1 and whose annotations are UTF-8.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace common {

// Every byte is the code point of the same value: never fails.
std::u16string Latin1ToUtf16(std::string_view text);

// A header text: EDF asks for ASCII and writers put Latin-1 or UTF-8 beyond it. Read as UTF-8
// when the bytes are well-formed UTF-8 (Latin-1 text beyond ASCII practically never is),
// else byte by byte as Latin-1. Never fails.
std::u16string HeaderTextToUtf16(std::string_view text);

// Ill-formed sequences become U+FFFD, one per maximal ill-formed subpart (as Unicode advises).
std::u16string Utf8ToUtf16(std::string_view text);

// nullopt when the text holds an unpaired surrogate (a file name cannot contain one).
std::optional<std::string> Utf16ToUtf8(std::u16string_view text);

}  // namespace common
