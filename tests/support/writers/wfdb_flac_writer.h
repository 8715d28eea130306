// FLAC signal files (WFDB formats 508, 516, 524) written by libFLAC's encoder for the tests,
// the fuzz seeds and the benchmarks: one stream per file, one channel per signal.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace wfdb_test {

struct FlacOptions {
  unsigned bitsPerSample = 16;
  unsigned blockSize = 4096;
  bool totalInStreamInfo = true;  // false: the stream does not say how many samples it holds
};

// A FLAC stream of the channels (each holding as many samples as the first), stored values as
// given (-32768 is not translated: write the format's invalid value). Throws
// std::runtime_error when the encoder refuses them.
std::string FlacStream(std::span<const std::vector<std::int32_t>> channels, const FlacOptions& options = {});

// A FLAC file written piece by piece, for records too long to hold in memory.
class FlacFileStream {
 public:
  FlacFileStream(const std::filesystem::path& path, unsigned channels, std::uint64_t totalSamples,
                 const FlacOptions& options = {});
  ~FlacFileStream();
  // Samples interleaved, channel after channel in each instant.
  void Write(std::span<const std::int32_t> interleaved);
  // Throws std::runtime_error when a write failed.
  void Finish();

 private:
  struct Encoder;
  std::unique_ptr<Encoder> encoder;
  unsigned channels;
};

}  // namespace wfdb_test
