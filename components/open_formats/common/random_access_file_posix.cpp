// RandomAccessFile on POSIX systems: pread on a descriptor.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "common/random_access_file.h"

namespace common {

namespace {

int Descriptor(std::intptr_t handle) { return static_cast<int>(handle); }

// The kind of a file that is not regular, as the user would call it.
const char* KindOf(mode_t mode) {
  if (S_ISDIR(mode)) return "a directory";
  if (S_ISFIFO(mode)) return "a FIFO";
  if (S_ISCHR(mode)) return "a character device";
  if (S_ISBLK(mode)) return "a block device";
  if (S_ISSOCK(mode)) return "a socket";
  return "of an unknown kind";
}

std::string OpenFailure(int error) {
  switch (error) {
    case ENOENT: return "the file does not exist";
    case EACCES:
    case EPERM: return "the file may not be read (permission denied)";
    case ENOTDIR: return "a folder on the file's path is not a folder";
    case ELOOP: return "the file's path has too many symbolic links";
    case ENAMETOOLONG: return "the file name is too long";
    case ENXIO: return "the file is a device or socket that cannot be opened";
    default:
      return std::string("the file cannot be opened for reading (") + std::strerror(error) + ")";
  }
}

}  // namespace

Result<std::unique_ptr<RandomAccessFile>> RandomAccessFile::OpenNative(
    const std::filesystem::path& path) {
  using OpenResult = Result<std::unique_ptr<RandomAccessFile>>;
  // Non-blocking, so that opening a FIFO returns at once instead of waiting for a writer.
  constexpr int kFlags = O_RDONLY | O_NONBLOCK | O_CLOEXEC;
  int descriptor = -1;
#ifdef O_NOATIME
  // Access times cost a check on every read; only the file's owner may leave them alone.
  descriptor = ::open(path.c_str(), kFlags | O_NOATIME);
#endif
  if (descriptor < 0) descriptor = ::open(path.c_str(), kFlags);
  if (descriptor < 0) return OpenResult::Refuse(OpenFailure(errno));
  std::unique_ptr<RandomAccessFile> file(new RandomAccessFile(descriptor));
  struct stat status {};
  if (::fstat(descriptor, &status) != 0) return OpenResult::Refuse(OpenFailure(errno));
  if (!S_ISREG(status.st_mode)) {
    return OpenResult::Refuse(std::string("the file is not a regular file (") +
                              KindOf(status.st_mode) + ")");
  }
  // Reads of a regular file never wait on O_NONBLOCK anyway; cleared so that no system differs.
  const int flags = ::fcntl(descriptor, F_GETFL);
  if (flags >= 0) ::fcntl(descriptor, F_SETFL, flags & ~O_NONBLOCK);
  const std::optional<State> state = file->CurrentState();
  if (!state) return OpenResult::Refuse(OpenFailure(errno));
  file->opened = *state;
  return file;
}

RandomAccessFile::~RandomAccessFile() { ::close(Descriptor(handle)); }

bool RandomAccessFile::ReadFully(std::int64_t offset, std::span<std::byte> destination) {
  std::size_t done = 0;
  while (done < destination.size()) {
    const ssize_t got =
        ::pread(Descriptor(handle), destination.data() + done, destination.size() - done,
                static_cast<off_t>(offset + static_cast<std::int64_t>(done)));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;  // an error, or the end of a file that shrank
    done += static_cast<std::size_t>(got);
  }
  return true;
}

std::optional<RandomAccessFile::State> RandomAccessFile::CurrentState() const {
  struct stat status {};
  if (::fstat(Descriptor(handle), &status) != 0) return std::nullopt;
  const auto nanoseconds = [](const timespec& time) {
    return static_cast<std::int64_t>(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
  };
  return State{static_cast<std::int64_t>(status.st_size), nanoseconds(status.st_mtim),
               nanoseconds(status.st_ctim), static_cast<std::int64_t>(status.st_nlink)};
}

void RandomAccessFile::Prefetch(std::int64_t offset, std::int64_t length) {
  ::posix_fadvise(Descriptor(handle), static_cast<off_t>(offset), static_cast<off_t>(length),
                  POSIX_FADV_WILLNEED);
}

bool RandomAccessFile::IsCached(FileRange range) {
#ifdef RWF_NOWAIT
  // A read that may not wait: it fails with EAGAIN unless the bytes are in the page cache.
  std::byte probe[1];
  iovec vector{probe, 1};
  if (range.length <= 0 ||
      !WithinOpenedSize(range.offset, static_cast<std::uint64_t>(range.length)))
    return false;
  return ::preadv2(Descriptor(handle), &vector, 1,
                   static_cast<off_t>(range.offset + range.length - 1), RWF_NOWAIT) == 1;
#else
  (void)range;
  return false;
#endif
}

void RandomAccessFile::ReadAheadOnEachRead(bool enabled) {
  ::posix_fadvise(Descriptor(handle), 0, 0, enabled ? POSIX_FADV_NORMAL : POSIX_FADV_RANDOM);
}

}  // namespace common
