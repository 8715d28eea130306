// Files the component must refuse, each with the reason a user reads: the parser's, or the
// model's for what every format shares (time range, sample spacing).
#include <gtest/gtest.h>

#include "com/opened_recording.h"
#include "edf_test_files.h"
#include "formats/edf/recording.h"
#include "malformed_files.h"

namespace {

using edf_test::MalformedCase;

class MalformedFileTest : public ::testing::TestWithParam<MalformedCase> {
 protected:
  edf_test::TemporaryDirectory directory;
};

TEST_P(MalformedFileTest, IsRefusedWithItsReason) {
  const auto opened =
      open_formats::OpenedRecording::Open(directory.Write("bad.edf", GetParam().bytes()));
  ASSERT_FALSE(opened.Ok());
  EXPECT_EQ(opened.Reason(), GetParam().reason);
}

INSTANTIATE_TEST_SUITE_P(Files, MalformedFileTest, ::testing::ValuesIn(edf_test::MalformedCases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(MalformedFileTest, MissingFileAndDirectoryAreRefused) {
  edf_test::TemporaryDirectory directory;
  const std::pair<std::string, const char*> cases[] = {
      {(directory.path() / "absent.edf").string(), "the file does not exist"},
      {directory.path().string(), "the file is not a regular file (a directory)"},
  };
  for (const auto& [path, reason] : cases) {
    const auto opened = edf::Recording::Open(path);
    ASSERT_FALSE(opened.Ok());
    EXPECT_EQ(opened.Reason(), reason);
  }
}

}  // namespace
