// The class registry of the stand-in: one file per class id in ClassRegistryDirectory(), whose
// first line is the module path and whose second line names the threading model.
#pragma once

#include <string>

#include "../com_types.h"

namespace platform::runtime {

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper-case hexadecimal, as Windows writes a class id.
std::string GuidText(REFGUID guid);

// The module path registered for the class: REGDB_E_CLASSNOTREG when there is no entry or it
// names no module, REGDB_E_READREGDB when the entry cannot be read. Throws std::bad_alloc.
HRESULT FindInprocServer(REFCLSID clsid, std::string& modulePath);

}  // namespace platform::runtime
