// Which format the registry gives a file to: each recognised by its content however long the
// comments before its first line of substance, and a file no format recognises refused with
// the formats tried and its first line.
#include "formats/format_registry.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "edf_test_files.h"

namespace {

using Files = std::vector<std::pair<std::string, std::string>>;

// One channel of 16-bit samples at 1 kHz, in each format's files.
const std::string kWfdbSignalLine = "r.dat 16 200/mV 16 0 0 0 0 ECG\n";
const std::string kBrainVisionSections =
    "[Common Infos]\r\nDataFile=r.eeg\r\nNumberOfChannels=1\r\nSamplingInterval=1000\r\n"
    "[Channel Infos]\r\nCh1=Fp1,,1,uV\r\n";
const std::string kFourSamples("\x01\x00\x02\x00\x03\x00\x04\x00", 8);

std::string Lines(int count, const std::string& line) {
  std::string text;
  for (int i = 0; i < count; ++i) text += line;
  return text;
}

struct RecognitionCase {
  const char* name;
  Files files;                 // the first is the one opened
  std::int64_t frames;         // when it opens
  const char* reasonParts[4];  // when it is refused: each a part of the reason
};

class RecognitionTest : public ::testing::TestWithParam<RecognitionCase> {};

TEST_P(RecognitionTest, OpensByContentOrSaysWhatEachFormatLooksFor) {
  edf_test::TemporaryDirectory directory;
  std::string first;
  for (const auto& [name, bytes] : GetParam().files) {
    const std::string path = directory.Write(name, bytes);
    if (first.empty()) first = path;
  }
  const auto opened = formats::OpenRecordingFile(first);
  if (GetParam().frames > 0) {
    ASSERT_TRUE(opened.Ok()) << opened.Reason();
    EXPECT_EQ(opened.Value().segments.at(0).frameCount, GetParam().frames);
    return;
  }
  ASSERT_FALSE(opened.Ok());
  for (const char* part : GetParam().reasonParts) {
    if (part) {
      EXPECT_NE(opened.Reason().find(part), std::string::npos) << opened.Reason();
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Files, RecognitionTest,
    ::testing::Values(
        RecognitionCase{"WfdbAfterOneLongComment",
                        {{"r.hea", "# " + std::string(5000, 'x') + "\nr 1 1000 4\n" + kWfdbSignalLine},
                         {"r.dat", kFourSamples}},
                        4,
                        {}},
        RecognitionCase{"WfdbAfterManyShortComments",
                        {{"r.hea", Lines(400, "# note\n") + "\nr 1 1000 4\n" + kWfdbSignalLine},
                         {"r.dat", kFourSamples}},
                        4,
                        {}},
        RecognitionCase{"WfdbAfterAlmostAMegabyteOfComments",
                        {{"r.hea", Lines(1000, "#" + std::string(1000, 'c') + "\n") +
                                       "r 1 1000 4\n" + kWfdbSignalLine},
                         {"r.dat", kFourSamples}},
                        4,
                        {}},
        RecognitionCase{"BrainVisionSectionsAfterComments",
                        {{"r.vhdr", Lines(100, "; " + std::string(50, 'c') + "\r\n") +
                                        kBrainVisionSections},
                         {"r.eeg", kFourSamples}},
                        4,
                        {}},
        RecognitionCase{"CommentsOnly",
                        {{"r.hea", Lines(300, "# note\n")}},
                        0,
                        {"first line is \"# note\"", "EDF needs", "BrainVision needs",
                         "WFDB needs a record line"}},
        RecognitionCase{"Text", {{"a.txt", "\tsome\x01text\r\nmore\n"}}, 0,
                        {"first line is \"\\x09some\\x01text\":"}},
        RecognitionCase{"Empty", {{"a.edf", ""}}, 0, {"the file is empty"}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
