// What the host sees of files the component refuses: the fixed words on the console, result 0
// and the segment count as it was, and the component's reason as the thread's error object,
// which the library passes through untouched.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "edf_test_files.h"
#include "host_fixture.h"
#include "malformed_files.h"
#include "platform/platform.h"

namespace end_to_end {
namespace {

// The description of the thread's error object as UTF-8 (the reasons here are ASCII), taken.
std::optional<std::string> TakeErrorDescription() {
  ComPtr<IErrorInfo> info;
  if (GetErrorInfo(0, info.put()) != S_OK) return std::nullopt;
  BSTR description = nullptr;
  if (info->GetDescription(&description) != S_OK) return std::nullopt;
  std::string text(description, description + SysStringLen(description));
  SysFreeString(description);
  return text;
}

class RefusedFileTest : public HostTest, public ::testing::WithParamInterface<edf_test::MalformedCase> {};

TEST_P(RefusedFileTest, OpenExSaysCouldNotOpenFileAndTheComponentSaysWhy) {
  const std::string path = WriteFile(GetParam().bytes());
  int segmentCount = 12345;
  int result = -1;
  EXPECT_EQ(ConsoleOutputOf([&] { result = OpenEx(path.c_str(), &segmentCount); }), "Could not Open File");
  EXPECT_EQ(result, 0);
  EXPECT_EQ(segmentCount, 12345);
  EXPECT_EQ(TakeErrorDescription(), GetParam().reason);
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
  EXPECT_EQ(TakeErrorDescription(), "the file does not exist");

  // The object of the refused open is replaced; the good file answers in full, and leaves no
  // reason behind even when the host did not take the last one.
  EXPECT_EQ(ConsoleOutputOf([&] { OpenEx(missing.c_str(), &segmentCount); }), "Could not Open File");
  EXPECT_EQ(Open(edf_test::EdfPlusDiscontinuousThreeSegments().FileBytes()), 3);
  EXPECT_EQ(TakeErrorDescription(), std::nullopt);
  int count = -1;
  GetEventCount(&count);
  EXPECT_EQ(count, 1);
}

}  // namespace
}  // namespace end_to_end
