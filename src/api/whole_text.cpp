#include "api/whole_text.h"

#include <climits>
#include <cstring>

#include "text/utf8_cut.h"

namespace api {

std::optional<std::string> ConvertToUtf8(const packets::PacketText& text) {
  if (text.empty()) return std::string();
  if (text.size() > INT_MAX) return std::nullopt;
  const int units = static_cast<int>(text.size());
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, text.data(), units, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return std::nullopt;
  std::string utf8(static_cast<std::size_t>(bytes), '\0');
  if (WideCharToMultiByte(CP_UTF8, 0, text.data(), units, utf8.data(), bytes, nullptr, nullptr) != bytes) {
    return std::nullopt;
  }
  return utf8;
}

int CopyWholeText(std::string_view utf8, char* buffer, int bufferBytes) noexcept {
  if (buffer == nullptr || bufferBytes < 1 || utf8.size() >= static_cast<std::size_t>(INT_MAX)) return 0;
  const std::string_view kept = text::CutUtf8(utf8, static_cast<std::size_t>(bufferBytes) - 1);
  std::memcpy(buffer, kept.data(), kept.size());
  buffer[kept.size()] = '\0';
  return static_cast<int>(utf8.size()) + 1;
}

}  // namespace api
