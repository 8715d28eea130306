// The two-line report OpenEx writes when it catches a component error.
#include "library_fixture.h"

namespace apitest {
namespace {

using fake::Operation;
using fake::RaisedError;

// The report up to "ErrorMessage:" is the library's own; the system's text follows on the same
// line. Wine's texts differ from Windows' (and it has none for some codes), so there only the
// library's part is compared and the system text must be one line.
struct ComponentErrorCase {
  const char* name;
  RaisedError error;
  std::string libraryPart;
  std::string standInSystemText;
  bool needsUtf8Console = false;
};

class ComponentErrorReportTest : public LibraryTest, public ::testing::WithParamInterface<ComponentErrorCase> {};

TEST_P(ComponentErrorReportTest, WritesBothLinesByteForByte) {
  const ComponentErrorCase& report = GetParam();
  if (report.needsUtf8Console && !support::RunsOnTheStandIn()) {
    GTEST_SKIP() << "the ANSI code page cannot show the description (tests/windows checks that conversion)";
  }
  component.Raise(Operation::OpenRecording, report.error);
  int segmentCount = -5;

  const std::string output = ConsoleOutputOf([&] { EXPECT_EQ(library->OpenEx("a.edf", &segmentCount), 0); });

  const std::string libraryPart = support::ConsoleLines(report.libraryPart);
  ASSERT_EQ(output.substr(0, libraryPart.size()), libraryPart) << output;
  const std::string systemLine = output.substr(libraryPart.size());
  if (support::RunsOnTheStandIn()) {
    EXPECT_EQ(systemLine, report.standInSystemText + "\n");
  } else {
    const std::string lineEnd = support::ConsoleLines("\n");
    ASSERT_GE(systemLine.size(), lineEnd.size()) << output;
    EXPECT_EQ(systemLine.find('\n'), systemLine.size() - 1) << output;
    EXPECT_EQ(systemLine.substr(systemLine.size() - lineEnd.size()), lineEnd) << output;
  }
  EXPECT_EQ(segmentCount, -5);
  EXPECT_EQ(library->Close(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Errors, ComponentErrorReportTest,
    ::testing::Values(
        ComponentErrorCase{"WithErrorInfo",
                           {E_OUTOFMEMORY, true, u"Reader.Storage", u"Out of room"},
                           "We got _com_error, hr = -2147024882\n"
                           "Sorce; Reader.Storage Desc:Out of room Error:-2147024882 ErrorMessage:",
                           "Not enough memory resources are available to complete this operation."},
        ComponentErrorCase{"WithoutErrorInfo",
                           {E_FAIL, false, u"ignored", u"ignored"},
                           "We got _com_error, hr = -2147467259\n"
                           "Sorce;  Desc: Error:-2147467259 ErrorMessage:",
                           "Unspecified error"},
        ComponentErrorCase{"ErrorInfoWithEmptyTexts",
                           {E_FAIL, true, u"", u""},
                           "We got _com_error, hr = -2147467259\n"
                           "Sorce;  Desc: Error:-2147467259 ErrorMessage:",
                           "Unspecified error"},
        ComponentErrorCase{"PercentSignsStayVerbatim",
                           {E_FAIL, true, u"%s", u"100% of %d done %%"},
                           "We got _com_error, hr = -2147467259\n"
                           "Sorce; %s Desc:100% of %d done %% Error:-2147467259 ErrorMessage:",
                           "Unspecified error"},
        ComponentErrorCase{"NonAsciiDescription",
                           {E_FAIL, true, u"Lecteur", u"Größe \u20ac \U0001F600"},
                           "We got _com_error, hr = -2147467259\n"
                           "Sorce; Lecteur Desc:Größe € 😀 Error:-2147467259 ErrorMessage:",
                           "Unspecified error", true},
        ComponentErrorCase{"DispatchErrorWithoutSystemText",
                           {static_cast<HRESULT>(0x80040205u), false, {}, {}},
                           "We got _com_error, hr = -2147220987\n"
                           "Sorce;  Desc: Error:-2147220987 ErrorMessage:",
                           "IDispatch error #5"},
        ComponentErrorCase{"FirstDispatchCodeIsUnknown",
                           {static_cast<HRESULT>(0x80040200u), false, {}, {}},
                           "We got _com_error, hr = -2147220992\n"
                           "Sorce;  Desc: Error:-2147220992 ErrorMessage:",
                           "Unknown error 0x80040200"},
        ComponentErrorCase{"UnknownCode",
                           {static_cast<HRESULT>(0x8BAD0001u), false, {}, {}},
                           "We got _com_error, hr = -1951596543\n"
                           "Sorce;  Desc: Error:-1951596543 ErrorMessage:",
                           "Unknown error 0x8BAD0001"}),
    [](const auto& info) { return std::string(info.param.name); });

using ComponentErrorStateTest = LibraryTest;

TEST_F(ComponentErrorStateTest, ErrorWhileCountingSegmentsLeavesTheRecordingOpen) {
  component.Raise(Operation::GetSegmentCount, {E_FAIL, false, {}, {}});
  int segmentCount = -5;

  ConsoleOutputOf([&] { EXPECT_EQ(library->OpenEx("a.edf", &segmentCount), 0); });

  EXPECT_EQ(segmentCount, -5);
  EXPECT_TRUE(HasApartment());
  // The segment interface is released on the way out; the StorageMan object stays held.
  EXPECT_THAT(component.HeldObjects(), ::testing::ElementsAre("StorageMan#1 (1)"));
  component.ClearCalls();
  EXPECT_EQ(library->Close(), 1);
  EXPECT_THAT(component.Calls(), ::testing::ElementsAre("StorageMan#1.CloseRecording()", "StorageMan#1.Release() = 0"));
}

}  // namespace
}  // namespace apitest
