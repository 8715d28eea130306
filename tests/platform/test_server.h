// The in-process server the class creation tests load through the class registry.
#pragma once

#include "platform/platform.h"

// {6A1C3E52-0B7D-4F18-9C25-3D4E5F607182}
constexpr CLSID kTestServerClassId = {0x6A1C3E52, 0x0B7D, 0x4F18, {0x9C, 0x25, 0x3D, 0x4E, 0x5F, 0x60, 0x71, 0x82}};
// {6A1C3E53-0B7D-4F18-9C25-3D4E5F607182}
constexpr IID kTestObjectId = {0x6A1C3E53, 0x0B7D, 0x4F18, {0x9C, 0x25, 0x3D, 0x4E, 0x5F, 0x60, 0x71, 0x82}};

struct TestObjectInterface : IUnknown {
  // 0x01020304: proof that the call reached the server's code.
  virtual LONG STDMETHODCALLTYPE Value() = 0;
  // Throws _com_error(hr) from inside the server module.
  virtual void STDMETHODCALLTYPE Raise(HRESULT hr) = 0;
};
