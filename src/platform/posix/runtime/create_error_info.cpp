// The error-information object that CreateErrorInfo makes: a failing party sets its texts
// through ICreateErrorInfo and leaves it with SetErrorInfo; its caller reads them through
// IErrorInfo. One object answers to both interfaces.
#include <atomic>
#include <new>
#include <optional>
#include <string>

#include "../com_runtime.h"

namespace {

// A text as set: none until a Set call, then a copy (a null text sets none again).
class StoredText {
 public:
  HRESULT Set(const OLECHAR* value) {
    try {
      text = value ? std::optional<std::u16string>(value) : std::nullopt;
      return S_OK;
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    }
  }
  // A new BSTR for the caller to free; null when none was set. E_OUTOFMEMORY when the copy
  // cannot be made.
  HRESULT Get(BSTR* out) const {
    if (out == nullptr) return E_INVALIDARG;
    *out = nullptr;
    if (!text) return S_OK;
    *out = SysAllocStringLen(text->data(), static_cast<UINT>(text->size()));
    return *out != nullptr ? S_OK : E_OUTOFMEMORY;
  }

 private:
  std::optional<std::u16string> text;
};

class ErrorInfoObject final : public IErrorInfo, public ICreateErrorInfo {
 public:
  ErrorInfoObject() = default;
  ErrorInfoObject(const ErrorInfoObject&) = delete;
  ErrorInfoObject& operator=(const ErrorInfoObject&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IErrorInfo) {
      *object = static_cast<IErrorInfo*>(this);
    } else if (iid == IID_ICreateErrorInfo) {
      *object = static_cast<ICreateErrorInfo*>(this);
    } else {
      *object = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references;
    if (left == 0) delete this;
    return left;
  }

  HRESULT STDMETHODCALLTYPE GetGUID(GUID* out) override {
    if (out == nullptr) return E_INVALIDARG;
    *out = guid;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetSource(BSTR* out) override { return source.Get(out); }
  HRESULT STDMETHODCALLTYPE GetDescription(BSTR* out) override { return description.Get(out); }
  HRESULT STDMETHODCALLTYPE GetHelpFile(BSTR* out) override { return helpFile.Get(out); }
  HRESULT STDMETHODCALLTYPE GetHelpContext(DWORD* out) override {
    if (out == nullptr) return E_INVALIDARG;
    *out = helpContext;
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE SetGUID(REFGUID value) override {
    guid = value;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetSource(LPOLESTR value) override { return source.Set(value); }
  HRESULT STDMETHODCALLTYPE SetDescription(LPOLESTR value) override {
    return description.Set(value);
  }
  HRESULT STDMETHODCALLTYPE SetHelpFile(LPOLESTR value) override { return helpFile.Set(value); }
  HRESULT STDMETHODCALLTYPE SetHelpContext(DWORD value) override {
    helpContext = value;
    return S_OK;
  }

 private:
  ~ErrorInfoObject() = default;

  std::atomic<ULONG> references{1};  // the creator's
  GUID guid{};
  StoredText source;
  StoredText description;
  StoredText helpFile;
  DWORD helpContext = 0;
};

}  // namespace

HRESULT CreateErrorInfo(ICreateErrorInfo** info) {
  if (info == nullptr) return E_INVALIDARG;
  *info = new (std::nothrow) ErrorInfoObject();
  return *info != nullptr ? S_OK : E_OUTOFMEMORY;
}
