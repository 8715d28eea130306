// The few Win32 calls the library makes, for systems without Win32. The ANSI code page is
// UTF-8; conversions between UTF-8 and UTF-16 are exact, with U+FFFD for what cannot be
// converted (or failure with ERROR_NO_UNICODE_TRANSLATION under MB_ERR_INVALID_CHARS).
#pragma once

#include <cstdarg>
#include <cstddef>

#include "com_types.h"

using HLOCAL = void*;
using LPSTR = char*;
using LPCSTR = const char*;
using LPBOOL = BOOL*;
using UINT_PTR = std::uintptr_t;

constexpr UINT CP_ACP = 0;
constexpr UINT CP_THREAD_ACP = 3;
constexpr UINT CP_UTF8 = 65001;
constexpr DWORD MB_ERR_INVALID_CHARS = 0x8;
constexpr DWORD WC_ERR_INVALID_CHARS = 0x80;

constexpr LCID LOCALE_IDEFAULTANSICODEPAGE = 0x1004;

constexpr DWORD FORMAT_MESSAGE_ALLOCATE_BUFFER = 0x100;
constexpr DWORD FORMAT_MESSAGE_IGNORE_INSERTS = 0x200;
constexpr DWORD FORMAT_MESSAGE_FROM_SYSTEM = 0x1000;
constexpr DWORD LANG_NEUTRAL = 0x00;
constexpr DWORD SUBLANG_DEFAULT = 0x01;
constexpr DWORD SUBLANG_SYS_DEFAULT = 0x02;
constexpr DWORD MAKELANGID(DWORD primary, DWORD sub) { return (sub << 10) | primary; }

constexpr UINT LMEM_FIXED = 0x0;
constexpr UINT LMEM_ZEROINIT = 0x40;

constexpr DWORD VER_PLATFORM_WIN32_NT = 2;
struct OSVERSIONINFOA {
  DWORD dwOSVersionInfoSize;
  DWORD dwMajorVersion;
  DWORD dwMinorVersion;
  DWORD dwBuildNumber;
  DWORD dwPlatformId;
  char szCSDVersion[128];
};

extern "C" {

TAPLINE_COM_API UINT GetACP();
TAPLINE_COM_API LCID GetThreadLocale();
// Reports an NT system of version 10, so callers take the CP_THREAD_ACP path.
TAPLINE_COM_API BOOL GetVersionExA(OSVERSIONINFOA* info);
TAPLINE_COM_API int GetLocaleInfoA(LCID locale, DWORD type, LPSTR data, int capacity);
// The calling thread's last error code, as the failing functions below set it.
TAPLINE_COM_API DWORD GetLastError();
TAPLINE_COM_API void SetLastError(DWORD code);

TAPLINE_COM_API int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR text, int length,
                                        OLECHAR* wide, int capacity);
TAPLINE_COM_API int WideCharToMultiByte(UINT codePage, DWORD flags, const OLECHAR* wide,
                                        int length, LPSTR text, int capacity,
                                        LPCSTR defaultChar, LPBOOL usedDefault);

// The system message table for the codes the library can meet; English texts ending in
// "\r\n" like Windows'. With FORMAT_MESSAGE_ALLOCATE_BUFFER the buffer is LocalAlloc'd and
// its address stored through `buffer`. 0 when the code has no text.
TAPLINE_COM_API DWORD FormatMessageA(DWORD flags, const void* source, DWORD messageId,
                                     DWORD languageId, LPSTR buffer, DWORD size,
                                     va_list* arguments);
// Null, with ERROR_NOT_ENOUGH_MEMORY, when the memory cannot be had.
TAPLINE_COM_API HLOCAL LocalAlloc(UINT flags, std::size_t bytes);
TAPLINE_COM_API HLOCAL LocalFree(HLOCAL memory);

// True when some byte of [address, address + bytes) cannot be read by this process, also for a
// null address or a range that wraps; false for an empty range. Never touches the memory.
TAPLINE_COM_API BOOL IsBadReadPtr(const void* address, UINT_PTR bytes);

}  // extern "C"
