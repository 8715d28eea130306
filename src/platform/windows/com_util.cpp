// The two conversions that _bstr_t takes from the compiler's COM support library, which
// mingw-w64 declares in <comutil.h> but does not ship.
#include <climits>
#include <new>

#include "system.h"

namespace _com_util {

// ANSI text (CP_ACP) to a new BSTR; null for a null text. Raises _com_error with the
// conversion's system error, or E_OUTOFMEMORY when no BSTR can be had.
BSTR WINAPI ConvertStringToBSTR(const char* text) {
  if (text == nullptr) return nullptr;
  // The length includes the terminator, so it is at least 1 on success.
  const int length = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
  if (length == 0) _com_issue_error(HRESULT_FROM_WIN32(GetLastError()));
  BSTR converted = SysAllocStringLen(nullptr, static_cast<UINT>(length - 1));
  if (converted == nullptr) _com_issue_error(E_OUTOFMEMORY);
  if (MultiByteToWideChar(CP_ACP, 0, text, -1, converted, length) == 0) {
    const HRESULT failure = HRESULT_FROM_WIN32(GetLastError());
    SysFreeString(converted);
    _com_issue_error(failure);
  }
  return converted;
}

// BSTR to a new[]-allocated ANSI text (CP_ACP), the form _bstr_t frees with delete[]; null for
// a null BSTR. Characters the code page lacks become its default character. Raises _com_error
// with the conversion's system error, or E_OUTOFMEMORY.
char* WINAPI ConvertBSTRToString(BSTR text) {
  if (text == nullptr) return nullptr;
  // SysStringLen, not the terminator: a BSTR may hold embedded nulls.
  const UINT units = SysStringLen(text);
  if (units >= static_cast<UINT>(INT_MAX)) _com_issue_error(E_OUTOFMEMORY);
  const int wideLength = static_cast<int>(units) + 1;
  const int length = WideCharToMultiByte(CP_ACP, 0, text, wideLength, nullptr, 0, nullptr, nullptr);
  if (length == 0) _com_issue_error(HRESULT_FROM_WIN32(GetLastError()));
  char* converted = new (std::nothrow) char[length];
  if (converted == nullptr) _com_issue_error(E_OUTOFMEMORY);
  if (WideCharToMultiByte(CP_ACP, 0, text, wideLength, converted, length, nullptr, nullptr) == 0) {
    const HRESULT failure = HRESULT_FROM_WIN32(GetLastError());
    delete[] converted;
    _com_issue_error(failure);
  }
  return converted;
}

}  // namespace _com_util
