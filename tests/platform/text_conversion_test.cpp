#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "platform/platform.h"

namespace {

std::u16string ToWide(const std::string& text, DWORD flags = 0) {
  const int needed = MultiByteToWideChar(CP_UTF8, flags, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::u16string wide(static_cast<std::size_t>(needed), u'\0');
  if (needed > 0) {
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, flags, text.data(), static_cast<int>(text.size()), wide.data(), needed),
              needed);
  }
  return wide;
}

std::string ToNarrow(const std::u16string& wide, DWORD flags = 0) {
  const int needed = WideCharToMultiByte(CP_UTF8, flags, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                         nullptr, nullptr);
  std::string text(static_cast<std::size_t>(needed), '\0');
  if (needed > 0) {
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, flags, wide.data(), static_cast<int>(wide.size()), text.data(), needed,
                                  nullptr, nullptr),
              needed);
  }
  return text;
}

struct RoundTrip {
  std::string narrow;
  std::u16string wide;
};

class ExactConversionTest : public ::testing::TestWithParam<RoundTrip> {};

TEST_P(ExactConversionTest, RoundTripsBothWays) {
  EXPECT_EQ(ToWide(GetParam().narrow), GetParam().wide);
  EXPECT_EQ(ToNarrow(GetParam().wide), GetParam().narrow);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ExactConversionTest,
    ::testing::Values(RoundTrip{"\x01\x02\x03\x7F", u"\x01\x02\x03\x7F"},
                      RoundTrip{"\xC2\x80\xDF\xBF", u"\u0080\u07FF"},
                      RoundTrip{"\xE0\xA0\x80\xED\x9F\xBF\xEE\x80\x80\xEF\xBF\xBF", u"\u0800\uD7FF\uE000\uFFFF"},
                      RoundTrip{"\xF0\x90\x80\x80\xF4\x8F\xBF\xBF", u"\U00010000\U0010FFFF"},
                      RoundTrip{"Gr\xC3\xBC\xC3\x9F" "e \xF0\x9D\x84\x9E!", u"Grüße \U0001D11E!"},
                      RoundTrip{std::string("a\0b", 3), std::u16string(u"a\0b", 3)}));

struct IllFormed {
  std::string narrow;
  std::u16string replaced;
};

class IllFormedUtf8Test : public ::testing::TestWithParam<IllFormed> {};

TEST_P(IllFormedUtf8Test, ReplacesEachMaximalSubpart) {
  EXPECT_EQ(ToWide(GetParam().narrow), GetParam().replaced);
  SetLastError(0);
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, GetParam().narrow.data(),
                                static_cast<int>(GetParam().narrow.size()), nullptr, 0),
            0);
  EXPECT_EQ(GetLastError(), ERROR_NO_UNICODE_TRANSLATION);
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, IllFormedUtf8Test,
    ::testing::Values(IllFormed{"a\x80z", u"a\uFFFDz"},                            // lone trail byte
                      IllFormed{"\xC0\xAF", u"\uFFFD\uFFFD"},                      // overlong lead
                      IllFormed{"\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD"},            // overlong three bytes
                      IllFormed{"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},            // encoded surrogate
                      IllFormed{"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // above U+10FFFF
                      IllFormed{"\xE1\x80z", u"\uFFFDz"},                          // cut short
                      IllFormed{"\xF0\x9F\x98", u"\uFFFD"},                        // cut at the end
                      IllFormed{"\xFF\xFE", u"\uFFFD\uFFFD"}));

TEST(WideToUtf8Test, ReplacesUnpairedSurrogates) {
  EXPECT_EQ(ToNarrow(u"a\xD800z"), "a\xEF\xBF\xBDz");
  EXPECT_EQ(ToNarrow(u"\xDC00\xD800"), "\xEF\xBF\xBD\xEF\xBF\xBD");
  const char16_t reversed[] = {0xDC00, 0xD800, 0x41};
  EXPECT_EQ(ToNarrow(std::u16string(reversed, 3)), "\xEF\xBF\xBD\xEF\xBF\xBD" "A");
  SetLastError(0);
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, u"a\xD800", 2, nullptr, 0, nullptr, nullptr), 0);
  EXPECT_EQ(GetLastError(), ERROR_NO_UNICODE_TRANSLATION);
}

