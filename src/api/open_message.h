// What the last OpenEx on a thread was told: the reader component's reason for a refused file,
// its warnings after an open that forgave something, nothing after a clean one, or the
// library's own words when no component could be asked. Kept per thread until that thread's
// next OpenEx, so that a host may Close before it asks.
#pragma once

#include <optional>
#include <string>

namespace api {

// The message of the calling thread's last OpenEx; nullopt before its first. Throws
// std::bad_alloc when memory is short.
std::optional<std::string> LastOpenMessage();

void SetOpenMessage(std::string utf8) noexcept;

// Makes sure the component's answer to the coming call is not taken for an older one: the
// thread's COM error object is cleared.
void ForgetComponentWords() noexcept;

// The description of the COM error object the component left on the thread, as UTF-8, or
// `fallback` when it left none (empty when memory is short). The object stays on the thread for
// hosts that read it.
std::string TakeComponentWords(const char* fallback) noexcept;

}  // namespace api
