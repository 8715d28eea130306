// The file name a caller hands over as UTF-16, in the system's own form.
#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

namespace open_formats {

// On Windows the UTF-16 units are the name. Elsewhere the name is bytes: well-formed UTF-16
// becomes UTF-8, and the lone surrogates U+DC80 to U+DCFF that the runtime's conversion from
// the ANSI code page makes of bytes that are not UTF-8 become those bytes again, so that every
// name the system allows arrives intact. nullopt for other lone surrogates and for U+0000.
std::optional<std::filesystem::path> NativePathOf(std::u16string_view name);

}  // namespace open_formats
