// The BrainVision benchmark's recording: 1 hour of 64 channels at 1 kHz, INT_16, in three
// segments (a pause before each later one) with 20,000 Stimulus markers, stored twice, once
// MULTIPLEXED and once VECTORIZED, beside one marker file. Written once and reused.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace brainvision_bench {

constexpr int kChannels = 64;
constexpr std::int64_t kRate = 1000;
constexpr std::int64_t kFrames = 3600 * kRate;
constexpr int kStimuli = 20'000;
// Where each New Segment marker starts a segment; the middle segment is the longest.
constexpr std::array<std::int64_t, 3> kSegmentFirstFrames = {0, 900'000, 2'400'000};
constexpr std::size_t kLongestSegment = 1;

struct Files {
  std::string multiplexed;  // the .vhdr paths
  std::string vectorized;
};

// Writes the files into the folder unless data files of the expected size are there. Throws
// std::runtime_error when it cannot write.
Files EnsureFiles(const std::string& folder);

// The value every file holds for a channel's sample at a frame of the file.
std::int16_t SampleValue(int channel, std::int64_t frame);

// The segment's frames.
std::int64_t SegmentFrames(std::size_t segment);

}  // namespace brainvision_bench
