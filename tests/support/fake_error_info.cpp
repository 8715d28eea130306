#include "fake_error_info.h"

#include <utility>

namespace fake {
namespace {

// A new BSTR with the text; E_OUTOFMEMORY when none can be had.
HRESULT CopyText(const std::u16string& text, BSTR* out) {
  if (out == nullptr) return E_POINTER;
  // OLECHAR is a UTF-16 unit everywhere: char16_t itself, or Windows' 16-bit wchar_t.
  static_assert(sizeof(OLECHAR) == sizeof(char16_t));
  *out = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()), static_cast<UINT>(text.size()));
  return *out != nullptr ? S_OK : E_OUTOFMEMORY;
}

}  // namespace

FakeErrorInfo::FakeErrorInfo(std::u16string source, std::u16string description)
    : source(std::move(source)), description(std::move(description)) {}

HRESULT FakeErrorInfo::QueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IErrorInfo) {
    AddRef();
    *object = static_cast<IErrorInfo*>(this);
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG FakeErrorInfo::AddRef() { return ++references; }

ULONG FakeErrorInfo::Release() {
  const ULONG left = --references;
  if (left == 0) delete this;
  return left;
}

HRESULT FakeErrorInfo::GetGUID(GUID* guid) {
  if (guid == nullptr) return E_POINTER;
  *guid = GUID{};
  return S_OK;
}

HRESULT FakeErrorInfo::GetSource(BSTR* text) { return CopyText(source, text); }
HRESULT FakeErrorInfo::GetDescription(BSTR* text) { return CopyText(description, text); }
HRESULT FakeErrorInfo::GetHelpFile(BSTR* text) { return CopyText(u"", text); }

HRESULT FakeErrorInfo::GetHelpContext(DWORD* context) {
  if (context == nullptr) return E_POINTER;
  *context = 0;
  return S_OK;
}

}  // namespace fake
