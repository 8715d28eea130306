// The system message table for the codes the library and its components can meet, in the
// system's English wording, and the local heap its texts are handed out in.
#include <cstdlib>
#include <cstring>

#include "../win32.h"

namespace {

struct SystemMessage {
  std::uint32_t code;
  const char* text;
};

// Win32 error codes; HRESULT_FROM_WIN32 of each has the same text.
constexpr SystemMessage kWin32Messages[] = {
    {0, "The operation completed successfully.\r\n"},
    {1, "Incorrect function.\r\n"},
    {ERROR_FILE_NOT_FOUND, "The system cannot find the file specified.\r\n"},
    {ERROR_PATH_NOT_FOUND, "The system cannot find the path specified.\r\n"},
    {ERROR_ACCESS_DENIED, "Access is denied.\r\n"},
    {6, "The handle is invalid.\r\n"},
    {ERROR_NOT_ENOUGH_MEMORY, "Not enough memory resources are available to process this command.\r\n"},
    {ERROR_OUTOFMEMORY, "Not enough memory resources are available to complete this operation.\r\n"},
    {ERROR_INVALID_PARAMETER, "The parameter is incorrect.\r\n"},
    {ERROR_INSUFFICIENT_BUFFER, "The data area passed to a system call is too small.\r\n"},
    {ERROR_MOD_NOT_FOUND, "The specified module could not be found.\r\n"},
    {ERROR_ARITHMETIC_OVERFLOW, "Arithmetic result exceeded 32 bits.\r\n"},
    {ERROR_INVALID_FLAGS, "Invalid flags.\r\n"},
    {ERROR_NO_UNICODE_TRANSLATION, "No mapping for the Unicode character exists in the target multi-byte code page.\r\n"},
};

// HRESULTs of other facilities than Win32.
constexpr SystemMessage kHresultMessages[] = {
    {0x80004001u, "Not implemented\r\n"},
    {0x80004002u, "No such interface supported\r\n"},
    {0x80004003u, "Invalid pointer\r\n"},
    {0x80004005u, "Unspecified error\r\n"},
    {0x8000FFFFu, "Catastrophic failure\r\n"},
    {0x80010106u, "Cannot change thread mode after it is set.\r\n"},
    {0x80040110u, "Class does not support aggregation (or class object is remote)\r\n"},
    {0x80040111u, "ClassFactory cannot supply requested class\r\n"},
    {0x80040150u, "Could not read key from registry\r\n"},
    {0x80040151u, "Could not write key to registry\r\n"},
    {0x80040154u, "Class not registered\r\n"},
    {0x800401F0u, "CoInitialize has not been called.\r\n"},
    {0x800401F8u, "DLL for class not found\r\n"},
    {0x800401F9u, "Error in the DLL\r\n"},
    {0x800401FBu, "Object is not registered\r\n"},
};

template <std::size_t N>
const char* Find(const SystemMessage (&table)[N], std::uint32_t code) {
  for (const SystemMessage& message : table) {
    if (message.code == code) return message.text;
  }
  return nullptr;
}

const char* MessageText(std::uint32_t id) {
  constexpr std::uint32_t kWin32Facility = 0x80070000u;
  if (id <= 0xFFFFu) return Find(kWin32Messages, id);
  if ((id & 0xFFFF0000u) == kWin32Facility) return Find(kWin32Messages, id & 0xFFFFu);
  return Find(kHresultMessages, id);
}

}  // namespace

// Only FORMAT_MESSAGE_FROM_SYSTEM is known; the texts hold no inserts and have one language.
// Returns the characters stored without the terminator. 0 when the code has no text
// (ERROR_MR_MID_NOT_FOUND), for other sources or a null buffer (ERROR_INVALID_PARAMETER), when
// `size` characters do not hold the text (ERROR_INSUFFICIENT_BUFFER) or memory runs out
// (ERROR_NOT_ENOUGH_MEMORY); an allocated buffer's address is then null.
DWORD FormatMessageA(DWORD flags, const void*, DWORD messageId, DWORD, LPSTR buffer, DWORD size, va_list*) {
  const bool allocate = (flags & FORMAT_MESSAGE_ALLOCATE_BUFFER) != 0;
  if (buffer == nullptr || (flags & FORMAT_MESSAGE_FROM_SYSTEM) == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  // With FORMAT_MESSAGE_ALLOCATE_BUFFER, `buffer` is where the new buffer's address goes.
  LPSTR* allocated = reinterpret_cast<LPSTR*>(buffer);
  if (allocate) *allocated = nullptr;
  const char* text = MessageText(messageId);
  if (text == nullptr) {
    SetLastError(ERROR_MR_MID_NOT_FOUND);
    return 0;
  }
  const std::size_t length = std::strlen(text);
  LPSTR target = buffer;
  if (allocate) {
    target = static_cast<LPSTR>(LocalAlloc(LMEM_FIXED, length + 1 > size ? length + 1 : size));
    if (target == nullptr) return 0;
    *allocated = target;
  } else if (length + 1 > size) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::memcpy(target, text, length + 1);
  return static_cast<DWORD>(length);
}

HLOCAL LocalAlloc(UINT flags, std::size_t bytes) {
  // Windows hands out a block also for 0 bytes.
  const std::size_t allocation = bytes == 0 ? 1 : bytes;
  void* memory = (flags & LMEM_ZEROINIT) != 0 ? std::calloc(1, allocation) : std::malloc(allocation);
  if (memory == nullptr) SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  return memory;
}

// Always null: the block is gone.
HLOCAL LocalFree(HLOCAL memory) {
  std::free(memory);
  return nullptr;
}
