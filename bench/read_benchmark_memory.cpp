#include "read_benchmark_memory.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>

namespace read_benchmark {

MemoryStatus ReadMemoryStatus() {
  MemoryStatus status;
  std::FILE* file = std::fopen("/proc/self/status", "r");
  if (file == nullptr) return status;
  char line[256];
  while (std::fgets(line, sizeof line, file) != nullptr) {
    long long kb = 0;
    if (std::sscanf(line, "VmHWM: %lld kB", &kb) == 1) status.residentPeakKb = kb;
    if (std::sscanf(line, "RssAnon: %lld kB", &kb) == 1) status.anonymousKb = kb;
    if (std::sscanf(line, "RssFile: %lld kB", &kb) == 1) status.fileKb = kb;
  }
  std::fclose(file);
  return status;
}

bool ResetResidentPeak() {
  std::ofstream clear("/proc/self/clear_refs");
  clear << "5";  // "5": reset the peak resident set size
  return static_cast<bool>(clear.flush());
}

AnonymousPeakSampler::AnonymousPeakSampler() {
  peakKb = ReadMemoryStatus().anonymousKb;
  poller = std::thread([this] {
    while (running) {
      const std::int64_t now = ReadMemoryStatus().anonymousKb;
      std::int64_t seen = peakKb;
      while (now > seen && !peakKb.compare_exchange_weak(seen, now)) {
      }
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
  });
}

AnonymousPeakSampler::~AnonymousPeakSampler() { Stop(); }

std::int64_t AnonymousPeakSampler::Stop() {
  running = false;
  if (poller.joinable()) poller.join();
  return peakKb;
}

}  // namespace read_benchmark
