// BrainVision files written line by line: a header (.vhdr) or marker file (.vmrk) as its
// identification line, comment lines and sections, and INT_16 samples, for the tests, the fuzz
// seeds and the benchmarks. Every line is the caller's text, so a test can write any of them.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace brainvision_writer {

struct Section {
  std::string name;                // without the brackets, e.g. "Common Infos"
  std::vector<std::string> lines;  // e.g. "DataFile=rec.eeg", or comments starting with ';'
};

struct TextFile {
  std::string identification;         // the first line; left out when empty
  std::vector<std::string> comments;  // the lines before the first section
  std::vector<Section> sections;
};

// The file's text: every line ended by CR LF, a blank line before each section.
std::string Text(const TextFile& file);

// The samples as INT_16 in little-endian byte order, in the order given (frame after frame
// when multiplexed, channel after channel when vectorized).
std::string Int16Bytes(std::span<const std::int16_t> samples);

}  // namespace brainvision_writer
