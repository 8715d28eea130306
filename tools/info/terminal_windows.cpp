#include <io.h>
#include <windows.h>

#include <climits>

#include "terminal.h"

namespace tapline_info {

bool IsTerminal(std::FILE* stream) { return _isatty(_fileno(stream)) != 0; }

std::FILE* TakeStandardOutputForData() { return stdout; }

std::string InReportCodePage(std::string_view utf8) {
  if (utf8.empty() || utf8.size() > INT_MAX) return std::string(utf8);
  const int length = static_cast<int>(utf8.size());
  const int units = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, nullptr, 0);
  if (units <= 0) return std::string(utf8);
  std::wstring wide(static_cast<std::size_t>(units), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, wide.data(), units);
  const int bytes = WideCharToMultiByte(CP_THREAD_ACP, 0, wide.data(), units, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return std::string(utf8);
  std::string text(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(CP_THREAD_ACP, 0, wide.data(), units, text.data(), bytes, nullptr, nullptr);
  return text;
}

}  // namespace tapline_info
