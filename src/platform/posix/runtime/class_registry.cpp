// Registry entries are small files written whole under a temporary name and renamed into
// place, so a reader never sees half an entry.
#include "class_registry.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <link.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "../com_runtime.h"

namespace platform::runtime {
namespace {

// A module path and a threading model line; anything longer is not an entry we wrote.
constexpr std::size_t kMaximumEntryBytes = PATH_MAX + 256;

std::string HomeDirectory() {
  if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/') return home;
  const passwd* user = getpwuid(getuid());
  return user != nullptr && user->pw_dir != nullptr ? user->pw_dir : "";
}

std::string RegistryDirectory() {
  // Relative XDG paths are invalid and must be ignored.
  if (const char* data = std::getenv("XDG_DATA_HOME"); data != nullptr && data[0] == '/') {
    return std::string(data) + "/tapline/classes";
  }
  return HomeDirectory() + "/.local/share/tapline/classes";
}

std::string EntryPath(REFCLSID clsid) { return RegistryDirectory() + "/" + GuidText(clsid); }

// mkdir -p; false when a component cannot be created.
bool CreateDirectories(const std::string& directory) {
  for (std::size_t slash = 1; slash <= directory.size(); ++slash) {
    if (slash != directory.size() && directory[slash] != '/') continue;
    const std::string prefix = directory.substr(0, slash);
    if (mkdir(prefix.c_str(), 0755) != 0 && errno != EEXIST) return false;
  }
  struct stat status {};
  return stat(directory.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

bool WriteAll(int file, const std::string& bytes) {
  std::size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t n = write(file, bytes.data() + written, bytes.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    written += static_cast<std::size_t>(n);
  }
  return true;
}

bool WriteFileAtomically(const std::string& path, const std::string& bytes) {
  std::string temporary = path + ".XXXXXX";
  const int file = mkstemp(temporary.data());
  if (file < 0) return false;
  const bool written = WriteAll(file, bytes) && fsync(file) == 0;
  const bool closed = close(file) == 0;
  if (written && closed && rename(temporary.c_str(), path.c_str()) == 0) return true;
  unlink(temporary.c_str());
  return false;
}

// The main program's link map entry has an empty name; dladdr then reports argv[0], which
// need not lead to the file any more.
std::string ObjectFileOf(const void* address) {
  Dl_info info{};
  link_map* map = nullptr;
  if (dladdr1(address, &info, reinterpret_cast<void**>(&map), RTLD_DL_LINKMAP) == 0) return "";
  if (map != nullptr && (map->l_name == nullptr || map->l_name[0] == '\0')) return "/proc/self/exe";
  return info.dli_fname != nullptr ? info.dli_fname : "";
}

}  // namespace

std::string GuidText(REFGUID guid) {
  char text[39];
  std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                static_cast<unsigned>(guid.Data1), guid.Data2, guid.Data3, guid.Data4[0],
                guid.Data4[1], guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5],
                guid.Data4[6], guid.Data4[7]);
  return text;
}

HRESULT FindInprocServer(REFCLSID clsid, std::string& modulePath) {
  const int file = open(EntryPath(clsid).c_str(), O_RDONLY | O_CLOEXEC);
  if (file < 0) return errno == ENOENT || errno == ENOTDIR ? REGDB_E_CLASSNOTREG : REGDB_E_READREGDB;
  std::string entry(kMaximumEntryBytes + 1, '\0');
  std::size_t size = 0;
  while (size < entry.size()) {
    const ssize_t n = read(file, entry.data() + size, entry.size() - size);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      close(file);
      return REGDB_E_READREGDB;
    }
    if (n == 0) break;
    size += static_cast<std::size_t>(n);
  }
  close(file);
  if (size > kMaximumEntryBytes) return REGDB_E_READREGDB;
  entry.resize(size);
  modulePath = entry.substr(0, entry.find('\n'));
  if (!modulePath.empty() && modulePath.back() == '\r') modulePath.pop_back();
  return modulePath.empty() ? REGDB_E_CLASSNOTREG : S_OK;
}

}  // namespace platform::runtime

namespace platform {

using namespace runtime;

// Read anew on every call so that a changed $XDG_DATA_HOME takes effect; the text stays valid
// until the thread's next call.
const char* ClassRegistryDirectory() {
  thread_local std::string directory;
  try {
    directory = RegistryDirectory();
  } catch (const std::bad_alloc&) {
    directory.clear();
  }
  return directory.c_str();
}

// E_INVALIDARG for a null path or a path or model that holds a line break; REGDB_E_WRITEREGDB
// when the entry cannot be written. An existing entry of the class is replaced.
HRESULT RegisterInprocServer(REFCLSID clsid, const char* modulePath, const char* threadingModel) {
  if (modulePath == nullptr || modulePath[0] == '\0' || std::strpbrk(modulePath, "\r\n") != nullptr ||
      (threadingModel != nullptr && std::strpbrk(threadingModel, "\r\n") != nullptr)) {
    return E_INVALIDARG;
  }
  try {
    std::string entry = std::string(modulePath) + "\n";
    if (threadingModel != nullptr) entry += std::string("ThreadingModel=") + threadingModel + "\n";
    if (!CreateDirectories(RegistryDirectory())) return REGDB_E_WRITEREGDB;
    return WriteFileAtomically(EntryPath(clsid), entry) ? S_OK : REGDB_E_WRITEREGDB;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

// S_OK also when the class was not registered; REGDB_E_WRITEREGDB when the entry stays.
HRESULT UnregisterInprocServer(REFCLSID clsid) {
  try {
    if (unlink(EntryPath(clsid).c_str()) == 0 || errno == ENOENT || errno == ENOTDIR) return S_OK;
    return REGDB_E_WRITEREGDB;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

// False, with an empty path when capacity allows, when no module holds the address or its
// absolute path does not fit.
bool ModulePathOf(const void* address, char* path, std::size_t capacity) {
  if (path != nullptr && capacity > 0) path[0] = '\0';
  if (path == nullptr || capacity == 0) return false;
  try {
    const std::string file = ObjectFileOf(address);
    if (file.empty()) return false;
    char resolved[PATH_MAX];
    if (realpath(file.c_str(), resolved) == nullptr) return false;
    const std::size_t length = std::strlen(resolved);
    if (length >= capacity) return false;
    std::memcpy(path, resolved, length + 1);
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

}  // namespace platform
