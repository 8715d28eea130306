#include <gtest/gtest.h>

#include <string>

#include "counting_error_info.h"
#include "platform/platform.h"
#include "platform/posix/runtime/message_text.h"

namespace {

struct MessageCase {
  HRESULT hr;
  const char* message;
};

class ErrorMessageTest : public ::testing::TestWithParam<MessageCase> {};

TEST_P(ErrorMessageTest, FollowsTheSystemTextRules) {
  const _com_error error(GetParam().hr);
  EXPECT_STREQ(error.ErrorMessage(), GetParam().message);
  EXPECT_EQ(error.ErrorMessage(), error.ErrorMessage());  // worked out once and kept
}

INSTANTIATE_TEST_SUITE_P(
    Codes, ErrorMessageTest,
    ::testing::Values(
        MessageCase{S_OK, "The operation completed successfully."},
        MessageCase{E_FAIL, "Unspecified error"},
        MessageCase{E_OUTOFMEMORY, "Not enough memory resources are available to complete this operation."},
        MessageCase{REGDB_E_CLASSNOTREG, "Class not registered"},
        MessageCase{HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND), "The specified module could not be found."},
        MessageCase{HRESULT_FROM_WIN32(ERROR_NO_UNICODE_TRANSLATION),
                    "No mapping for the Unicode character exists in the target multi-byte code page."},
        MessageCase{CO_E_NOTINITIALIZED, "CoInitialize has not been called."},
        MessageCase{MakeHresult(0x80040201u), "IDispatch error #1"},
        MessageCase{MakeHresult(0x80040205u), "IDispatch error #5"},
        MessageCase{MakeHresult(0x8004FFFFu), "IDispatch error #65023"},
        MessageCase{MakeHresult(0x80040200u), "Unknown error 0x80040200"},
        MessageCase{MakeHresult(0x80050000u), "Unknown error 0x80050000"},
        MessageCase{0x1234, "Unknown error 0x1234"},
        MessageCase{MakeHresult(0x8007FFFFu), "Unknown error 0x8007FFFF"}));

struct TrimCase {
  const char* text;
  const char* trimmed;
};

class FinalLineBreakTest : public ::testing::TestWithParam<TrimCase> {};

TEST_P(FinalLineBreakTest, LosesOnlyTheLastLineBreak) {
  std::string text = GetParam().text;
  platform::runtime::TrimFinalLineBreak(text.data());
  EXPECT_STREQ(text.c_str(), GetParam().trimmed);
}

INSTANTIATE_TEST_SUITE_P(Texts, FinalLineBreakTest,
                         ::testing::Values(TrimCase{"Text.\r\n", "Text."}, TrimCase{"Text.\n", "Text."},
                                           TrimCase{"\n", "\n"}, TrimCase{"\r\n", ""}, TrimCase{"a\r", "a\r"},
                                           TrimCase{"a\r\r\n", "a\r"}, TrimCase{"a\n\n", "a\n"},
                                           TrimCase{"", ""}));

TEST(ComErrorTest, CopiesKeepTheirOwnMessage) {
  const char* original = nullptr;
  std::string copied;
  {
    _com_error error(E_FAIL);
    original = error.ErrorMessage();
    _com_error copy(error);
    _com_error assigned(S_OK);
    assigned = copy;
    EXPECT_NE(copy.ErrorMessage(), original);
    EXPECT_STREQ(assigned.ErrorMessage(), "Unspecified error");
    copied = copy.ErrorMessage();
  }
  EXPECT_EQ(copied, "Unspecified error");
}

TEST(ComErrorTest, SharesTheErrorInformation) {
  CountingErrorInfo info(u"Reader", u"50% done");
  info.AddRef();  // the error adopts this reference
  {
    const _com_error error(E_FAIL, &info);
    EXPECT_EQ(info.references, 2u);
    const _com_error copy(error);
    EXPECT_EQ(info.references, 3u);
    EXPECT_EQ(std::u16string(copy.Source()), u"Reader");
    EXPECT_EQ(std::u16string(copy.Description()), u"50% done");
    const _com_error counted(E_FAIL, &info, true);
    EXPECT_EQ(info.references, 4u);
  }
  EXPECT_EQ(info.references, 1u);
}

TEST(ComErrorTest, WithoutInformationTextsAreNull) {
  const _com_error error(E_FAIL);
  EXPECT_EQ(static_cast<const OLECHAR*>(error.Source()), nullptr);
  EXPECT_EQ(static_cast<const OLECHAR*>(error.Description()), nullptr);
}

TEST(ComErrorTest, IssueErrorThrowsTheCode) {
  try {
    _com_issue_error(E_OUTOFMEMORY);
    FAIL() << "nothing thrown";
  } catch (const _com_error& error) {
    EXPECT_EQ(error.Error(), E_OUTOFMEMORY);
  }
}

TEST(ComUtilTest, ConvertsBetweenAnsiAndBstr) {
  EXPECT_EQ(_com_util::ConvertStringToBSTR(nullptr), nullptr);
  EXPECT_EQ(_com_util::ConvertBSTRToString(nullptr), nullptr);
  BSTR wide = SysAllocString(u"\u00E9\xD800");
  char* narrow = _com_util::ConvertBSTRToString(wide);
  EXPECT_STREQ(narrow, "\xC3\xA9\xEF\xBF\xBD");
  delete[] narrow;
  SysFreeString(wide);
}

}  // namespace
