#include "loaded_library.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace support {

void LoadedLibrary::RequireExports() {
  const std::string missing = tapline_host::ResolveExports(*this, [this](const char* name) { return Symbol(name); });
  if (!missing.empty()) {
    std::fprintf(stderr, "the library lacks the exports %s\n", missing.c_str());
    std::abort();
  }
}

}  // namespace support
