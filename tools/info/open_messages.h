// What the reader component said of the file OpenEx just opened or refused: it leaves the
// standard COM error object on the calling thread (a refusal's reason, or what a forgiving
// open forgave, one sentence a line), which the library passes through untouched.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tapline_info {

// Drops any object an earlier call left, so that a text read after OpenEx is that call's.
void ForgetComponentMessage();

// The description of the thread's error object as UTF-8, taken (the thread keeps none);
// nullopt when there is none or it has no description.
std::optional<std::string> TakeComponentMessage();

// The message's sentences, one a line; none for an empty message.
std::vector<std::string> MessageLines(const std::string& message);

}  // namespace tapline_info
