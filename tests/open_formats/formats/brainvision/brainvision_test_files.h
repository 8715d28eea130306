// Small BrainVision recordings for the tests, written with the BrainVision writer: a header, a
// marker file and 16-bit samples (value = 100 x channel + frame, so a wrong offset or order shows).
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "edf_test_files.h"

namespace brainvision_test {

struct BrainVisionWriter {
  std::string identification = "BrainVision Data Exchange Header File Version 1.0";
  std::vector<std::string> commonInfos = {"Codepage=UTF-8",
                                          "DataFile=rec.eeg",
                                          "MarkerFile=rec.vmrk",
                                          "DataFormat=BINARY",
                                          "DataOrientation=MULTIPLEXED",
                                          "NumberOfChannels=2",
                                          "SamplingInterval=1000"};
  std::vector<std::string> binaryInfos = {"BinaryFormat=INT_16"};
  std::vector<std::string> channels = {"Ch1=Fp1,,0.1,\xC2\xB5V", "Ch2=Cz,,0.1,\xC2\xB5V"};
  std::vector<std::string> markers;  // the lines after [Marker Infos]
  std::string markerCodepage = "Codepage=UTF-8";
  bool writeMarkers = true;
  bool writeData = true;
  std::int64_t frames = 10;
  std::string data;  // when empty, the frames' samples as stored by default

  // The names and bytes of rec.vhdr, then rec.vmrk and rec.eeg unless left out.
  std::vector<std::pair<std::string, std::string>> Files() const;
  // Writes the files into the directory; returns the header's path.
  std::string Write(const edf_test::TemporaryDirectory& directory) const;
};

std::int16_t SampleValue(std::size_t channel, std::int64_t frame);

// The frames of the default samples, little-endian, multiplexed.
std::string Int16Multiplexed(std::size_t channels, std::int64_t frames);

}  // namespace brainvision_test
