// Memory figures of the running process, from /proc/self/status (Linux).
#pragma once

#include <atomic>
#include <cstdint>
#include <thread>

namespace read_benchmark {

struct MemoryStatus {
  std::int64_t residentPeakKb = 0;  // VmHWM
  std::int64_t anonymousKb = 0;     // RssAnon
  std::int64_t fileKb = 0;          // RssFile
};

// Zeros when /proc/self/status cannot be read.
MemoryStatus ReadMemoryStatus();

// Starts the kernel's peak-resident count (VmHWM) afresh; false when the kernel refuses.
bool ResetResidentPeak();

// Polls the anonymous resident size on a thread of its own until Stop, keeping the largest:
// the kernel keeps a peak for all resident memory only, which file pages would inflate.
class AnonymousPeakSampler {
 public:
  AnonymousPeakSampler();
  ~AnonymousPeakSampler();
  AnonymousPeakSampler(const AnonymousPeakSampler&) = delete;
  AnonymousPeakSampler& operator=(const AnonymousPeakSampler&) = delete;
  // The largest RssAnon seen, in kB.
  std::int64_t Stop();

 private:
  std::atomic<bool> running{true};
  std::atomic<std::int64_t> peakKb{0};
  std::thread poller;
};

}  // namespace read_benchmark
