#include "gdf_test_files.h"

#include "formats/format_registry.h"
#include "model/sample_grid.h"

namespace gdf_test {

common::Result<model::Recording> OpenWritten(const edf_test::TemporaryDirectory& folder,
                                             const gdf_writer::File& file,
                                             const std::string& name) {
  return formats::OpenRecordingFile(folder.Write(name, gdf_writer::Bytes(file)));
}

std::vector<std::int16_t> ChannelSamples(model::Recording& recording, std::size_t segment,
                                         std::size_t channel) {
  std::vector<std::int16_t> samples(
      static_cast<std::size_t>(model::GridOf(recording, segment, channel).sampleCount));
  const model::ChannelRead read{
      channel, 0, static_cast<std::int64_t>(samples.size()),
      reinterpret_cast<std::byte*>(samples.data())};  // int16 as the bytes they are
  if (!recording.samples->Fill(segment, std::span(&read, 1))) return {};
  return samples;
}

std::vector<std::int16_t> AsSamples(const std::vector<double>& values) {
  std::vector<std::int16_t> samples;
  for (const double value : values) samples.push_back(static_cast<std::int16_t>(value));
  return samples;
}

}  // namespace gdf_test
