// Whether memory can be read, found without touching it: the kernel copies one byte of every
// page into a pipe and answers EFAULT for a page that cannot be read.
//
// Hosts ask this for every block they hand over, so one pipe serves the whole process: making a
// pipe costs more than probing a few pages. Writes of one byte are atomic, so threads share it
// without a lock; whoever writes the last byte of a stretch reads the stretch back out, which
// keeps the pipe far from full. (A thread-local pipe would keep the library loaded as long as any
// thread that asked lives.)
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <optional>

#include "../win32.h"

namespace {

class ProbePipe {
 public:
  ProbePipe() { valid = pipe2(ends, O_CLOEXEC | O_NONBLOCK) == 0; }
  ~ProbePipe() {
    if (!valid) return;
    close(ends[0]);
    close(ends[1]);
  }
  ProbePipe(const ProbePipe&) = delete;
  ProbePipe& operator=(const ProbePipe&) = delete;

  bool IsValid() const { return valid; }

  // Whether the byte can be read; nullopt when the pipe fails for another reason.
  std::optional<bool> CanRead(std::uintptr_t address) {
    for (int drains = 0;;) {
      const ssize_t n = write(ends[1], reinterpret_cast<const void*>(address), 1);
      if (n == 1) {
        if (written.fetch_add(1, std::memory_order_relaxed) % kDrainEvery == kDrainEvery - 1) Drain();
        return true;
      }
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && errno == EFAULT) return false;
      // Full only when another process shares the pipe since a fork, or threads race the drain.
      if (n < 0 && errno == EAGAIN && drains++ < kMostDrainsPerByte) {
        Drain();
        continue;
      }
      return std::nullopt;
    }
  }

 private:
  // A pipe holds at least one page (4 KiB) even where the system limits pipes; drained at a
  // quarter of that.
  static constexpr std::uint32_t kDrainEvery = 1024;
  static constexpr int kMostDrainsPerByte = 4;

  void Drain() {
    char discard[4096];
    for (;;) {
      const ssize_t n = read(ends[0], discard, sizeof discard);
      if (n < 0 && errno == EINTR) continue;
      if (n < static_cast<ssize_t>(sizeof discard)) return;  // empty now, or taken by another thread
    }
  }

  int ends[2] = {-1, -1};
  bool valid = false;
  std::atomic<std::uint32_t> written{0};
};

// Whether every page from `first` to `last` can be read: the first byte, then the first byte of
// every later page the range reaches. nullopt when the pipe failed.
std::optional<bool> AllPagesReadable(ProbePipe& probe, std::uintptr_t first, std::uintptr_t last) {
  const auto pageSize = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
  for (std::uintptr_t at = first;;) {
    const std::optional<bool> readable = probe.CanRead(at);
    if (readable != true) return readable;
    const std::uintptr_t nextPage = (at / pageSize + 1) * pageSize;
    if (nextPage == 0 || nextPage > last) return true;  // 0: the address space ended
    at = nextPage;
  }
}

}  // namespace

// When the shared pipe cannot be made or fails (out of descriptors, closed by the host), a pipe
// of the call's own answers; one that cannot be made counts as unreadable memory, so that the
// caller refuses the block.
BOOL IsBadReadPtr(const void* address, UINT_PTR bytes) {
  if (bytes == 0) return FALSE;
  const auto first = reinterpret_cast<std::uintptr_t>(address);
  if (first == 0 || bytes - 1 > UINTPTR_MAX - first) return TRUE;
  const std::uintptr_t last = first + (bytes - 1);
  static ProbePipe shared;
  if (shared.IsValid()) {
    if (const std::optional<bool> readable = AllPagesReadable(shared, first, last)) return *readable ? FALSE : TRUE;
  }
  ProbePipe own;
  if (!own.IsValid()) return TRUE;
  return AllPagesReadable(own, first, last).value_or(false) ? FALSE : TRUE;
}
