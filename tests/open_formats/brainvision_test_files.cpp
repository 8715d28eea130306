#include "brainvision_test_files.h"

namespace brainvision_test {

namespace {

std::string Lines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

}  // namespace

std::int16_t SampleValue(std::size_t channel, std::int64_t frame) {
  return static_cast<std::int16_t>(100 * channel + frame - 300);
}

std::string Int16Multiplexed(std::size_t channels, std::int64_t frames) {
  std::string bytes;
  for (std::int64_t k = 0; k < frames; ++k) {
    for (std::size_t c = 0; c < channels; ++c) {
      const auto v = static_cast<std::uint16_t>(SampleValue(c, k));
      bytes += static_cast<char>(v & 0xFF);
      bytes += static_cast<char>(v >> 8);
    }
  }
  return bytes;
}

std::string BrainVisionWriter::Write(const edf_test::TemporaryDirectory& directory) const {
  std::string header = identification.empty() ? "" : identification + "\r\n";
  header += "; a comment\r\n\r\n[Common Infos]\r\n" + Lines(commonInfos) +
            "\r\n[Binary Infos]\r\n" + Lines(binaryInfos) +
            "\r\n[Channel Infos]\r\n; Ch<n>=name,reference,resolution,unit\r\n" + Lines(channels);
  if (writeData) {
    directory.Write("rec.eeg", data.empty() ? Int16Multiplexed(channels.size(), frames) : data);
  }
  if (writeMarkers) {
    directory.Write("rec.vmrk",
                    "BrainVision Data Exchange Marker File, Version 1.0\r\n\r\n"
                    "[Common Infos]\r\n" +
                        markerCodepage +
                        "\r\nDataFile=rec.eeg\r\n\r\n"
                        "[Marker Infos]\r\n" +
                        Lines(markers));
  }
  return directory.Write("rec.vhdr", header);
}

}  // namespace brainvision_test
