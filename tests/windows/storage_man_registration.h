// Whether this machine's registry already names a server for the StorageMan class.
#pragma once

namespace windows_test {

// True when the StorageMan class has an entry in this machine's registry: then a real reader
// component may be installed, and tests must neither replace nor remove it.
bool StorageManIsRegistered();

}  // namespace windows_test
