// getdata_benchmark: how fast GetData hands a large block of samples to the host, against a
// plain memcpy of the same bytes in the same run.
//
// The block (64 channels of 262144 samples, 32 MiB of samples) is served by the fake
// component. Figures: memcpy of the sample bytes; the library's own copy out of a filled block
// (CopyChannelSamples, what GetData does after the read); the read alone (window check, block
// built, filled by the component); and the whole GetData call. The closing lines give the
// ratios to memcpy; the library's copy is meant to stay within 1.5 times memcpy.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "api/reader_context.h"
#include "api/sample_copy.h"
#include "fake_component.h"
#include "packets/sample_block_packet.h"
#include "tapline.h"

namespace {

constexpr std::int32_t kChannels = 64;
constexpr std::int32_t kSamplesPerChannel = 262144;  // 512 s at 512 Hz
constexpr std::size_t kSampleBytes = std::size_t{2} * kChannels * kSamplesPerChannel;
constexpr api::RecordingTime kStart{40000.0, 0.0};
constexpr double kDuration = 512.0;

// The fake component serving one 600-s segment of kChannels channels.
class ServedRecording {
 public:
  ServedRecording() {
    fake::Recording& recording = component.recording;
    recording.segments = {{{kStart.days, 0.0}, {kStart.days + 600 * api::kDaysPerSecond, 0.0}, 600.0}};
    recording.segmentFound = VARIANT_TRUE;
    recording.sampleChannelCount = kChannels;
    recording.sampleCounts.assign(kChannels, kSamplesPerChannel);
    for (std::int32_t channel = 0; channel < kChannels; ++channel) {
      std::vector<std::int16_t> samples(kSamplesPerChannel);
      for (std::int32_t i = 0; i < kSamplesPerChannel; ++i) {
        samples[i] = static_cast<std::int16_t>(channel * 1000 + i);
      }
      recording.samples.push_back(std::move(samples));
    }
    int segmentCount = 0;
    opened = OpenEx("benchmark.edf", &segmentCount) == 1;
  }
  ~ServedRecording() { Close(); }

  fake::Component component;
  bool opened = false;
};

ServedRecording& Recording() {
  static ServedRecording recording;
  return recording;
}

// A destination the host has touched already, so no benchmark pays for its first page faults.
std::vector<short>& HostBuffer() {
  static std::vector<short> buffer(kSampleBytes / 2, 1);
  return buffer;
}

void SetBytes(benchmark::State& state) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(kSampleBytes));
}

void BM_Memcpy(benchmark::State& state) {
  std::vector<short> source(kSampleBytes / 2, 2);
  std::vector<short>& host = HostBuffer();
  for (auto _ : state) {
    std::memcpy(host.data(), source.data(), kSampleBytes);
    benchmark::ClobberMemory();
  }
  SetBytes(state);
}

void BM_LibraryCopy(benchmark::State& state) {
  ServedRecording& recording = Recording();
  packets::SampleBlockPacket block;
  if (!recording.opened || !api::readerContext.ReadSampleWindow(kStart, kDuration, block)) {
    state.SkipWithError("the fake component served no block");
    return;
  }
  std::vector<short>& host = HostBuffer();
  for (auto _ : state) {
    benchmark::DoNotOptimize(api::CopyChannelSamples(block, host.data()));
    benchmark::ClobberMemory();
  }
  SetBytes(state);
}

void BM_ReadSampleWindow(benchmark::State& state) {
  ServedRecording& recording = Recording();
  for (auto _ : state) {
    packets::SampleBlockPacket block;
    if (!api::readerContext.ReadSampleWindow(kStart, kDuration, block)) state.SkipWithError("read failed");
    recording.component.ClearCalls();
  }
  SetBytes(state);
}

void BM_GetData(benchmark::State& state) {
  ServedRecording& recording = Recording();
  std::vector<short>& host = HostBuffer();
  for (auto _ : state) {
    if (GetData(0, host.data()) != 1) state.SkipWithError("GetData failed");
    benchmark::ClobberMemory();
    recording.component.ClearCalls();
  }
  SetBytes(state);
}

BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_LibraryCopy)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_ReadSampleWindow)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_GetData)->Unit(benchmark::kMillisecond)->MinTime(1.0);

// The console figures, and the mean times per iteration of each benchmark for the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.iterations > 0 && !run.error_occurred) {
        const double iterations = static_cast<double>(run.iterations);
        seconds[run.benchmark_name()] = {run.real_accumulated_time / iterations, run.cpu_accumulated_time / iterations};
      }
    }
  }

  void PrintRatios() const {
    const auto memcpyTime = seconds.find("BM_Memcpy/min_time:1.000");
    if (memcpyTime == seconds.end()) return;
    std::printf("\n%zu MiB of samples in %d channels\n", kSampleBytes >> 20, kChannels);
    std::printf("%-36s %10s %8s %10s %8s\n", "", "real ms", "x memcpy", "CPU ms", "x memcpy");
    for (const auto& [name, time] : seconds) {
      std::printf("%-36s %10.3f %8.2f %10.3f %8.2f\n", name.c_str(), time.real * 1e3,
                  time.real / memcpyTime->second.real, time.cpu * 1e3, time.cpu / memcpyTime->second.cpu);
    }
    const auto copy = seconds.find("BM_LibraryCopy/min_time:1.000");
    if (copy != seconds.end()) {
      // CPU time: on a shared machine the wall clock also counts other processes' turns.
      const double ratio = copy->second.cpu / memcpyTime->second.cpu;
      std::printf("library copy / memcpy = %.2f (CPU time; target <= 1.5): %s\n", ratio,
                  ratio <= 1.5 ? "met" : "NOT met");
    }
  }

 private:
  struct Seconds {
    double real;
    double cpu;
  };
  std::map<std::string, Seconds> seconds;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatios();
  benchmark::Shutdown();
  return 0;
}
