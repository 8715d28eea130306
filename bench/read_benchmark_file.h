// The benchmark's recordings: EDF+C, 1-s records of 64 channels at 512 Hz and a small
// annotation signal, streamed to disk record by record.
#pragma once

#include <cstdint>
#include <string>

namespace read_benchmark {

constexpr int kChannels = 64;
constexpr int kRate = 512;

// Writes the recording of `seconds` records to the path unless a file of the expected size is
// already there (it is then reused). Sample k of channel c in record r is distinct per channel
// and position, so a misplaced copy shows. Throws std::runtime_error when it cannot write.
void EnsureRecording(const std::string& path, std::int64_t seconds);

// The value the file holds for a sample, to check what a read returned.
std::int16_t SampleValue(int channel, std::int64_t sampleIndex);

}  // namespace read_benchmark
