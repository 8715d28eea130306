// A single-threaded apartment for the life of a test fixture. Declared before the fake
// component, it is open when the component registers its class, which Windows allows only
// inside an apartment, and it ends after the component has revoked the class.
#pragma once

#include "platform/platform.h"

namespace support {

class ComApartment {
 public:
  ComApartment() : result(CoInitialize(nullptr)) {}
  ~ComApartment() {
    if (SUCCEEDED(result)) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

  // CoInitialize's answer: S_OK when the thread had no apartment before.
  HRESULT Result() const { return result; }

 private:
  HRESULT result;
};

}  // namespace support
