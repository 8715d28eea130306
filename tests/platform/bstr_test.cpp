#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/platform.h"

namespace {

std::uint32_t BytePrefix(BSTR text) {
  std::uint32_t bytes = 0;
  std::memcpy(&bytes, reinterpret_cast<const char*>(text) - 4, 4);
  return bytes;
}

TEST(BstrTest, CarriesByteLengthAndTerminator) {
  BSTR text = SysAllocString(u"\u0101\u0202\u0303");
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(SysStringLen(text), 3u);
  EXPECT_EQ(BytePrefix(text), 6u);
  EXPECT_EQ(std::u16string(text, 4), std::u16string(u"\u0101\u0202\u0303\0", 4));
  SysFreeString(text);
}

TEST(BstrTest, KeepsEmbeddedNulls) {
  BSTR text = SysAllocStringLen(u"a\0b", 3);
  EXPECT_EQ(SysStringLen(text), 3u);
  EXPECT_EQ(std::u16string(text, 4), std::u16string(u"a\0b\0", 4));
  SysFreeString(text);
}

TEST(BstrTest, LengthWithoutTextIsZeroFilled) {
  BSTR text = SysAllocStringLen(nullptr, 2);
  EXPECT_EQ(std::u16string(text, 3), std::u16string(3, u'\0'));
  SysFreeString(text);
}

TEST(BstrTest, NullIsTheEmptyString) {
  EXPECT_EQ(SysAllocString(nullptr), nullptr);
  EXPECT_EQ(SysStringLen(nullptr), 0u);
  SysFreeString(nullptr);
  BSTR empty = SysAllocString(u"");
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(SysStringLen(empty), 0u);
  SysFreeString(empty);
}

TEST(BstrTest, RefusesLengthBeyondThePrefix) { EXPECT_EQ(SysAllocStringLen(nullptr, 0x80000000u), nullptr); }

TEST(BstrWrapperTest, ConvertsAnsiTextExactly) {
  const _bstr_t text("Gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC\xF0\x9D\x84\x9E");
  EXPECT_EQ(text.length(), 9u);
  EXPECT_EQ(std::u16string(static_cast<const OLECHAR*>(text)), u"Grüße €\U0001D11E");
}

TEST(BstrWrapperTest, NullTextMakesNullString) {
  EXPECT_EQ(static_cast<const OLECHAR*>(_bstr_t(static_cast<const char*>(nullptr))), nullptr);
  EXPECT_EQ(static_cast<const OLECHAR*>(_bstr_t(static_cast<const OLECHAR*>(nullptr))), nullptr);
  EXPECT_EQ(_bstr_t().length(), 0u);
}

TEST(BstrWrapperTest, CopiesShareOneString) {
  const _bstr_t original(u"abc");
  _bstr_t copy = original;
  EXPECT_EQ(copy.GetBSTR(), original.GetBSTR());
  copy = _bstr_t(u"xyz");
  EXPECT_EQ(std::u16string(original), u"abc");
  EXPECT_EQ(std::u16string(copy), u"xyz");
}

TEST(BstrWrapperTest, AdoptsOrCopiesABstr) {
  BSTR owned = SysAllocString(u"own");
  const _bstr_t adopted(owned, false);
  EXPECT_EQ(adopted.GetBSTR(), owned);  // freed with the wrapper
  const _bstr_t copied(owned, true);
  EXPECT_NE(copied.GetBSTR(), owned);
  EXPECT_EQ(std::u16string(copied), u"own");
}

TEST(BstrWrapperTest, JoinsTexts) {
  _bstr_t text(u"Sorce; ");
  text += _bstr_t();
  text += _bstr_t(" Desc:");
  EXPECT_EQ(std::u16string(text + _bstr_t(u"%d")), u"Sorce;  Desc:%d");
  EXPECT_EQ(text.length(), 13u);
}

struct VariantCase {
  long value;
  const char16_t* text;
};

class VariantTextTest : public ::testing::TestWithParam<VariantCase> {};

TEST_P(VariantTextTest, IsSignedDecimal) {
  const _bstr_t text = _variant_t(GetParam().value);
  EXPECT_EQ(std::u16string(text), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Values, VariantTextTest,
                         ::testing::Values(VariantCase{E_OUTOFMEMORY, u"-2147024882"}, VariantCase{0, u"0"},
                                           VariantCase{2147483647, u"2147483647"},
                                           VariantCase{-2147483647 - 1, u"-2147483648"},
                                           VariantCase{REGDB_E_CLASSNOTREG, u"-2147221164"}));

}  // namespace
