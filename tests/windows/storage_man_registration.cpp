#include "storage_man_registration.h"

#include "platform/platform.h"
#include "reader/reader_ids.h"

namespace windows_test {

bool StorageManIsRegistered() {
  const CLSID& id = reader::kStorageManClassId;
  char name[64];
  wsprintfA(name, "CLSID\\{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
            static_cast<unsigned long>(id.Data1), id.Data2, id.Data3, id.Data4[0], id.Data4[1],
            id.Data4[2], id.Data4[3], id.Data4[4], id.Data4[5], id.Data4[6], id.Data4[7]);
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, name, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

}  // namespace windows_test
