// What OpenRecording leaves for its caller on the calling thread: the standard COM error
// object (SetErrorInfo), which a host reads with GetErrorInfo right after the call.
#pragma once

#include <string>

namespace open_formats {

// Leaves an error object from StorageManInterface whose description is the UTF-8 text: a
// refused file's reason, or what a forgiving open forgave, one sentence per line. When the
// object cannot be made the thread is left with none.
void LeaveErrorInfo(const std::string& description) noexcept;

// Leaves none, so that no earlier text survives a clean open.
void ClearErrorInfo() noexcept;

}  // namespace open_formats
