// The standard descriptions of GDF's event codes (the event code table published with the
// format), and how a code is written as text.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace gdf {

// A break in the recording: the data after it start a new segment.
inline constexpr std::uint16_t kBreakCode = 0x7FFE;

// The table's description of the code, or nullopt when it has none (codes 1-255 are the
// file's own, and ends of events, code | 0x8000, have none of their own).
std::optional<std::string_view> StandardDescription(std::uint16_t code);

// "0x0301".
std::string CodeText(std::uint16_t code);

}  // namespace gdf
