// One error-information object per thread, set by a failing party and taken by the caller.
#include "error_info.h"

#include <utility>

#include "../com_runtime.h"

namespace platform::runtime {
namespace {

struct ThreadErrorInfo {
  IErrorInfo* info = nullptr;
  ~ThreadErrorInfo() { ClearThreadErrorInfo(); }
};

thread_local ThreadErrorInfo current;

}  // namespace

void ClearThreadErrorInfo() {
  if (IErrorInfo* old = std::exchange(current.info, nullptr)) old->Release();
}

}  // namespace platform::runtime

using namespace platform::runtime;

// Replaces the thread's object, keeping a reference of its own; null clears it.
HRESULT SetErrorInfo(DWORD, IErrorInfo* info) {
  if (info != nullptr) info->AddRef();
  ClearThreadErrorInfo();
  current.info = info;
  return S_OK;
}

// Hands the thread's object to the caller, who releases it, and clears it: S_FALSE with a null
// object when there is none; E_INVALIDARG for a null out-pointer.
HRESULT GetErrorInfo(DWORD, IErrorInfo** info) {
  if (info == nullptr) return E_INVALIDARG;
  *info = std::exchange(current.info, nullptr);
  return *info != nullptr ? S_OK : S_FALSE;
}
