// Whether LeakSanitizer finds memory that nothing references any more. Only the sanitizer build
// can tell; elsewhere the answer is always no, and the tests rely on their other checks.
#pragma once

#if defined(__SANITIZE_ADDRESS__)
#define TAPLINE_LEAK_CHECK 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TAPLINE_LEAK_CHECK 1
#endif
#endif

#ifdef TAPLINE_LEAK_CHECK
#include <sanitizer/lsan_interface.h>
#endif

namespace hardening {

inline bool LeaksFound() {
#ifdef TAPLINE_LEAK_CHECK
  return __lsan_do_recoverable_leak_check() != 0;
#else
  return false;
#endif
}

}  // namespace hardening
