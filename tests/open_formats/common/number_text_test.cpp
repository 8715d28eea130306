// The one number parser under each format's syntax: every row is read as EDF, WFDB and
// BrainVision read it, so that a change to one format's rule shows in the others' columns.
#include "common/number_text.h"

#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <string>

#include "formats/brainvision/brainvision_text.h"
#include "formats/edf/numeric_fields.h"
#include "formats/wfdb/decimal_text.h"

namespace {

constexpr std::nullopt_t kNo = std::nullopt;
constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();

TEST(NumberTextTest, IntegersUnderEachFormatsSyntax) {
  struct Case {
    std::string text;
    std::optional<std::int64_t> edf, wfdb, brainvision;
  };
  const Case cases[] = {
      {"5", 5, 5, 5},
      {"-5", -5, -5, -5},
      {"+5", 5, 5, kNo},
      {"+-5", kNo, -5, kNo},
      {" 5 ", 5, kNo, 5},
      {"  -12  ", -12, kNo, -12},
      {"007", 7, 7, 7},
      {"5.0", kNo, kNo, kNo},
      {"1e3", kNo, kNo, kNo},
      {"9223372036854775807", kMax, kMax, kMax},
      {"9223372036854775808", kNo, kNo, kNo},
      {"-9223372036854775808", kMin, kMin, kMin},
      {"-9223372036854775809", kNo, kNo, kNo},
      {"99999999999999999999", kNo, kNo, kNo},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(common::ParseInteger(c.text, edf::kIntegerSyntax), c.edf)
        << "EDF \"" << c.text << '"';
    EXPECT_EQ(common::ParseInteger(c.text, wfdb::kNumberSyntax), c.wfdb)
        << "WFDB \"" << c.text << '"';
    EXPECT_EQ(common::ParseInteger(c.text, brainvision::kNumberSyntax), c.brainvision)
        << "BrainVision \"" << c.text << '"';
  }
}

TEST(NumberTextTest, RealsUnderEachFormatsSyntax) {
  struct Case {
    std::string text;
    std::optional<double> edf, wfdb;
  };
  const Case cases[] = {
      {"2963.77", 2963.77, 2963.77},
      {"-3.5E+2 ", -350.0, kNo},
      {" 1e3", 1000.0, kNo},
      {"+1.5", 1.5, 1.5},
      {"+-1.5", -1.5, -1.5},
      {"5.", 5.0, 5.0},
      {".5", 0.5, 0.5},
      {"1e-5", 1e-5, 1e-5},
      {"7", 7.0, 7.0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(common::ParseReal(c.text, edf::kDecimalSyntax), c.edf) << "EDF \"" << c.text << '"';
    EXPECT_EQ(common::ParseReal(c.text, wfdb::kNumberSyntax), c.wfdb) << "WFDB \"" << c.text << '"';
  }
}

TEST(NumberTextTest, PositiveDecimalsAreExactWithinTheDigitLimits) {
  using F = common::DecimalFraction;
  struct Case {
    std::string text;
    std::optional<F> wfdb, brainvision;
  };
  const Case cases[] = {
      {"250", F{250, 1}, F{250, 1}},
      {"62.4725", F{24989, 400}, F{24989, 400}},
      {"1000.", F{1000, 1}, F{1000, 1}},
      {".5", F{1, 2}, F{1, 2}},
      {"000.250", F{1, 4}, F{1, 4}},
      {"123456789012345", F{123456789012345, 1}, F{123456789012345, 1}},  // 15 significant
      {"1234567890123456", F{1234567890123456, 1}, kNo},
      {"123456789012345678", F{123456789012345678, 1}, kNo},  // 18 significant
      {"1234567890123456789", kNo, kNo},
      {"0000000000000000000001", F{1, 1}, F{1, 1}},       // leading zeros do not count
      {"1000000000000000", F{1000000000000000, 1}, kNo},  // trailing zeros do
      {"0.00000000000001", F{1, 100000000000000}, F{1, 100000000000000}},  // 14 after the point
      {"0.000000000000001", F{1, 1000000000000000}, kNo},
      {"0.000000000000000001", F{1, 1000000000000000000}, kNo},  // 18 after the point
      {"0.0000000000000000001", kNo, kNo},
      {"0", kNo, kNo},
      {"0.000", kNo, kNo},
      {"+5", kNo, kNo},
      {"-5", kNo, kNo},
      {" 5", kNo, kNo},
      {"5 ", kNo, kNo},
      {"1e3", kNo, kNo},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(wfdb::ParsePositiveDecimal(c.text), c.wfdb) << "WFDB \"" << c.text << '"';
    EXPECT_EQ(common::ParsePositiveDecimal(c.text, brainvision::kIntervalDigits), c.brainvision)
        << "BrainVision \"" << c.text << '"';
  }
}

// Texts that no format reads as a number of any kind: every parser under every syntax refuses them.
TEST(NumberTextTest, TextsEverySyntaxRefuses) {
  const std::string texts[] = {
      "-+5", "++5", "--5", "+ 5", "\t5", "5\n", "", "   ", "  ", "+", "-", "5 5", "0x10", "-+1.5",
      ".", "1e", "e5", "1.2.3", "1,5", "0x1p3", "inf", "-inf", "Infinity", "nan", "NAN", "1e999",
      "-1e999",
  };
  for (const std::string& text : texts) {
    SCOPED_TRACE('"' + text + '"');
    EXPECT_FALSE(common::ParseInteger(text, edf::kIntegerSyntax)) << "EDF integer";
    EXPECT_FALSE(common::ParseInteger(text, wfdb::kNumberSyntax)) << "WFDB integer";
    EXPECT_FALSE(common::ParseInteger(text, brainvision::kNumberSyntax)) << "BrainVision integer";
    EXPECT_FALSE(common::ParseReal(text, edf::kDecimalSyntax)) << "EDF real";
    EXPECT_FALSE(common::ParseReal(text, wfdb::kNumberSyntax)) << "WFDB real";
    EXPECT_FALSE(wfdb::ParsePositiveDecimal(text)) << "WFDB decimal";
    EXPECT_FALSE(common::ParsePositiveDecimal(text, brainvision::kIntervalDigits)) << "BrainVision decimal";
  }
}

}  // namespace
