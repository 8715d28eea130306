// The thread's error-information object, dropped when the thread's apartment ends.
#pragma once

namespace platform::runtime {

void ClearThreadErrorInfo();

}  // namespace platform::runtime
