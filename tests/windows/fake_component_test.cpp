// tapline.dll against the scriptable fake component, registered in this process through the
// system's CoRegisterClassObject and created by the library's CoCreateInstance: the failure
// reports as a Windows console receives them. Wine's system message texts differ from
// Windows', so the report's fixed parts and decimal codes are compared, not the system's words.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "fake_component.h"
#include "loaded_library.h"
#include "stdout_capture.h"

namespace {

using fake::Operation;
using fake::RaisedError;
using support::LoadedLibrary;
using support::StdoutCapture;

class FakeComponentTest : public testing::Test {
 protected:
  // The process-wide class registration needs an apartment on this thread.
  FakeComponentTest() : apartment(CoInitialize(nullptr)) { component = std::make_unique<fake::Component>(); }

  ~FakeComponentTest() override {
    library.reset();
    component.reset();
    if (SUCCEEDED(apartment)) CoUninitialize();
  }

  void SetUp() override { ASSERT_TRUE(library->IsLoaded()); }

  void TearDown() override {
    EXPECT_THAT(component->Faults(), testing::IsEmpty());
    EXPECT_THAT(component->HeldObjects(), testing::IsEmpty());
  }

  template <typename Action>
  std::string ConsoleOutputOf(Action action) {
    StdoutCapture capture;
    action();
    return capture.Written();
  }

  HRESULT apartment;
  std::unique_ptr<fake::Component> component;
  std::unique_ptr<LoadedLibrary> library = std::make_unique<LoadedLibrary>("tapline.dll");
};

struct ReportCase {
  const char* name;
  RaisedError error;
  std::string fixedPart;  // everything up to and including "ErrorMessage:"
};

void PrintTo(const ReportCase& report, std::ostream* out) { *out << report.name; }

class ComponentErrorReportTest : public FakeComponentTest,
                                 public testing::WithParamInterface<ReportCase> {};

TEST_P(ComponentErrorReportTest, WritesBothLinesWithCrLf) {
  component->Raise(Operation::OpenRecording, GetParam().error);
  int segmentCount = -5;

  const std::string output = ConsoleOutputOf([&] { EXPECT_EQ(library->OpenEx("a.edf", &segmentCount), 0); });

  const std::string& fixedPart = GetParam().fixedPart;
  ASSERT_EQ(output.substr(0, fixedPart.size()), fixedPart) << output;
  // The system's text, on one line, then the line's end.
  const std::string systemText = output.substr(fixedPart.size());
  ASSERT_GE(systemText.size(), 2u) << output;
  EXPECT_EQ(systemText.substr(systemText.size() - 2), "\r\n") << output;
  EXPECT_EQ(systemText.find('\n'), systemText.size() - 1) << output;
  EXPECT_EQ(segmentCount, -5);
  EXPECT_EQ(library->Close(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Errors, ComponentErrorReportTest,
    testing::Values(
        ReportCase{"WithErrorInfo",
                   {E_OUTOFMEMORY, true, u"Reader.Storage", u"Out of room"},
                   "We got _com_error, hr = -2147024882\r\n"
                   "Sorce; Reader.Storage Desc:Out of room Error:-2147024882 ErrorMessage:"},
        ReportCase{"WithoutErrorInfo",
                   {REGDB_E_CLASSNOTREG, false, u"ignored", u"ignored"},
                   "We got _com_error, hr = -2147221164\r\n"
                   "Sorce;  Desc: Error:-2147221164 ErrorMessage:"},
        ReportCase{"PercentSignsStayVerbatim",
                   {E_FAIL, true, u"%s", u"100% of %d done %%"},
                   "We got _com_error, hr = -2147467259\r\n"
                   "Sorce; %s Desc:100% of %d done %% Error:-2147467259 ErrorMessage:"},
        // The runtime writes U+00F6 and U+00DF as single bytes and cannot write the euro sign.
        ReportCase{"NonAsciiDescription",
                   {E_FAIL, true, u"Lecteur", u"Gr\u00F6\u00DFe \u20AC"},
                   "We got _com_error, hr = -2147467259\r\n"
                   "Sorce; Lecteur Desc:Gr\xF6\xDF" "e ? Error:-2147467259 ErrorMessage:"}),
    [](const testing::TestParamInfo<ReportCase>& info) { return std::string(info.param.name); });

TEST(ComponentErrorMessageTest, CodesWithoutSystemTextGetTheFallbackTexts) {
  // Neither Windows nor Wine has texts for these, so the fallback of _com_error shows.
  EXPECT_STREQ(_com_error(static_cast<HRESULT>(0x80040205u)).ErrorMessage(), "IDispatch error #5");
  EXPECT_STREQ(_com_error(static_cast<HRESULT>(0x8BAD0001u)).ErrorMessage(), "Unknown error 0x8BAD0001");
}

using PacketFailureReportTest = FakeComponentTest;

TEST_F(PacketFailureReportTest, TsInfoFailureWritesTheMessageThenThePausePrompt) {
  component->recording.segments.push_back({});
  component->Refuse(Operation::GetTimedPacketSize, E_FAIL);
  int segmentCount = 0;
  ASSERT_EQ(library->OpenEx("a.edf", &segmentCount), 1);

  const std::string output = ConsoleOutputOf([&] { EXPECT_EQ(library->GetChannelCount(0), 0); });

  const std::string message = "ERROR in TsInfo packet please contact SDK provider for support\r\n\r\n";
  ASSERT_EQ(output.substr(0, message.size()), message) << output;
  EXPECT_EQ(output.compare(message.size(), 25, "Press any key to continue"), 0) << output;
  EXPECT_EQ(library->Close(), 1);
}

}  // namespace
