// One rule for every format: a file that grows while its recording is open keeps serving what
// it held at open; a file cut short fails every read.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "edf_test_files.h"
#include "formats/format_registry.h"
#include "model/window_rule.h"

namespace {

using Files = std::vector<std::pair<std::string, std::string>>;

const std::string kSamples("\x01\x00\x02\x00\x03\x00\x04\x00\x05\x00\x06\x00\x07\x00\x08\x00", 16);

struct GrowthCase {
  const char* name;
  Files files;        // the first is the one opened
  const char* grows;  // the file appended to and then cut short
};

class GrowingFileTest : public ::testing::TestWithParam<GrowthCase> {};

TEST_P(GrowingFileTest, ServesWhatItHeldAtOpenUntilCutShort) {
  edf_test::TemporaryDirectory directory;
  std::string first;
  for (const auto& [name, bytes] : GetParam().files) {
    const std::string path = directory.Write(name, bytes);
    if (first.empty()) first = path;
  }
  auto opened = formats::OpenRecordingFile(first);
  ASSERT_TRUE(opened.Ok()) << opened.Reason();
  model::Recording& recording = opened.Value();
  const auto window = model::WindowIn(recording, 0, 0, recording.segments[0].durationTicks);
  ASSERT_TRUE(window);
  const auto before = edf_test::ReadWindow(recording, *window);
  ASSERT_TRUE(before);

  const std::filesystem::path grows = directory.path() / GetParam().grows;
  std::ofstream(grows, std::ios::binary | std::ios::app) << std::string(600, '\x7f');
  EXPECT_EQ(edf_test::ReadWindow(recording, *window), before);

  std::filesystem::resize_file(grows, std::filesystem::file_size(grows) - 602);
  EXPECT_EQ(edf_test::ReadWindow(recording, *window), std::nullopt);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, GrowingFileTest,
    ::testing::Values(
        GrowthCase{"Edf", {{"r.edf", edf_test::PlainEdf().FileBytes()}}, "r.edf"},
        GrowthCase{"BrainVision",
                   {{"r.vhdr",
                     "BrainVision Data Exchange Header File Version 1.0\r\n[Common Infos]\r\n"
                     "DataFile=r.eeg\r\nNumberOfChannels=2\r\nSamplingInterval=1000\r\n"
                     "[Channel Infos]\r\nCh1=Fp1,,1,uV\r\nCh2=Cz,,1,uV\r\n"},
                    {"r.eeg", kSamples}},
                   "r.eeg"},
        GrowthCase{"Wfdb",
                   {{"r.hea", "r 2 1000 4\nr.dat 16 200 16 0 0 0 0 A\nr.dat 16 200 16 0 0 0 0 B\n"},
                    {"r.dat", kSamples}},
                   "r.dat"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
