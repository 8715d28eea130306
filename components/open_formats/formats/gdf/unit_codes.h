// GDF 2's physical dimension codes (ISO/IEEE 11073-10101 units): a base unit in the code's
// upper bits, a decimal prefix in its lowest five.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace gdf {

// The unit of a code as UTF-8 ("µV", "kOhm", "°C"); nullopt for 0 (no unit given) and for a
// code the table does not hold.
std::optional<std::string> UnitOfCode(std::uint16_t code);

}  // namespace gdf