// The process's ANSI code page carries bytes that are not UTF-8 as lone surrogates, both ways,
// so that any file name survives; UTF-8 proper (CP_UTF8, above) keeps replacing them.
TEST(AnsiCodePageTest, BytesThatAreNotUtf8TravelAsLoneSurrogatesAndComeBack) {
  struct Case {
    std::string narrow;
    std::u16string wide;
  };
  const Case cases[] = {
      {"/tmp/\xFF.edf", u"/tmp/\xDCFF.edf"},
      {"\xE2\x82z", u"\xDCE2\xDC82z"},                 // a sequence cut short: byte by byte
      {"\xC3\xA9\xC3", u"\u00E9\xDCC3"},               // valid text keeps its characters
      {"\xED\xA0\x80", u"\xDCED\xDCA0\xDC80"},         // an encoded surrogate is three bytes
      {"\xF0\x9F\x98\x80\x80", u"\U0001F600\xDC80"},
  };
  for (const Case& c : cases) {
    const int length = static_cast<int>(c.narrow.size());
    std::u16string wide(c.wide.size() + 2, u'#');
    ASSERT_EQ(MultiByteToWideChar(CP_ACP, 0, c.narrow.data(), length, nullptr, 0), static_cast<int>(c.wide.size()));
    ASSERT_EQ(MultiByteToWideChar(CP_ACP, 0, c.narrow.data(), length, wide.data(), static_cast<int>(wide.size())),
              static_cast<int>(c.wide.size()));
    EXPECT_EQ(wide.substr(0, c.wide.size()), c.wide) << c.narrow;
    std::string narrow(c.narrow.size() + 2, '#');
    ASSERT_EQ(WideCharToMultiByte(CP_ACP, 0, c.wide.data(), static_cast<int>(c.wide.size()), narrow.data(),
                                  static_cast<int>(narrow.size()), nullptr, nullptr),
              length);
    EXPECT_EQ(narrow.substr(0, c.narrow.size()), c.narrow);
    // Asked to fail on what is not text, the conversion still fails.
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, c.narrow.data(), length, nullptr, 0), 0);
  }
  // Other lone surrogates are no byte: they are still replaced.
  std::string narrow(8, '#');
  ASSERT_EQ(WideCharToMultiByte(CP_ACP, 0, u"\xDC7F\xD800", 2, narrow.data(), 8, nullptr, nullptr), 6);
  EXPECT_EQ(narrow.substr(0, 6), "\xEF\xBF\xBD\xEF\xBF\xBD");
}

TEST(ConversionSizingTest, MinusOneIncludesTheTerminator) {
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "ab\xC3\xA9", -1, nullptr, 0), 4);
  OLECHAR wide[4] = {9, 9, 9, 9};
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "ab\xC3\xA9", -1, wide, 4), 4);
  EXPECT_EQ(std::u16string(wide, 4), std::u16string(u"ab\u00E9\0", 4));

  EXPECT_EQ(WideCharToMultiByte(CP_THREAD_ACP, 0, u"ab\u00E9", -1, nullptr, 0, nullptr, nullptr), 5);
  char narrow[5] = {9, 9, 9, 9, 9};
  EXPECT_EQ(WideCharToMultiByte(CP_THREAD_ACP, 0, u"ab\u00E9", -1, narrow, 5, nullptr, nullptr), 5);
  EXPECT_EQ(std::string(narrow, 5), std::string("ab\xC3\xA9\0", 5));
}

TEST(ConversionSizingTest, ExplicitLengthWritesNoTerminator) {
  OLECHAR wide[3] = {9, 9, 9};
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "abc", 2, wide, 3), 2);
  EXPECT_EQ(wide[2], 9);
}

TEST(ConversionSizingTest, RefusesShortBufferUntouched) {
  OLECHAR wide[3] = {9, 9, 9};
  SetLastError(0);
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "abc", -1, wide, 3), 0);
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(std::u16string(wide, 3), u"\x09\x09\x09");

  char narrow[3] = {9, 9, 9};
  SetLastError(0);
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"\U0001D11E", 2, narrow, 3, nullptr, nullptr), 0);
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(std::string(narrow, 3), "\x09\x09\x09");
}

struct BadCall {
  const char* name;
  UINT codePage;
  DWORD flags;
  const char* text;
  int length;
  int capacity;
  DWORD error;
};

class RefusedConversionTest : public ::testing::TestWithParam<BadCall> {};

TEST_P(RefusedConversionTest, FailsWithTheErrorCode) {
  OLECHAR wide[4] = {};
  SetLastError(0);
  const BadCall& call = GetParam();
  EXPECT_EQ(MultiByteToWideChar(call.codePage, call.flags, call.text, call.length,
                                call.capacity > 0 ? wide : nullptr, call.capacity),
            0);
  EXPECT_EQ(GetLastError(), call.error);
}

INSTANTIATE_TEST_SUITE_P(
    Calls, RefusedConversionTest,
    ::testing::Values(BadCall{"Latin1", 1252, 0, "a", -1, 4, ERROR_INVALID_PARAMETER},
                      BadCall{"NullText", CP_UTF8, 0, nullptr, -1, 4, ERROR_INVALID_PARAMETER},
                      BadCall{"ZeroLength", CP_UTF8, 0, "a", 0, 4, ERROR_INVALID_PARAMETER},
                      BadCall{"NegativeLength", CP_UTF8, 0, "a", -2, 4, ERROR_INVALID_PARAMETER},
                      BadCall{"NegativeCapacity", CP_UTF8, 0, "a", -1, -1, ERROR_INVALID_PARAMETER},
                      BadCall{"UnknownFlag", CP_UTF8, 0x1, "a", -1, 4, ERROR_INVALID_FLAGS}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(WideRefusalTest, RefusesDefaultCharacterAndOtherCodePages) {
  BOOL used = FALSE;
  SetLastError(0);
  EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, u"a", -1, nullptr, 0, "?", nullptr), 0);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, u"a", -1, nullptr, 0, nullptr, &used), 0);
  EXPECT_EQ(WideCharToMultiByte(437, 0, u"a", -1, nullptr, 0, nullptr, nullptr), 0);
}

TEST(LastErrorTest, BelongsToTheThread) {
  SetLastError(ERROR_INVALID_PARAMETER);
  DWORD other = 1;
  std::thread([&] { other = GetLastError(); }).join();
  EXPECT_EQ(other, 0u);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

}  // namespace
