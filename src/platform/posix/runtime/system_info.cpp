// What the system reports about itself: an NT 10.0 system whose ANSI code page is UTF-8 and
// whose thread locale is English (United States).
#include <cstring>

#include "../win32.h"

namespace {
constexpr char kAnsiCodePageText[] = "65001";
}

UINT GetACP() { return CP_UTF8; }

LCID GetThreadLocale() { return 0x0409; }

// FALSE with ERROR_INVALID_PARAMETER for a null pointer, ERROR_INSUFFICIENT_BUFFER when the
// declared structure size is not that of OSVERSIONINFOA.
BOOL GetVersionExA(OSVERSIONINFOA* info) {
  if (info == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  info->dwMajorVersion = 10;
  info->dwMinorVersion = 0;
  info->dwBuildNumber = 19045;
  info->dwPlatformId = VER_PLATFORM_WIN32_NT;
  info->szCSDVersion[0] = '\0';
  return TRUE;
}

// Only LOCALE_IDEFAULTANSICODEPAGE is known, for every locale: "65001". Returns the characters
// written with the terminator, or the needed count for capacity 0; 0 with ERROR_INVALID_FLAGS
// for another entry, ERROR_INSUFFICIENT_BUFFER for a short buffer, ERROR_INVALID_PARAMETER for a
// negative capacity or a null buffer.
int GetLocaleInfoA(LCID, DWORD type, LPSTR data, int capacity) {
  if (capacity < 0 || (capacity > 0 && data == nullptr)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (type != LOCALE_IDEFAULTANSICODEPAGE) {
    SetLastError(ERROR_INVALID_FLAGS);
    return 0;
  }
  constexpr int kNeeded = sizeof kAnsiCodePageText;
  if (capacity == 0) return kNeeded;
  if (capacity < kNeeded) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::memcpy(data, kAnsiCodePageText, kNeeded);
  return kNeeded;
}
