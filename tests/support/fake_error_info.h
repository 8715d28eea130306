// The error information a failing component attaches to a _com_error: a source and a
// description. Deletes itself when its last reference goes.
#pragma once

#include <string>

#include "platform/platform.h"

namespace fake {

class FakeErrorInfo final : public IErrorInfo {
 public:
  FakeErrorInfo(std::u16string source, std::u16string description);

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE GetGUID(GUID* guid) override;
  HRESULT STDMETHODCALLTYPE GetSource(BSTR* text) override;
  HRESULT STDMETHODCALLTYPE GetDescription(BSTR* text) override;
  HRESULT STDMETHODCALLTYPE GetHelpFile(BSTR* text) override;
  HRESULT STDMETHODCALLTYPE GetHelpContext(DWORD* context) override;

 private:
  ~FakeErrorInfo() = default;

  ULONG references = 1;
  std::u16string source;
  std::u16string description;
};

}  // namespace fake
