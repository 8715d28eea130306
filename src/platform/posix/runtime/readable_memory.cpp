// Whether memory can be read, found without touching it: the kernel copies one byte of every
// page into a pipe and answers EFAULT for a page that cannot be read.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

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

  // False when the byte cannot be read, or the pipe fails for another reason.
  bool CanRead(std::uintptr_t address) {
    for (;;) {
      const ssize_t n = write(ends[1], reinterpret_cast<const void*>(address), 1);
      if (n == 1) return true;
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && errno == EAGAIN && Drain()) continue;
      return false;
    }
  }

 private:
  bool Drain() {
    char discard[4096];
    ssize_t n;
    do {
      n = read(ends[0], discard, sizeof discard);
    } while (n < 0 && errno == EINTR);
    return n > 0;
  }

  int ends[2] = {-1, -1};
  bool valid = false;
};

}  // namespace

// A pipe that cannot be made counts as unreadable memory: the caller then refuses the block.
BOOL IsBadReadPtr(const void* address, UINT_PTR bytes) {
  if (bytes == 0) return FALSE;
  const auto first = reinterpret_cast<std::uintptr_t>(address);
  if (first == 0 || bytes - 1 > UINTPTR_MAX - first) return TRUE;
  const std::uintptr_t last = first + (bytes - 1);
  const auto pageSize = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
  ProbePipe probe;
  if (!probe.IsValid()) return TRUE;
  // The first byte, then the first byte of every later page the range reaches.
  for (std::uintptr_t at = first;;) {
    if (!probe.CanRead(at)) return TRUE;
    const std::uintptr_t nextPage = (at / pageSize + 1) * pageSize;
    if (nextPage == 0 || nextPage > last) return FALSE;  // 0: the address space ended
    at = nextPage;
  }
}
