// How the exports beside the twelve hand a text to a host: whole, as UTF-8 on every platform,
// terminated, cut at a character boundary when the host's buffer is smaller, with the length a
// buffer needs to take it whole.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "packets/packet_bytes.h"

namespace api {

// The UTF-16 text as UTF-8 (a lone surrogate becomes U+FFFD); nullopt when the conversion
// fails. Throws
// std::bad_alloc when memory is short.
std::optional<std::string> ConvertToUtf8(const packets::PacketText& text);

// Writes as much of `utf8` as fits in bufferBytes - 1 bytes without splitting a character, then
// a terminator, and nothing past it. Returns the bytes the whole text needs with its
// terminator; 0, with nothing written, for a null buffer, a size below 1 or a text too long
// for an int.
int CopyWholeText(std::string_view utf8, char* buffer, int bufferBytes) noexcept;

}  // namespace api
