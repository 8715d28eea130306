#include "format/text_encoding.h"

#include <gtest/gtest.h>

namespace {

TEST(TextEncodingTest, IllFormedUtf8BecomesOneReplacementPerMaximalSubpart) {
  struct Case {
    const char* name;
    std::string utf8;
    std::u16string utf16;
  };
  const Case cases[] = {
      {"ascii", "A\tB\n", u"A\tB\n"},
      {"two, three and four bytes", "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", u"\u00E9\u20AC\U0001F600"},
      {"lone continuation", "a\x80" "b", u"a\uFFFDb"},
      {"truncated three-byte sequence", "\xE2\x82" "z", u"\uFFFDz"},
      {"truncated at the end", "z\xF0\x9F\x98", u"z\uFFFD"},
      {"overlong", "\xC0\xAF", u"\uFFFD\uFFFD"},
      {"overlong three bytes", "\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD"},
      {"surrogate", "\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},
      {"above U+10FFFF", "\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
      {"invalid lead", "\xFF" "a", u"\uFFFDa"},
  };
  for (const Case& c : cases) EXPECT_EQ(edf::Utf8ToUtf16(c.utf8), c.utf16) << c.name;
}

TEST(TextEncodingTest, Latin1MapsEveryByteToItsCodePoint) {
  EXPECT_EQ(edf::Latin1ToUtf16("\xB0" "C \xE9\xFF"), u"\u00B0C \u00E9\u00FF");
}

TEST(TextEncodingTest, Utf16ToUtf8RoundTripsAndRefusesUnpairedSurrogates) {
  EXPECT_EQ(edf::Utf16ToUtf8(u"/tmp/\u00E9\U0001F600.edf"), "/tmp/\xC3\xA9\xF0\x9F\x98\x80.edf");
  EXPECT_EQ(edf::Utf16ToUtf8(std::u16string(1, u'\xD800')), std::nullopt);
  EXPECT_EQ(edf::Utf16ToUtf8(std::u16string(1, u'\xDC00') + u"a"), std::nullopt);
}

}  // namespace
