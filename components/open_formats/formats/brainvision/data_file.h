// The data file (.eeg) of a BrainVision recording: found from the header, its whole frames (a
// frame being one 16-bit sample of every channel) laid out as the header says, and those
// samples read on demand as the host's little-endian int16.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "common/random_access_file.h"
#include "common/result.h"
#include "header.h"
#include "model/recording_model.h"

namespace brainvision {

struct DataLayout {
  std::int64_t channels = 0;
  std::int64_t frames = 0;  // whole frames in the data file
  bool vectorized = false;
  bool bigEndian = false;
  SampleFormat format = SampleFormat::Int16;
};

struct DataFile {
  std::unique_ptr<common::RandomAccessFile> file;
  DataLayout layout;
};

// The data file the header names, else the one under the header's base name (noted in
// `warnings`), with the header's layout; a partial frame at its end is noted and left out.
// Refuses a data file that is missing or cannot be opened.
common::Result<DataFile> OpenDataFile(const std::filesystem::path& headerPath, const Header& header,
                                      std::vector<std::string>& warnings);

// The data file's samples, segment s starting at frame segmentFirstFrames[s].
std::unique_ptr<model::SampleSource> DataFileSamples(DataFile data,
                                                     std::vector<std::int64_t> segmentFirstFrames);

}  // namespace brainvision
