#include "common/text_encoding.h"

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
  for (const Case& c : cases) EXPECT_EQ(common::Utf8ToUtf16(c.utf8), c.utf16) << c.name;
}

TEST(TextEncodingTest, Latin1MapsEveryByteToItsCodePoint) {
  EXPECT_EQ(common::Latin1ToUtf16("\xB0"
                                  "C \xE9\xFF"),
            u"\u00B0C \u00E9\u00FF");
}

TEST(TextEncodingTest, HeaderTextIsUtf8WhenWellFormedElseLatin1) {
  struct Case {
    const char* name;
    std::string bytes;
    std::u16string text;
  };
  const Case cases[] = {
      {"UTF-8 degree sign", "Temp \xC2\xB0" "C", u"Temp \u00B0" "C"},
      {"Latin-1 degree sign", "Temp \xB0" "C", u"Temp \u00B0" "C"},
      {"Latin-1 pair that looks like a lead byte", "\xC3" "A", u"\u00C3" "A"},
      {"UTF-8 that holds a replacement character", "\xEF\xBF\xBD", u"\uFFFD"},
      {"mixed: one bad byte makes it all Latin-1", "\xC2\xB0\xFF", u"\u00C2\u00B0\u00FF"},
  };
  for (const Case& c : cases) EXPECT_EQ(common::HeaderTextToUtf16(c.bytes), c.text) << c.name;
}

TEST(TextEncodingTest, Utf16ToUtf8RoundTripsAndRefusesUnpairedSurrogates) {
  EXPECT_EQ(common::Utf16ToUtf8(u"/tmp/\u00E9\U0001F600.edf"), "/tmp/\xC3\xA9\xF0\x9F\x98\x80.edf");
  EXPECT_EQ(common::Utf16ToUtf8(std::u16string(1, u'\xD800')), std::nullopt);
  EXPECT_EQ(common::Utf16ToUtf8(std::u16string(1, u'\xDC00') + u"a"), std::nullopt);
}

}  // namespace
