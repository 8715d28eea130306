#include "tapline_exports.h"

#include <type_traits>

#include "library_module.h"

namespace tapline_host {

void* LoadTaplineLibrary(const std::string& path, TaplineExports& exports, std::string& error) {
  void* module = LoadModule(path, error);
  if (module == nullptr) return nullptr;
  TaplineExports found;
  std::string missing;
  const auto resolve = [&](auto& function, const char* name) {
    // dlsym and GetProcAddress hand out addresses that both systems guarantee to convert to
    // function pointers; the detour through void (*)() tells the compiler the change is meant.
    function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(
        reinterpret_cast<void (*)()>(FindSymbol(module, name)));
    if (function == nullptr) missing += std::string(missing.empty() ? "" : " ") + name;
  };
#define TAPLINE_RESOLVE_EXPORT(name) resolve(found.name, #name);
  TAPLINE_EXPORT_NAMES(TAPLINE_RESOLVE_EXPORT)
#undef TAPLINE_RESOLVE_EXPORT
  if (!missing.empty()) {
    error = "the library has no export " + missing;
    return nullptr;
  }
  exports = found;
  return module;
}

}  // namespace tapline_host
