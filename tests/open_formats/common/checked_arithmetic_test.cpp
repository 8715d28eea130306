#include "common/checked_arithmetic.h"

#include <gtest/gtest.h>

#include <limits>
#include <optional>

namespace {

constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();

struct Case {
  std::int64_t a, b;
  std::optional<std::int64_t> result;
};

TEST(CheckedArithmeticTest, ProductsThatFitAndThoseThatDoNot) {
  const Case cases[] = {
      {0, kMax, 0},
      {kMax, 1, kMax},
      {3037000499, 3037000499, 9223372030926249001},
      {3037000500, 3037000500, std::nullopt},
      {kMax / 2, 2, kMax - 1},
      {kMax / 2 + 1, 2, std::nullopt},
      {-1, 5, std::nullopt},
      {5, -1, std::nullopt},
      {-2, -3, std::nullopt},
  };
  for (const Case& c : cases)
    EXPECT_EQ(common::CheckedMultiply(c.a, c.b), c.result) << c.a << " x " << c.b;
}

TEST(CheckedArithmeticTest, SumsThatFitAndThoseThatDoNot) {
  const Case cases[] = {
      {0, 0, 0},
      {kMax, 0, kMax},
      {kMax - 5, 5, kMax},
      {kMax - 5, 6, std::nullopt},
      {kMax, kMax, std::nullopt},
      {-1, 1, std::nullopt},
      {1, -1, std::nullopt},
  };
  for (const Case& c : cases)
    EXPECT_EQ(common::CheckedAdd(c.a, c.b), c.result) << c.a << " + " << c.b;
}

}  // namespace
