// Whether memory can be read, found without touching it: the kernel copies the first byte of
// every page the range reaches and answers EFAULT for a page that cannot be read.
//
// The copy is process_vm_readv on this very process, which needs no descriptor: a descriptor
// kept for the whole process (a probe pipe) is one a host may close and reuse for a file of
// its own (daemons close what they did not open), and the probe would then write into it.
// Where that call is not available (a sandbox that forbids it), a pipe made for the one call
// answers instead.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/uio.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <new>
#include <optional>

#include "../win32.h"

namespace {

// The copy names this process by its id, which a child of fork must not inherit: asking the
// system for it costs as much again as a small probe. It is kept in a page of its own that the
// kernel empties in every child (MADV_WIPEONFORK, however the child was made), so a child finds
// 0 there and asks afresh. A child that shares this memory instead of a copy (vfork, clone with
// CLONE_VM) shares the address space the kept id names, too. Without such a page the id is
// asked for on every call.
class KeptProcessId {
 public:
  KeptProcessId() {
    void* page = mmap(nullptr, Size(), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (page == MAP_FAILED) return;
#ifdef MADV_WIPEONFORK
    if (madvise(page, Size(), MADV_WIPEONFORK) == 0) {
      kept = new (page) std::atomic<pid_t>(0);  // no id kept yet
      return;
    }
#endif
    munmap(page, Size());
  }
  // At unload; a probe from a later destructor asks for the id again.
  ~KeptProcessId() {
    std::atomic<pid_t>* const page = kept;
    kept = nullptr;
    if (page != nullptr) munmap(page, Size());
  }
  KeptProcessId(const KeptProcessId&) = delete;
  KeptProcessId& operator=(const KeptProcessId&) = delete;

  pid_t Get() {
    if (kept == nullptr) return getpid();
    pid_t id = kept->load(std::memory_order_relaxed);
    if (id == 0) {
      id = getpid();
      kept->store(id, std::memory_order_relaxed);
    }
    return id;
  }

 private:
  static std::size_t Size() { return static_cast<std::size_t>(sysconf(_SC_PAGESIZE)); }

  std::atomic<pid_t>* kept = nullptr;
};

static_assert(std::atomic<pid_t>::is_always_lock_free, "the kept id lives in raw memory");

// Mapped when the runtime is loaded, so that no probe changes the address space it is asked
// about (a page mapped then could fill the very hole a caller asks about).
KeptProcessId processId;

// Calls `probe(address)` for the first byte of the range and the first byte of every later page
// it reaches, until one answers other than true; returns that answer, or true.
template <typename Probe>
std::optional<bool> EveryPage(std::uintptr_t first, std::uintptr_t last, Probe probe) {
  const auto pageSize = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
  for (std::uintptr_t at = first;;) {
    const std::optional<bool> readable = probe(at);
    if (readable != true) return readable;
    const std::uintptr_t nextPage = (at / pageSize + 1) * pageSize;
    if (nextPage == 0 || nextPage > last) return true;  // 0: the address space ended
    at = nextPage;
  }
}

// Gathers the addresses of up to kBatch pages and copies their bytes with one call. The copy
// stops at the first page that cannot be read: EFAULT when that is the first, else a short count.
class CopyProbe {
 public:
  // The page list is filled as it is used, never cleared first.
  CopyProbe() {}

  // nullopt when the call itself is refused.
  std::optional<bool> AllReadable(std::uintptr_t first, std::uintptr_t last) {
    const std::optional<bool> gathered = EveryPage(first, last, [this](std::uintptr_t at) -> std::optional<bool> {
      if (count == kBatch) {
        const std::optional<bool> copied = Copy();
        if (copied != true) return copied;
      }
      // The kernel reads the address as the other process's; it is never dereferenced here.
      pages[count++] = {reinterpret_cast<void*>(at), 1};
      return true;
    });
    if (gathered != true) return gathered;
    return Copy();
  }

 private:
  static constexpr std::size_t kBatch = 256;  // well below the kernel's 1,024 per call

  std::optional<bool> Copy() {
    iovec local{sink, count};
    ssize_t copied = 0;
    do {
      copied = process_vm_readv(processId.Get(), &local, 1, pages, count, 0);
    } while (copied < 0 && errno == EINTR);
    if (copied < 0) return errno == EFAULT ? std::optional<bool>(false) : std::nullopt;
    const bool all = static_cast<std::size_t>(copied) == count;
    count = 0;
    return all;
  }

  iovec pages[kBatch];
  char sink[kBatch];
  std::size_t count = 0;
};

// The fallback: a pipe of the call's own, into which the kernel copies one byte of each page
// (write answers EFAULT for a page that cannot be read), read back out before it fills.
class PipeProbe {
 public:
  PipeProbe() { valid = pipe2(ends, O_CLOEXEC | O_NONBLOCK) == 0; }
  ~PipeProbe() {
    if (!valid) return;
    close(ends[0]);
    close(ends[1]);
  }
  PipeProbe(const PipeProbe&) = delete;
  PipeProbe& operator=(const PipeProbe&) = delete;

  bool IsValid() const { return valid; }

  // Whether the byte can be read; nullopt when the pipe fails for another reason.
  std::optional<bool> CanRead(std::uintptr_t address) {
    for (;;) {
      const ssize_t n = write(ends[1], reinterpret_cast<const void*>(address), 1);
      if (n == 1) {
        // A pipe holds at least one page (4 KiB) even where the system limits pipes.
        if (++written % kDrainEvery == 0) Drain();
        return true;
      }
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && errno == EFAULT) return false;
      return std::nullopt;
    }
  }

 private:
  static constexpr std::uint32_t kDrainEvery = 1024;

  void Drain() {
    char discard[kDrainEvery];
    for (;;) {
      const ssize_t n = read(ends[0], discard, sizeof discard);
      if (n < 0 && errno == EINTR) continue;
      if (n < static_cast<ssize_t>(sizeof discard)) return;  // empty now
    }
  }

  int ends[2] = {-1, -1};
  bool valid = false;
  std::uint32_t written = 0;
};

}  // namespace

// A range whose probe fails altogether (no copy call, no pipe to be had) counts as unreadable,
// so that the caller refuses the block.
BOOL IsBadReadPtr(const void* address, UINT_PTR bytes) {
  if (bytes == 0) return FALSE;
  const auto first = reinterpret_cast<std::uintptr_t>(address);
  if (first == 0 || bytes - 1 > UINTPTR_MAX - first) return TRUE;
  const std::uintptr_t last = first + (bytes - 1);
  if (const std::optional<bool> readable = CopyProbe().AllReadable(first, last)) return *readable ? FALSE : TRUE;
  PipeProbe pipe;
  if (!pipe.IsValid()) return TRUE;
  const std::optional<bool> readable = EveryPage(first, last, [&pipe](std::uintptr_t at) { return pipe.CanRead(at); });
  return readable.value_or(false) ? FALSE : TRUE;
}
