// RandomAccessFile on Windows: ReadFile at an OVERLAPPED offset on a synchronous handle.
#include <windows.h>

#include <algorithm>

#include "common/random_access_file.h"

namespace common {

namespace {

// HANDLE is a pointer; the class keeps it as an integer of the same width.
HANDLE Native(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

std::string OpenFailure(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return "the file does not exist";
    case ERROR_ACCESS_DENIED: return "the file may not be read (access denied)";
    case ERROR_SHARING_VIOLATION: return "the file is locked by another program";
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_INVALID_NAME: return "the file name is not valid";
    default:
      return "the file cannot be opened for reading (system error " + std::to_string(error) + ")";
  }
}

}  // namespace

Result<std::unique_ptr<RandomAccessFile>> RandomAccessFile::OpenNative(
    const std::filesystem::path& path) {
  using OpenResult = Result<std::unique_ptr<RandomAccessFile>>;
  // Others may go on writing, renaming or deleting: the reads notice when the contents change.
  // Backup semantics let a directory open, so that it is refused by name rather than as denied.
  const HANDLE handle = CreateFileW(
      path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return OpenResult::Refuse(OpenFailure(GetLastError()));
  std::unique_ptr<RandomAccessFile> file(
      new RandomAccessFile(reinterpret_cast<std::intptr_t>(handle)));
  switch (GetFileType(handle)) {
    case FILE_TYPE_DISK: break;
    case FILE_TYPE_PIPE: return OpenResult::Refuse("the file is not a regular file (a pipe)");
    case FILE_TYPE_CHAR:
      return OpenResult::Refuse("the file is not a regular file (a character device)");
    default: return OpenResult::Refuse("the file is not a regular file");
  }
  BY_HANDLE_FILE_INFORMATION information{};
  if (!GetFileInformationByHandle(handle, &information)) {
    return OpenResult::Refuse(OpenFailure(GetLastError()));
  }
  if (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
    return OpenResult::Refuse("the file is not a regular file (a directory)");
  }
  const std::optional<State> state = file->CurrentState();
  if (!state) return OpenResult::Refuse(OpenFailure(GetLastError()));
  file->opened = *state;
  return file;
}

RandomAccessFile::~RandomAccessFile() { CloseHandle(Native(handle)); }

bool RandomAccessFile::ReadFully(std::int64_t offset, std::span<std::byte> destination) {
  std::size_t done = 0;
  while (done < destination.size()) {
    const auto position = static_cast<std::uint64_t>(offset) + done;
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(position);
    at.OffsetHigh = static_cast<DWORD>(position >> 32);
    // ReadFile takes a 32-bit count: at most 1 GiB a call.
    const auto wanted =
        static_cast<DWORD>(std::min<std::size_t>(destination.size() - done, 1u << 30));
    DWORD got = 0;
    if (!ReadFile(Native(handle), destination.data() + done, wanted, &got, &at) || got == 0)
      return false;
    done += got;
  }
  return true;
}

std::optional<RandomAccessFile::State> RandomAccessFile::CurrentState() const {
  BY_HANDLE_FILE_INFORMATION information{};
  if (!GetFileInformationByHandle(Native(handle), &information)) return std::nullopt;
  // The change time, which SetFileTime leaves alone when it sets the write time back.
  FILE_BASIC_INFO times{};
  if (!GetFileInformationByHandleEx(Native(handle), FileBasicInfo, &times, sizeof times)) {
    return std::nullopt;
  }
  const auto size =
      (static_cast<std::uint64_t>(information.nFileSizeHigh) << 32) | information.nFileSizeLow;
  return State{static_cast<std::int64_t>(size), times.LastWriteTime.QuadPart,
               times.ChangeTime.QuadPart, static_cast<std::int64_t>(information.nNumberOfLinks)};
}

// Windows reads ahead of sequential reads by itself and offers no per-range hint for files that
// are read, not mapped.
void RandomAccessFile::Prefetch(std::int64_t, std::int64_t) {}
void RandomAccessFile::ReadAheadOnEachRead(bool) {}
bool RandomAccessFile::IsCached(FileRange) { return false; }

}  // namespace common
