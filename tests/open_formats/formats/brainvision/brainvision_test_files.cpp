#include "brainvision_test_files.h"

#include "brainvision_writer.h"

namespace brainvision_test {

std::int16_t SampleValue(std::size_t channel, std::int64_t frame) {
  return static_cast<std::int16_t>(100 * channel + frame - 300);
}

std::string Int16Multiplexed(std::size_t channels, std::int64_t frames) {
  std::vector<std::int16_t> samples;
  for (std::int64_t k = 0; k < frames; ++k) {
    for (std::size_t c = 0; c < channels; ++c) samples.push_back(SampleValue(c, k));
  }
  return brainvision_writer::Int16Bytes(samples);
}

std::vector<std::pair<std::string, std::string>> BrainVisionWriter::Files() const {
  std::vector<std::string> channelInfos = {"; Ch<n>=name,reference,resolution,unit"};
  channelInfos.insert(channelInfos.end(), channels.begin(), channels.end());
  std::vector<std::pair<std::string, std::string>> files = {
      {"rec.vhdr", brainvision_writer::Text({identification,
                                             {"; a comment"},
                                             {{"Common Infos", commonInfos},
                                              {"Binary Infos", binaryInfos},
                                              {"Channel Infos", channelInfos}}})}};
  if (writeMarkers) {
    files.emplace_back("rec.vmrk", brainvision_writer::Text(
                                       {"BrainVision Data Exchange Marker File, Version 1.0",
                                        {},
                                        {{"Common Infos", {markerCodepage, "DataFile=rec.eeg"}},
                                         {"Marker Infos", markers}}}));
  }
  if (writeData) {
    files.emplace_back("rec.eeg", data.empty() ? Int16Multiplexed(channels.size(), frames) : data);
  }
  return files;
}

std::string BrainVisionWriter::Write(const edf_test::TemporaryDirectory& directory) const {
  std::string header;
  for (const auto& [name, bytes] : Files()) {
    const std::string path = directory.Write(name, bytes);
    if (header.empty()) header = path;
  }
  return header;
}

}  // namespace brainvision_test
