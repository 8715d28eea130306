// One annotation signal's bytes of one record: what a record yields, and which reason a refusal
// gives when a TAL is wrong in more than one way.
#include "formats/edf/annotations.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace std::string_literals;

std::span<const std::byte> BytesOf(const std::string& text) {
  return std::as_bytes(std::span(text.data(), text.size()));
}

struct Expected {
  std::int64_t onsetTicks;
  std::int64_t durationTicks;
  std::string text;
};

struct ParseCase {
  const char* name;
  std::string bytes;
  bool keepsTime;
  std::optional<std::int64_t> timeKeepingOnsetTicks;
  std::vector<Expected> annotations;
  std::string reason;  // empty when the bytes are accepted
};

class AnnotationBytesTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(AnnotationBytesTest, YieldsTheAnnotationsOrTheReason) {
  const ParseCase& c = GetParam();
  const auto parsed = edf::ParseAnnotationBytes(BytesOf(c.bytes), c.keepsTime);
  if (!c.reason.empty()) {
    ASSERT_FALSE(parsed.Ok());
    EXPECT_EQ(parsed.Reason(), c.reason);
    return;
  }
  ASSERT_TRUE(parsed.Ok()) << parsed.Reason();
  EXPECT_EQ(parsed.Value().timeKeepingOnsetTicks, c.timeKeepingOnsetTicks);
  ASSERT_EQ(parsed.Value().annotations.size(), c.annotations.size());
  for (std::size_t i = 0; i < c.annotations.size(); ++i) {
    EXPECT_EQ(parsed.Value().annotations[i].onsetTicks, c.annotations[i].onsetTicks) << i;
    EXPECT_EQ(parsed.Value().annotations[i].durationTicks, c.annotations[i].durationTicks) << i;
    EXPECT_EQ(parsed.Value().annotations[i].text, c.annotations[i].text) << i;
  }
}

constexpr std::int64_t kSecond = 10'000'000;

INSTANTIATE_TEST_SUITE_P(
    Records, AnnotationBytesTest,
    ::testing::Values(
        ParseCase{"TimeKeepingOnly", "+12\x14\x14\0\0\0\0"s, true, 12 * kSecond, {}, ""},
        // Further texts of the time keeper, then a TAL with a duration and two texts.
        ParseCase{"TimeKeeperWithTextsAndAnotherTal",
                  "+1\x14\x14" "a\x14\0+1.5\x15" "2\x14" "b\x14" "a text longer than a short string\x14\0\0"s,
                  true,
                  kSecond,
                  {{kSecond, 0, "a"},
                   {15 * kSecond / 10, 2 * kSecond, "b"},
                   {15 * kSecond / 10, 2 * kSecond, "a text longer than a short string"}},
                  ""},
        // Without time keeping an empty first text is an annotation like any other.
        ParseCase{"EmptyTextNotKeepingTime", "-3\x14\x14\0"s, false, std::nullopt, {{-3 * kSecond, 0, ""}}, ""},
        ParseCase{"NothingButPadding", "\0\0\0\0"s, false, std::nullopt, {}, ""},
        ParseCase{"NoTimeKeeperInPadding", "\0\0\0\0"s, true, std::nullopt, {}, "the time-keeping annotation is missing"},
        ParseCase{"FirstTextNotEmpty", "+0\x14x\x14\0"s, true, std::nullopt, {}, "the time-keeping annotation is missing"},
        ParseCase{"TalWithoutTexts", "+0\x14\0"s, true, std::nullopt, {}, "the time-keeping annotation is missing"},
        // A TAL both without time keeping and cut short is refused for being cut short.
        ParseCase{"UnterminatedBeatsMissingTimeKeeper", "+0\x14x\x14y"s, true, std::nullopt, {},
                  "the annotation at byte 0 is unterminated"},
        ParseCase{"UnterminatedAfterTimeKeeper", "+0\x14\x14z"s, true, std::nullopt, {},
                  "the annotation at byte 0 is unterminated"},
        // The position is that of the TAL at fault, past the padding before it.
        ParseCase{"SecondTalUnterminated", "+0\x14\x14\0\0+2\x14q"s, true, std::nullopt, {},
                  "the annotation at byte 6 is unterminated"},
        ParseCase{"SecondTalWithoutSign", "+0\x14\x14\0" "2\x14q\x14\0"s, true, std::nullopt, {},
                  "the annotation at byte 5 does not start with + or -"},
        ParseCase{"SignedDuration", "+0\x15-1\x14\x14\0"s, true, std::nullopt, {},
                  "the annotation at byte 0: the duration \"-1\" is not an unsigned number"},
        ParseCase{"OnsetNotANumber", "+1x\x14\x14\0"s, true, std::nullopt, {},
                  "the annotation at byte 0: the onset \"+1x\" is not a number"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
