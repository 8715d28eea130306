// Every file of a fuzz target's corpus run through the target's code without libFuzzer, so that
// each input that once crashed, hung or broke a promise stays fixed in the ordinary test run.
// A target reports a broken promise by aborting, and the sanitizer build catches the rest.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

std::vector<std::string> CorpusFiles() {
  std::vector<std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(TAPLINE_FUZZ_CORPUS)) {
    if (entry.is_regular_file()) files.push_back(entry.path().filename().string());
  }
  std::sort(files.begin(), files.end());
  return files;
}

// The targets' console output (failure reports) goes nowhere while an input runs.
class SilencedStandardOutput {
 public:
  SilencedStandardOutput() : saved(dup(STDOUT_FILENO)) {
    std::fflush(stdout);
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, STDOUT_FILENO);
    close(null);
  }
  ~SilencedStandardOutput() {
    dup2(saved, STDOUT_FILENO);
    close(saved);
  }
  SilencedStandardOutput(const SilencedStandardOutput&) = delete;
  SilencedStandardOutput& operator=(const SilencedStandardOutput&) = delete;

 private:
  int saved;
};

class CorpusReplayTest : public ::testing::TestWithParam<std::string> {};

TEST_P(CorpusReplayTest, RunsWithoutFault) {
  std::ifstream file(std::filesystem::path(TAPLINE_FUZZ_CORPUS) / GetParam(), std::ios::binary);
  ASSERT_TRUE(file);
  const std::vector<char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  SilencedStandardOutput silenced;
  // Reinterpreting as bytes: the input is raw bytes either way.
  EXPECT_EQ(LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), 0);
}

// An empty input is a valid request for every target.
TEST(CorpusReplay, EmptyInputRunsWithoutFault) {
  SilencedStandardOutput silenced;
  EXPECT_EQ(LLVMFuzzerTestOneInput(nullptr, 0), 0);
}

TEST(CorpusReplay, CorpusIsThere) { EXPECT_GE(CorpusFiles().size(), 3u); }

INSTANTIATE_TEST_SUITE_P(Corpus, CorpusReplayTest, ::testing::ValuesIn(CorpusFiles()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                           std::string name = info.param;
                           std::replace_if(name.begin(), name.end(), [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
                           return name;
                         });

}  // namespace
