// Single-threaded apartments: a per-thread initialisation count and the modules loaded through
// the class registry while the apartment lived.
#include "apartment.h"

#include <dlfcn.h>

#include <algorithm>
#include <vector>

#include "../com_runtime.h"
#include "error_info.h"

namespace platform::runtime {
namespace {

struct Apartment {
  unsigned initialisations = 0;
  std::vector<void*> modules;  // in load order
};

thread_local Apartment apartment;

// As on Windows, the apartment's end unloads its in-process servers whatever still refers to
// them: a later call into one of their objects is the caller's fault.
void UnloadModules() {
  std::vector<void*> modules;
  modules.swap(apartment.modules);
  for (auto it = modules.rbegin(); it != modules.rend(); ++it) dlclose(*it);
}

}  // namespace

bool HasApartment() { return apartment.initialisations > 0; }

void KeepModule(void* handle) {
  auto& modules = apartment.modules;
  if (std::find(modules.begin(), modules.end(), handle) != modules.end()) {
    dlclose(handle);  // dlopen counted one more reference; the apartment needs only one
    return;
  }
  try {
    modules.push_back(handle);
  } catch (...) {
    dlclose(handle);
    throw;
  }
}

}  // namespace platform::runtime

using namespace platform::runtime;

// E_INVALIDARG for a non-null reserved argument.
HRESULT CoInitialize(LPVOID reserved) {
  if (reserved != nullptr) return E_INVALIDARG;
  return apartment.initialisations++ == 0 ? S_OK : S_FALSE;
}

void CoUninitialize() {
  if (apartment.initialisations == 0) return;
  if (--apartment.initialisations > 0) return;
  // The error object may live in one of the modules about to go.
  ClearThreadErrorInfo();
  UnloadModules();
}

// E_INVALIDARG for a null out-pointer; CO_E_NOTINITIALIZED outside an apartment.
HRESULT CoGetApartmentType(APTTYPE* type, APTTYPEQUALIFIER* qualifier) {
  if (type == nullptr || qualifier == nullptr) return E_INVALIDARG;
  if (!HasApartment()) return CO_E_NOTINITIALIZED;
  *type = APTTYPE_STA;
  *qualifier = APTTYPEQUALIFIER_NONE;
  return S_OK;
}
