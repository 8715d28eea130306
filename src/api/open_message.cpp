#include "api/open_message.h"

#include <thread>
#include <unordered_map>
#include <utility>

#include "api/whole_text.h"
#include "platform/platform.h"

namespace api {
namespace {

// Per thread that called OpenEx. Not thread_local: a thread-local object with a destructor
// would keep the library loaded after the host unloads it. Used under the export lock only.
std::unordered_map<std::thread::id, std::string> openMessages;

}  // namespace

std::optional<std::string> LastOpenMessage() {
  const auto found = openMessages.find(std::this_thread::get_id());
  if (found == openMessages.end()) return std::nullopt;
  return found->second;
}

void SetOpenMessage(std::string utf8) noexcept {
  try {
    openMessages[std::this_thread::get_id()] = std::move(utf8);
  } catch (...) {
    // No memory for one more thread's entry: that thread's message stays as it was.
  }
}

void ForgetComponentWords() noexcept { SetErrorInfo(0, nullptr); }

std::string TakeComponentWords(const char* fallback) noexcept {
  IErrorInfo* info = nullptr;
  BSTR description = nullptr;
  if (GetErrorInfo(0, &info) == S_OK && info != nullptr) {
    if (FAILED(info->GetDescription(&description))) description = nullptr;
    // GetErrorInfo took the object off the thread; it goes back for any host that reads it.
    SetErrorInfo(0, info);
    info->Release();
  }
  std::string words;
  try {
    if (description != nullptr) {
      words = ConvertToUtf8(packets::PacketText(description, SysStringLen(description))).value_or("");
    }
    if (words.empty()) words = fallback;
  } catch (...) {
    // Short of memory for the words: the open itself must not fail over them.
    words.clear();
  }
  SysFreeString(description);
  return words;
}

}  // namespace api
