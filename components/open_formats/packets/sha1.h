// SHA-1, for name-based UUIDs only (not for anything that needs a secure hash).
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace open_formats {

std::array<std::uint8_t, 20> Sha1(std::string_view bytes);

}  // namespace open_formats
