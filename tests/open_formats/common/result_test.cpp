#include "common/result.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

using common::Result;

TEST(ResultTest, HoldsEitherAValueOrAReason) {
  struct Case {
    const char* name;
    Result<std::string> result;
    bool ok;
    std::string value;
    std::string reason;
  };
  const Case cases[] = {
      {"value", Result<std::string>("held"), true, "held", ""},
      {"empty value", Result<std::string>(""), true, "", ""},
      {"refusal", Result<std::string>::Refuse("the file is empty"), false, "", "the file is empty"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.result.Ok(), c.ok) << c.name;
    if (c.ok) {
      EXPECT_EQ(c.result.Value(), c.value) << c.name;
    }
    EXPECT_EQ(c.result.Reason(), c.reason) << c.name;
  }
}

TEST(ResultTest, OwnsAMoveOnlyValueThatCanBeMovedOut) {
  Result<std::unique_ptr<int>> result(std::make_unique<int>(7));
  ASSERT_TRUE(result.Ok());
  const std::unique_ptr<int> taken = std::move(result.Value());
  EXPECT_EQ(*taken, 7);
}

}  // namespace
