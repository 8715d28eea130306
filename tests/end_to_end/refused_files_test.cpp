// What the host sees of files the component refuses: the fixed words on the console, result 0
// and the segment count as it was. The EDF parser, asked the same, says why.
#include <gtest/gtest.h>

#include "edf_test_files.h"
#include "formats/edf/recording.h"
#include "host_fixture.h"
#include "malformed_files.h"

namespace end_to_end {
namespace {

class RefusedFileTest : public HostTest, public ::testing::WithParamInterface<edf_test::MalformedCase> {};

TEST_P(RefusedFileTest, OpenExSaysCouldNotOpenFileAndTheParserSaysWhy) {
  const std::string path = WriteFile(GetParam().bytes());
  int segmentCount = 12345;
  int result = -1;
  EXPECT_EQ(ConsoleOutputOf([&] { result = OpenEx(path.c_str(), &segmentCount); }), "Could not Open File");
  EXPECT_EQ(result, 0);
  EXPECT_EQ(segmentCount, 12345);

  const auto parsed = edf::Recording::Open(path);
  ASSERT_FALSE(parsed.Ok());
  EXPECT_EQ(parsed.Reason(), GetParam().reason);
}

INSTANTIATE_TEST_SUITE_P(Files, RefusedFileTest, ::testing::ValuesIn(edf_test::MalformedCases()),
                         [](const auto& info) { return std::string(info.param.name); });

class RefusalTest : public HostTest {};

TEST_F(RefusalTest, MissingFileIsRefusedAndTheNextGoodFileOpens) {
  const std::string missing = WriteFile("") + ".absent";
  int segmentCount = 12345;
  int result = -1;
  EXPECT_EQ(ConsoleOutputOf([&] { result = OpenEx(missing.c_str(), &segmentCount); }), "Could not Open File");
  EXPECT_EQ(result, 0);
  EXPECT_EQ(segmentCount, 12345);
  EXPECT_EQ(edf::Recording::Open(missing).Reason(), "the file does not exist");

  // The object of the refused open is replaced; the good file answers in full.
  EXPECT_EQ(Open(edf_test::EdfPlusDiscontinuousThreeSegments().FileBytes()), 3);
  int count = -1;
  GetEventCount(&count);
  EXPECT_EQ(count, 1);
}

}  // namespace
}  // namespace end_to_end
