#include <gtest/gtest.h>

#include "json_report.h"
#include "terminal_text.h"

namespace {

using tapline_info::CsvField;
using tapline_info::JsonString;
using tapline_info::TerminalSafe;

struct EscapeCase {
  const char* name;
  std::string text;
  std::string printed;
};

class TerminalSafeTest : public ::testing::TestWithParam<EscapeCase> {};

TEST_P(TerminalSafeTest, EscapesControlsAndKeepsTheRest) {
  EXPECT_EQ(TerminalSafe(GetParam().text), GetParam().printed);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, TerminalSafeTest,
    ::testing::Values(
        EscapeCase{"Plain", "EEG Fp1-A2", "EEG Fp1-A2"},
        EscapeCase{"ClearScreen", "a\x1b[2Jb", "a\\x1b[2Jb"},
        EscapeCase{"LineBreaksAndTab", "a\r\n\tb", "a\\x0d\\x0a\\x09b"},
        EscapeCase{"Nul", std::string("a\0b", 3), "a\\x00b"},
        EscapeCase{"Delete", "a\x7f", "a\\x7f"},
        EscapeCase{"Utf8Csi", "\xc2\x9b" "2J", "\\u009b2J"},
        EscapeCase{"Utf8C1Bounds", "\xc2\x80\xc2\x9f\xc2\xa0", "\\u0080\\u009f\xc2\xa0"},
        EscapeCase{"RawCsiByte", "\x9b" "2J", "\\x9b2J"},
        EscapeCase{"Latin1TextKeepsLetters", "Temp \xb0" "C \xe9", "Temp \xb0" "C \xe9"},
        // Continuation bytes 0x80-0x9F inside valid characters are no controls.
        EscapeCase{"Utf8LettersWithLowContinuations", "\xc3\x9b \xe2\x82\xac \xf0\x9f\x98\x80",
                   "\xc3\x9b \xe2\x82\xac \xf0\x9f\x98\x80"},
        // A character cut short: its stray bytes of the C1 range are escaped like any other.
        EscapeCase{"CutCharacterThenControl", "\xe2\x82\x1b", "\xe2\\x82\\x1b"},
        EscapeCase{"OverlongCsi", "\xe0\x82\x9b", "\xe0\\x82\\x9b"},
        // Bidirectional controls reorder the rest of the line; their neighbours stay.
        EscapeCase{"RightToLeftOverride", "a\xe2\x80\xae" "b", "a\\u202eb"},
        EscapeCase{"BidiEmbeddingBounds", "\xe2\x80\xaa\xe2\x80\xa9\xe2\x80\xaf",
                   "\\u202a\xe2\x80\xa9\xe2\x80\xaf"},
        EscapeCase{"BidiIsolateBounds", "\xe2\x81\xa6\xe2\x81\xa9\xe2\x81\xa5\xe2\x81\xaa",
                   "\\u2066\\u2069\xe2\x81\xa5\xe2\x81\xaa"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CsvFieldTest, QuotesWhatNeedsItAndEscapesControls) {
  EXPECT_EQ(CsvField("EEG"), "EEG");
  EXPECT_EQ(CsvField("a,b"), "\"a,b\"");
  EXPECT_EQ(CsvField("say \"hi\""), "\"say \"\"hi\"\"\"");
  EXPECT_EQ(CsvField("two\nlines"), "two\\x0alines");
  EXPECT_EQ(CsvField("\x1b[2J,\xc2\x9b"), "\"\\x1b[2J,\\u009b\"");
}

}  // namespace

// JSON strings stay valid (a text cut inside a character) and print no control raw.
TEST(JsonStringTest, EscapesWhatJsonAndTerminalsNeed) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"EEG Fp1", "\"EEG Fp1\""},
      {"say \"hi\" \\ ok", "\"say \\\"hi\\\" \\\\ ok\""},
      {"a\x1b[2J\n", "\"a\\u001b[2J\\u000a\""},
      {"\x7f\xc2\x9b", "\"\\u007f\\u009b\""},
      {"a\xe2\x80\xae" "b\xe2\x81\xa9", "\"a\\u202eb\\u2069\""},
      {"\xc3\xa9t\xc3\xa9 \xe2\x82\xac", "\"\xc3\xa9t\xc3\xa9 \xe2\x82\xac\""},
      {"Temp \xb0" "C", "\"Temp \\ufffdC\""},
      {"cut \xe2\x82", "\"cut \\ufffd\\ufffd\""}};
  for (const auto& [text, json] : cases) EXPECT_EQ(JsonString(text), json) << text;
}
