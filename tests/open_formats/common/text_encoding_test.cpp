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

TEST(TextEncodingTest, DecodesOneSequenceOrMeasuresItsMaximalIllFormedSubpart) {
  struct Case {
    const char* name;
    std::string bytes;
    std::size_t length;
    char32_t codePoint;  // U+FFFD when ill-formed
    bool wellFormed;
  };
  const Case cases[] = {
      {"ASCII", "Ab", 1, U'A', true},
      {"NUL", std::string(1, '\0'), 1, 0, true},
      {"two bytes", "\xC3\xA9z", 2, 0xE9, true},
      {"three bytes", "\xE2\x82\xAC", 3, 0x20AC, true},
      {"four bytes", "\xF0\x9F\x98\x80", 4, 0x1F600, true},
      {"last code point", "\xF4\x8F\xBF\xBF", 4, 0x10FFFF, true},
      {"lone continuation", "\x80", 1, 0xFFFD, false},
      {"overlong lead C0", "\xC0\xAF", 1, 0xFFFD, false},
      {"lead F5", "\xF5\x80\x80\x80", 1, 0xFFFD, false},
      {"two of three bytes", "\xE2\x82z", 2, 0xFFFD, false},
      {"three of four bytes at the end", "\xF0\x9F\x98", 3, 0xFFFD, false},
      {"overlong three bytes", "\xE0\x9F\xBF", 1, 0xFFFD, false},
      {"surrogate", "\xED\xA0\x80", 1, 0xFFFD, false},
      {"above U+10FFFF", "\xF4\x90\x80\x80", 1, 0xFFFD, false},
      {"lead then ASCII", "\xC3" "A", 1, 0xFFFD, false},
  };
  for (const Case& c : cases) {
    const common::Utf8Sequence sequence = common::DecodeUtf8Sequence(c.bytes);
    EXPECT_EQ(sequence.length, c.length) << c.name;
    EXPECT_EQ(sequence.codePoint, c.codePoint) << c.name;
    EXPECT_EQ(sequence.wellFormed, c.wellFormed) << c.name;
  }
}

TEST(TextEncodingTest, WellFormedUtf8OnlyDecodesWhenEveryByteIsPartOfACharacter) {
  struct Case {
    const char* name;
    std::string bytes;
    std::optional<std::u16string> text;
  };
  const Case cases[] = {
      {"empty", "", u""},
      {"ASCII", "Fp1", u"Fp1"},
      {"astral", "\xF0\x9F\x98\x80", u"\U0001F600"},
      {"encoded replacement character", "\xEF\xBF\xBD", u"\uFFFD"},
      {"Latin-1 byte", "\xB5V", std::nullopt},
      {"truncated at the end", "ok\xE2\x82", std::nullopt},
      {"surrogate", "\xED\xB0\x80", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(common::WellFormedUtf8ToUtf16(c.bytes), c.text) << c.name;
}

TEST(TextEncodingTest, Windows1252MapsItsHighControlsToCharacters) {
  struct Case {
    const char* name;
    std::string bytes;
    std::u16string text;
  };
  const Case cases[] = {
      {"ASCII", "uV", u"uV"},
      {"euro sign", "\x80", u"\u20AC"},
      {"quotes", "\x93x\x94", u"\u201Cx\u201D"},
      {"last of the range", "\x9F", u"\u0178"},
      {"unassigned bytes stay C1 controls", "\x81\x8D\x8F\x90\x9D", u"\u0081\u008D\u008F\u0090\u009D"},
      {"Latin-1 above the range", "\xA0\xB5\xFF", u"\u00A0\u00B5\u00FF"},
  };
  for (const Case& c : cases) EXPECT_EQ(common::Windows1252ToUtf16(c.bytes), c.text) << c.name;
}

}  // namespace
