#include "api/export_text.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>

namespace api {
namespace code_page {

UINT ParseDigits(const char* text, std::size_t length) noexcept {
  UINT value = 0;
  for (std::size_t i = 0; i < length && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + static_cast<UINT>(text[i] - '0');
  }
  return value;
}

UINT FromThreadLocale() {
  // Code pages have at most 5 digits; 7 characters leave room for the terminator.
  char digits[7] = {};
  const int written = GetLocaleInfoA(GetThreadLocale(), LOCALE_IDEFAULTANSICODEPAGE, digits,
                                     static_cast<int>(sizeof digits));
  const UINT codePage = written > 0 ? ParseDigits(digits, std::min<std::size_t>(written, sizeof digits)) : 0;
  return codePage != 0 ? codePage : GetACP();
}

UINT ThreadAnsi() { return CP_THREAD_ACP; }

Rule RuleForSystem() {
  OSVERSIONINFOA version{};
  version.dwOSVersionInfoSize = sizeof version;
  const bool ntFiveOrLater = GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_NT &&
                             version.dwMajorVersion >= 5;
  return ntFiveOrLater ? &ThreadAnsi : &FromThreadLocale;
}

}  // namespace code_page

namespace {

UINT SettleRule();

// Points at SettleRule until the first call has asked the system; every thread that races
// through the first call settles on the same rule, so the last store wins harmlessly.
std::atomic<code_page::Rule> currentRule{&SettleRule};

UINT SettleRule() {
  const code_page::Rule rule = code_page::RuleForSystem();
  currentRule.store(rule);
  return rule();
}

}  // namespace

UINT HostCodePage() { return currentRule.load()(); }

std::optional<std::string> ConvertToHostText(const packets::PacketText& text) {
  // The terminator goes through the conversion too, so the count includes it.
  const int units = static_cast<int>(std::min<std::size_t>(text.size() + 1, INT32_MAX));
  const UINT codePage = HostCodePage();
  // Most texts fit here and take one conversion (GetEvents converts three of them per event).
  char shortText[256];
  if (WideCharToMultiByte(codePage, 0, text.c_str(), units, shortText, static_cast<int>(sizeof shortText),
                          nullptr, nullptr) > 0) {
    return std::string(shortText);
  }
  if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return std::nullopt;
  // Sized from what the conversion says it needs: a buffer of twice the text's length loses
  // texts whose characters take three bytes.
  const int needed = WideCharToMultiByte(codePage, 0, text.c_str(), units, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) return std::nullopt;
  std::string converted(static_cast<std::size_t>(needed), '\0');
  const int written =
      WideCharToMultiByte(codePage, 0, text.c_str(), units, converted.data(), needed, nullptr, nullptr);
  if (written <= 0) return std::nullopt;
  converted.resize(std::strlen(converted.c_str()));
  return converted;
}

void CopyToHost(const std::string& converted, char* host) noexcept {
  const std::size_t count = std::min(converted.size(), kHostTextBytes);
  if (count != 0) std::memcpy(host, converted.data(), count);
}

void ExportText(const packets::PacketText& text, char* host) {
  if (const std::optional<std::string> converted = ConvertToHostText(text)) CopyToHost(*converted, host);
}

}  // namespace api
