// The code-page rule and the 32-byte copy of texts for the host, linked from the library's
// objects.
#include <array>
#include <string>

#include <gtest/gtest.h>

#include "api/export_text.h"

namespace api {
namespace {

struct DigitsCase {
  const char* text;
  std::size_t length;
  UINT expected;
};

class ParseDigitsTest : public ::testing::TestWithParam<DigitsCase> {};

TEST_P(ParseDigitsTest, ReadsTheLeadingDecimalDigits) {
  EXPECT_EQ(code_page::ParseDigits(GetParam().text, GetParam().length), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Texts, ParseDigitsTest,
                         ::testing::Values(DigitsCase{"1252", 5, 1252}, DigitsCase{"65001", 6, 65001},
                                           DigitsCase{"932", 4, 932}, DigitsCase{"", 1, 0}, DigitsCase{"0", 2, 0},
                                           DigitsCase{"12a4", 5, 12}, DigitsCase{"x437", 5, 0},
                                           // Never past the characters the locale call wrote.
                                           DigitsCase{"123456", 3, 123}, DigitsCase{"1252", 0, 0}));

TEST(HostCodePageTest, ModernSystemsUseTheThreadsAnsiCodePage) {
  // The stand-in reports NT 10.0.
  EXPECT_EQ(code_page::RuleForSystem(), &code_page::ThreadAnsi);
  EXPECT_EQ(HostCodePage(), CP_THREAD_ACP);
  EXPECT_EQ(HostCodePage(), CP_THREAD_ACP);
}

TEST(HostCodePageTest, OlderSystemsReadTheThreadLocalesEntry) {
  // The stand-in's locale names UTF-8.
  EXPECT_EQ(code_page::FromThreadLocale(), 65001u);
}

TEST(ConvertToHostTextTest, NeedsNoMoreThanTheConversionAsksFor) {
  // Euro signs take 3 bytes each, far beyond twice the length plus 2; 85 of them and the
  // terminator fill 256 bytes, and longer texts take more.
  for (const std::size_t signs : {40, 85, 86, 400}) {
    const std::optional<std::string> converted = ConvertToHostText(packets::PacketText(signs, u'\u20AC'));
    ASSERT_TRUE(converted.has_value()) << signs;
    std::string expected;
    for (std::size_t i = 0; i < signs; ++i) expected += "\xE2\x82\xAC";
    EXPECT_EQ(*converted, expected) << signs;
  }
}

TEST(ConvertToHostTextTest, EmptyTextIsEmpty) {
  EXPECT_EQ(ConvertToHostText(packets::PacketText()), std::string());
}

TEST(ConvertToHostTextTest, LoneSurrogatesBecomeReplacementCharacters) {
  const std::string replacement = "\xEF\xBF\xBD";
  EXPECT_EQ(ConvertToHostText(packets::PacketText{u'a', 0xD800, u'b'}), "a" + replacement + "b");
  // The surrogates file names carry their odd bytes in are no bytes in a host's text: not a
  // valid "\u00E9" made of two of them, not a raw C1 control.
  EXPECT_EQ(ConvertToHostText(packets::PacketText{0xDCC3, 0xDCA9}), replacement + replacement);
  EXPECT_EQ(ConvertToHostText(packets::PacketText{u'a', 0xDC9B}), "a" + replacement);
}

TEST(CopyToHostTest, CopiesAtMost32BytesAndNothingElse) {
  std::array<char, 36> host;
  host.fill('#');
  CopyToHost(std::string(33, 'x'), host.data());
  EXPECT_EQ(std::string(host.data(), host.size()), std::string(32, 'x') + "####");

  host.fill('#');
  CopyToHost("", host.data());
  EXPECT_EQ(std::string(host.data(), host.size()), std::string(36, '#'));
}

}  // namespace
}  // namespace api
