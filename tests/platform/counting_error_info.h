// An error-information object on the test's stack that counts its references; its texts are
// handed out as new BSTRs, as a component's would be.
#pragma once

#include "platform/platform.h"

struct CountingErrorInfo final : IErrorInfo {
  CountingErrorInfo(const OLECHAR* source, const OLECHAR* description)
      : source(source), description(description) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (iid == IID_IUnknown || iid == IID_IErrorInfo) {
      AddRef();
      *object = static_cast<IErrorInfo*>(this);
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
  ULONG STDMETHODCALLTYPE Release() override { return --references; }
  HRESULT STDMETHODCALLTYPE GetGUID(GUID* guid) override {
    *guid = GUID{};
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetSource(BSTR* text) override {
    *text = SysAllocString(source);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetDescription(BSTR* text) override {
    *text = SysAllocString(description);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetHelpFile(BSTR* text) override {
    *text = nullptr;
    return S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE GetHelpContext(DWORD* context) override {
    *context = 0;
    return S_FALSE;
  }

  const OLECHAR* source;
  const OLECHAR* description;
  ULONG references = 1;  // the creator's
};
