#include "loaded_library.h"

#include <cstdio>
#include <cstdlib>

namespace support {
namespace {

template <typename Function>
Function Require(const LoadedLibrary& library, const char* name) {
  void* address = library.Symbol(name);
  if (address == nullptr) {
    std::fprintf(stderr, "the library lacks the export %s\n", name);
    std::abort();
  }
  // dlsym and GetProcAddress hand out addresses that both systems guarantee to convert to
  // function pointers.
  return reinterpret_cast<Function>(address);
}

}  // namespace

void LoadedLibrary::ResolveLifecycleExports() {
  OpenEx = Require<decltype(OpenEx)>(*this, "OpenEx");
  Close = Require<decltype(Close)>(*this, "Close");
}

}  // namespace support
