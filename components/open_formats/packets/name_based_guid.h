// Event type ids: the same text gives the same GUID in every recording and every run.
#pragma once

#include <string_view>

#include "platform/platform.h"

namespace open_formats {

// UUID version 5 (SHA-1, RFC 4122) of the UTF-8 text in the component's own namespace.
GUID NameBasedGuid(std::string_view utf8Text);

}  // namespace open_formats
