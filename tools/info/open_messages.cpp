#include "open_messages.h"

#include "platform/platform.h"

namespace tapline_info {

namespace {

std::string Utf8Of(const OLECHAR* text, UINT length) {
  if (length == 0) return {};
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0,
                                        nullptr, nullptr);
  if (bytes <= 0) return {};
  std::string utf8(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), utf8.data(), bytes, nullptr,
                      nullptr);
  return utf8;
}

}  // namespace

void ForgetComponentMessage() { SetErrorInfo(0, nullptr); }

std::optional<std::string> TakeComponentMessage() {
  ComPtr<IErrorInfo> info;
  if (GetErrorInfo(0, info.put()) != S_OK || !info) return std::nullopt;
  BSTR description = nullptr;
  if (info->GetDescription(&description) != S_OK || description == nullptr) return std::nullopt;
  std::string text = Utf8Of(description, SysStringLen(description));
  SysFreeString(description);
  if (text.empty()) return std::nullopt;
  return text;
}

std::vector<std::string> MessageLines(const std::string& message) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < message.size()) {
    std::size_t end = message.find('\n', start);
    if (end == std::string::npos) end = message.size();
    if (end > start) lines.push_back(message.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

}  // namespace tapline_info
