// What every object of the component shares: its reference count, IUnknown, the module-wide
// count of live objects that DllCanUnloadNow reports, and the guard that keeps C++ exceptions
// inside the component.
#pragma once

#include <atomic>
#include <new>

#include "platform/platform.h"

namespace open_formats {

// Live objects and server locks of the module; plain atomics, so nothing here has a destructor
// that could run before the last object is gone.
void CountObject(bool alive);
void CountLock(bool locked);
bool ModuleInUse();

// Runs the body and turns an escaping exception into a result: memory exhaustion into
// E_OUTOFMEMORY, anything else into E_FAIL.
template <typename Body>
HRESULT Guarded(Body&& body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_FAIL;
  }
}

// Derived names the interfaces besides IUnknown it answers to, in a static Implements(iid).
// A new object holds one reference, its creator's.
template <typename Derived, typename Interface>
class ComObject : public Interface {
 public:
  ComObject() { CountObject(true); }
  ComObject(const ComObject&) = delete;
  ComObject& operator=(const ComObject&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (!IsEqualGUID(iid, IID_IUnknown) && !Derived::Implements(iid)) return E_NOINTERFACE;
    *object = static_cast<Interface*>(this);
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references;
    if (left == 0) delete static_cast<Derived*>(this);
    return left;
  }

 protected:
  ~ComObject() { CountObject(false); }

 private:
  std::atomic<ULONG> references{1};
};

}  // namespace open_formats

// A vtable slot the component does not serve.
#define COMPONENT_UNUSED_SLOT(name) \
  HRESULT STDMETHODCALLTYPE name() override { return E_NOTIMPL; }
