// Text conversions for a format whose header is Latin-1 and whose annotations are UTF-8.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace edf {

// Every byte is the code point of the same value: never fails.
std::u16string Latin1ToUtf16(std::string_view text);

// Ill-formed sequences become U+FFFD, one per maximal ill-formed subpart (as Unicode advises).
std::u16string Utf8ToUtf16(std::string_view text);

// nullopt when the text holds an unpaired surrogate (a file name cannot contain one).
std::optional<std::string> Utf16ToUtf8(std::u16string_view text);

}  // namespace edf
