// _bstr_t and the conversions between the ANSI code page and BSTRs. Every failure is raised as
// a _com_error: E_OUTOFMEMORY, or the failed conversion's system error.
#include <algorithm>
#include <cstdio>
#include <limits>
#include <new>
#include <utility>

#include "../comdef.h"

namespace {

[[noreturn]] void IssueLastError() {
  const DWORD code = GetLastError();
  _com_issue_error(code != 0 ? HRESULT_FROM_WIN32(code) : E_FAIL);
}

BSTR CopyOrIssue(const OLECHAR* text, UINT length) {
  BSTR copy = SysAllocStringLen(text, length);
  if (copy == nullptr) _com_issue_error(E_OUTOFMEMORY);
  return copy;
}

}  // namespace

namespace _com_util {

BSTR ConvertStringToBSTR(const char* text) {
  if (text == nullptr) return nullptr;
  const int units = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
  if (units == 0) IssueLastError();
  BSTR converted = SysAllocStringLen(nullptr, static_cast<UINT>(units - 1));
  if (converted == nullptr) _com_issue_error(E_OUTOFMEMORY);
  if (MultiByteToWideChar(CP_ACP, 0, text, -1, converted, units) == 0) {
    const DWORD code = GetLastError();
    SysFreeString(converted);
    _com_issue_error(code != 0 ? HRESULT_FROM_WIN32(code) : E_FAIL);
  }
  return converted;
}

char* ConvertBSTRToString(BSTR text) {
  if (text == nullptr) return nullptr;
  const UINT length = SysStringLen(text);
  if (length >= static_cast<UINT>(std::numeric_limits<int>::max())) _com_issue_error(E_OUTOFMEMORY);
  const int units = static_cast<int>(length) + 1;  // with the terminator
  const int bytes = WideCharToMultiByte(CP_ACP, 0, text, units, nullptr, 0, nullptr, nullptr);
  if (bytes == 0) IssueLastError();
  char* converted = new (std::nothrow) char[static_cast<std::size_t>(bytes)];
  if (converted == nullptr) _com_issue_error(E_OUTOFMEMORY);
  if (WideCharToMultiByte(CP_ACP, 0, text, units, converted, bytes, nullptr, nullptr) == 0) {
    const DWORD code = GetLastError();
    delete[] converted;
    _com_issue_error(code != 0 ? HRESULT_FROM_WIN32(code) : E_FAIL);
  }
  return converted;
}

}  // namespace _com_util

// Shared by the copies of one _bstr_t; the BSTR is freed with the last of them.
struct _bstr_t::Shared {
  BSTR text;
  unsigned references;

  // Adopts the BSTR (freeing it when the holder cannot be had); null holds a null BSTR.
  static Shared* Hold(BSTR text) {
    if (text == nullptr) return nullptr;
    auto* shared = new (std::nothrow) Shared{text, 1};
    if (shared == nullptr) {
      SysFreeString(text);
      _com_issue_error(E_OUTOFMEMORY);
    }
    return shared;
  }
};

_bstr_t::_bstr_t() noexcept : shared(nullptr) {}

_bstr_t::_bstr_t(const char* text) : shared(Shared::Hold(_com_util::ConvertStringToBSTR(text))) {}

_bstr_t::_bstr_t(const OLECHAR* text) : shared(nullptr) {
  if (text == nullptr) return;
  UINT length = 0;
  while (text[length] != 0) ++length;
  shared = Shared::Hold(CopyOrIssue(text, length));
}

_bstr_t::_bstr_t(BSTR text, bool copy) : shared(Shared::Hold(copy && text != nullptr ? CopyOrIssue(text, SysStringLen(text)) : text)) {}

_bstr_t::_bstr_t(const _bstr_t& other) noexcept : shared(other.shared) {
  if (shared != nullptr) ++shared->references;
}

_bstr_t& _bstr_t::operator=(const _bstr_t& other) noexcept {
  _bstr_t copy(other);
  std::swap(shared, copy.shared);
  return *this;
}

_bstr_t::~_bstr_t() {
  if (shared != nullptr && --shared->references == 0) {
    SysFreeString(shared->text);
    delete shared;
  }
}

_bstr_t& _bstr_t::operator+=(const _bstr_t& other) {
  *this = *this + other;
  return *this;
}

_bstr_t operator+(const _bstr_t& left, const _bstr_t& right) {
  const UINT leftLength = left.length();
  const UINT rightLength = right.length();
  if (leftLength > std::numeric_limits<UINT>::max() - rightLength) _com_issue_error(E_OUTOFMEMORY);
  BSTR joined = CopyOrIssue(nullptr, leftLength + rightLength);
  std::copy_n(left.GetBSTR(), leftLength, joined);
  std::copy_n(right.GetBSTR(), rightLength, joined + leftLength);
  return _bstr_t(joined, false);
}

_bstr_t::operator const OLECHAR*() const noexcept { return GetBSTR(); }

_bstr_t::operator OLECHAR*() const noexcept { return GetBSTR(); }

BSTR _bstr_t::GetBSTR() const noexcept { return shared != nullptr ? shared->text : nullptr; }

unsigned int _bstr_t::length() const noexcept { return SysStringLen(GetBSTR()); }

// A VT_I4 variant: the value is 32 bits, as long is on Windows.
_variant_t::_variant_t(long value) noexcept : value(static_cast<LONG>(value)) {}

_variant_t::operator _bstr_t() const {
  char text[16];
  std::snprintf(text, sizeof text, "%ld", static_cast<long>(value));
  return _bstr_t(text);
}
