#include <string>

#include "com/native_path.h"
#include "common/text_encoding.h"

namespace open_formats {

std::optional<std::filesystem::path> NativePathOf(std::u16string_view name) {
  std::string bytes;
  std::size_t runStart = 0;  // of the well-formed text not yet converted
  const auto flush = [&](std::size_t end) {
    const auto text = common::Utf16ToUtf8(name.substr(runStart, end - runStart));
    if (text) bytes += *text;
    return text.has_value();
  };
  for (std::size_t i = 0; i < name.size(); ++i) {
    const char16_t unit = name[i];
    if (unit == 0) return std::nullopt;
    const bool escapedByte = unit >= 0xDC80 && unit <= 0xDCFF &&
                             (i == 0 || name[i - 1] < 0xD800 || name[i - 1] > 0xDBFF);
    if (!escapedByte) continue;
    if (!flush(i)) return std::nullopt;
    bytes.push_back(static_cast<char>(unit - 0xDC00));  // the byte it stood for
    runStart = i + 1;
  }
  if (!flush(name.size())) return std::nullopt;
  return std::filesystem::path(bytes);  // POSIX paths are bytes: no conversion
}

}  // namespace open_formats
