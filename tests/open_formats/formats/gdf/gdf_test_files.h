// What the GDF tests share: a file written into a temporary folder and opened through the
// registry (so that recognition is tested too), and every sample of a channel in a segment.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/result.h"
#include "edf_test_files.h"
#include "gdf_writer.h"
#include "model/recording_model.h"

namespace gdf_test {

// The file's bytes written as `name` in `folder`, opened as any recording file is.
common::Result<model::Recording> OpenWritten(const edf_test::TemporaryDirectory& folder,
                                             const gdf_writer::File& file,
                                             const std::string& name = "r.gdf");

// Every sample of the channel in the segment, read through the model's sample source; empty
// when the read fails.
std::vector<std::int16_t> ChannelSamples(model::Recording& recording, std::size_t segment,
                                         std::size_t channel);

// The writer's values as the int16 samples they are.
std::vector<std::int16_t> AsSamples(const std::vector<double>& values);

}  // namespace gdf_test
