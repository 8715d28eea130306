// The one edit made to a system message text before it is shown.
#pragma once

#include <cstring>

namespace platform::runtime {

// A text longer than one character loses a final line feed, and then a carriage return before
// it; nothing else is trimmed, and a line feed alone stays.
inline void TrimFinalLineBreak(char* text) {
  std::size_t length = std::strlen(text);
  if (length <= 1 || text[length - 1] != '\n') return;
  text[--length] = '\0';
  if (text[length - 1] == '\r') text[length - 1] = '\0';
}

}  // namespace platform::runtime
