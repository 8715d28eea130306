// The compiler COM support classes the library uses, as Windows' <comdef.h> defines them:
// _com_error (a failing HRESULT with optional error information), _bstr_t (a shared BSTR)
// and the one _variant_t conversion, a 32-bit integer to its decimal text.
#pragma once

#include "com_runtime.h"
#include "win32.h"

class TAPLINE_COM_API _com_error {
 public:
  // Takes ownership of `info` unless `addRef` asks for a reference of its own.
  explicit _com_error(HRESULT hr, IErrorInfo* info = nullptr, bool addRef = false);
  _com_error(const _com_error& other);
  _com_error& operator=(const _com_error& other);
  virtual ~_com_error();

  HRESULT Error() const;
  // Source and description texts of the error information; null when there is none.
  class _bstr_t Source() const;
  class _bstr_t Description() const;
  // The system message text for Error(), worked out on first use and kept: the system table's
  // text without a final line feed (and a carriage return before it) when longer than one
  // character; else "IDispatch error #n" for 0x80040201..0x8004FFFF; else
  // "Unknown error 0x%0lX". Empty when no buffer could be had.
  const char* ErrorMessage() const;

 private:
  HRESULT hr;
  IErrorInfo* info;
  mutable char* message;
};

// Raises a _com_error for the code, as the Windows runtime helper does.
[[noreturn]] TAPLINE_COM_API void _com_issue_error(HRESULT hr);

namespace _com_util {
// ANSI (UTF-8 here) to a new BSTR; null for a null text; raises _com_error on failure.
TAPLINE_COM_API BSTR ConvertStringToBSTR(const char* text);
// BSTR to a new[]-allocated ANSI text; null for a null BSTR; raises _com_error on failure.
TAPLINE_COM_API char* ConvertBSTRToString(BSTR text);
}  // namespace _com_util

// A reference-counted BSTR; copies share it. A null text makes a null BSTR.
class TAPLINE_COM_API _bstr_t {
 public:
  _bstr_t() noexcept;
  _bstr_t(const char* text);        // converted from the ANSI code page
  _bstr_t(const OLECHAR* text);     // copied
  _bstr_t(BSTR text, bool copy);    // copy == false adopts the BSTR
  _bstr_t(const _bstr_t& other) noexcept;
  _bstr_t& operator=(const _bstr_t& other) noexcept;
  ~_bstr_t();

  _bstr_t& operator+=(const _bstr_t& other);
  friend TAPLINE_COM_API _bstr_t operator+(const _bstr_t& left, const _bstr_t& right);

  operator const OLECHAR*() const noexcept;  // null for a null BSTR
  operator OLECHAR*() const noexcept;
  BSTR GetBSTR() const noexcept;
  unsigned int length() const noexcept;

 private:
  struct Shared;
  Shared* shared;
};

// Only the construction from a 32-bit integer and its conversion to text exist here.
class TAPLINE_COM_API _variant_t {
 public:
  explicit _variant_t(long value) noexcept;
  operator _bstr_t() const;  // signed decimal text

 private:
  LONG value;  // 32 bits, as a VT_I4 variant holds
};
