// Files the parser must refuse, each with the reason a user reads.
#include <gtest/gtest.h>

#include "edf_test_files.h"
#include "format/recording.h"
#include "malformed_files.h"

namespace {

using edf_test::MalformedCase;

class MalformedFileTest : public ::testing::TestWithParam<MalformedCase> {
 protected:
  edf_test::TemporaryDirectory directory;
};

TEST_P(MalformedFileTest, IsRefusedWithItsReason) {
  const auto opened = edf::Recording::Open(directory.Write("bad.edf", GetParam().bytes()));
  ASSERT_FALSE(opened.ok());
  EXPECT_EQ(opened.reason(), GetParam().reason);
}

INSTANTIATE_TEST_SUITE_P(Files, MalformedFileTest, ::testing::ValuesIn(edf_test::MalformedCases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(MalformedFileTest, MissingFileAndDirectoryAreRefused) {
  edf_test::TemporaryDirectory directory;
  for (const auto& path : {(directory.path() / "absent.edf").string(), directory.path().string()}) {
    const auto opened = edf::Recording::Open(path);
    ASSERT_FALSE(opened.ok());
    EXPECT_EQ(opened.reason(), "the file cannot be opened for reading");
  }
}

}  // namespace
