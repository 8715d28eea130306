#include "com/native_path.h"

namespace open_formats {

std::optional<std::filesystem::path> NativePathOf(std::u16string_view name) {
  if (name.find(u'\0') != std::u16string_view::npos) return std::nullopt;
  // wchar_t is a UTF-16 unit on Windows: the name goes to the system unchanged.
  return std::filesystem::path(std::wstring(name.begin(), name.end()));
}

}  // namespace open_formats
