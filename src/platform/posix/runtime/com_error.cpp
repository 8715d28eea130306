// _com_error. Its destructor is the class's key function: defined here, it puts the one type
// information of _com_error into this runtime, so an error thrown in one module is caught in
// another.
#include <cstdio>
#include <cstring>
#include <utility>

#include "../comdef.h"
#include "message_text.h"

namespace {

// A copy of the message buffer in LocalAlloc'd memory; null when memory runs out, and the copy
// then works its text out anew.
char* CopyMessage(const char* message) {
  if (message == nullptr) return nullptr;
  const std::size_t bytes = std::strlen(message) + 1;
  auto* copy = static_cast<char*>(LocalAlloc(LMEM_FIXED, bytes));
  if (copy != nullptr) std::memcpy(copy, message, bytes);
  return copy;
}

}  // namespace

_com_error::_com_error(HRESULT hr, IErrorInfo* info, bool addRef) : hr(hr), info(info), message(nullptr) {
  if (info != nullptr && addRef) info->AddRef();
}

_com_error::_com_error(const _com_error& other)
    : hr(other.hr), info(other.info), message(CopyMessage(other.message)) {
  if (info != nullptr) info->AddRef();
}

_com_error& _com_error::operator=(const _com_error& other) {
  if (this == &other) return *this;
  if (other.info != nullptr) other.info->AddRef();
  if (info != nullptr) info->Release();
  LocalFree(message);
  hr = other.hr;
  info = other.info;
  message = CopyMessage(other.message);
  return *this;
}

_com_error::~_com_error() {
  if (info != nullptr) info->Release();
  LocalFree(message);
}

HRESULT _com_error::Error() const { return hr; }

_bstr_t _com_error::Source() const {
  BSTR source = nullptr;
  if (info != nullptr) info->GetSource(&source);
  return _bstr_t(source, false);
}

_bstr_t _com_error::Description() const {
  BSTR description = nullptr;
  if (info != nullptr) info->GetDescription(&description);
  return _bstr_t(description, false);
}

const char* _com_error::ErrorMessage() const {
  if (message != nullptr) return message;
  FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                 nullptr, static_cast<DWORD>(hr), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                 reinterpret_cast<LPSTR>(&message), 0, nullptr);  // the buffer's address comes back
  if (message != nullptr) {
    platform::runtime::TrimFinalLineBreak(message);
    return message;
  }
  constexpr std::size_t kFallbackLength = 32;
  message = static_cast<char*>(LocalAlloc(LMEM_FIXED, kFallbackLength));
  if (message == nullptr) return "";
  const auto bits = static_cast<std::uint32_t>(hr);
  if (bits > 0x80040200u && bits <= 0x8004FFFFu) {
    std::snprintf(message, kFallbackLength, "IDispatch error #%d", static_cast<int>(bits - 0x80040200u));
  } else {
    std::snprintf(message, kFallbackLength, "Unknown error 0x%0lX", static_cast<unsigned long>(bits));
  }
  return message;
}

void _com_issue_error(HRESULT hr) { throw _com_error(hr); }
