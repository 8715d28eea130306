#include <gtest/gtest.h>

#include <thread>

#include "counting_error_info.h"
#include "platform/platform.h"

namespace {

HRESULT ApartmentType() {
  APTTYPE type = APTTYPE_MTA;
  APTTYPEQUALIFIER qualifier = APTTYPEQUALIFIER_NONE;
  const HRESULT hr = CoGetApartmentType(&type, &qualifier);
  if (hr == S_OK) {
    EXPECT_EQ(type, APTTYPE_STA);
  }
  return hr;
}

TEST(ApartmentTest, CountsNestedInitialisations) {
  EXPECT_EQ(ApartmentType(), CO_E_NOTINITIALIZED);
  EXPECT_EQ(CoInitialize(nullptr), S_OK);
  EXPECT_EQ(CoInitialize(nullptr), S_FALSE);
  EXPECT_EQ(ApartmentType(), S_OK);
  CoUninitialize();
  EXPECT_EQ(ApartmentType(), S_OK);  // one initialisation is still open
  CoUninitialize();
  EXPECT_EQ(ApartmentType(), CO_E_NOTINITIALIZED);
}

TEST(ApartmentTest, UninitialiseWithoutApartmentChangesNothing) {
  CoUninitialize();
  CoUninitialize();
  EXPECT_EQ(CoInitialize(nullptr), S_OK);  // the count did not go below zero
  CoUninitialize();
  EXPECT_EQ(ApartmentType(), CO_E_NOTINITIALIZED);
}

TEST(ApartmentTest, RefusesReservedArgument) {
  int reserved = 0;
  EXPECT_EQ(CoInitialize(&reserved), E_INVALIDARG);
  EXPECT_EQ(ApartmentType(), CO_E_NOTINITIALIZED);
}

TEST(ApartmentTest, BelongsToOneThread) {
  ASSERT_EQ(CoInitialize(nullptr), S_OK);
  HRESULT other = S_OK;
  std::thread([&] { other = ApartmentType(); }).join();
  EXPECT_EQ(other, CO_E_NOTINITIALIZED);
  CoUninitialize();
}

TEST(ApartmentTest, ApartmentTypeRefusesNullPointers) {
  APTTYPE type;
  APTTYPEQUALIFIER qualifier;
  EXPECT_EQ(CoGetApartmentType(nullptr, &qualifier), E_INVALIDARG);
  EXPECT_EQ(CoGetApartmentType(&type, nullptr), E_INVALIDARG);
}

TEST(ErrorInfoTest, HandsTheObjectOverOnce) {
  CountingErrorInfo info(u"Source", u"Description");
  ASSERT_EQ(SetErrorInfo(0, &info), S_OK);
  EXPECT_EQ(info.references, 2u);

  IErrorInfo* taken = nullptr;
  ASSERT_EQ(GetErrorInfo(0, &taken), S_OK);
  EXPECT_EQ(taken, &info);
  EXPECT_EQ(info.references, 2u);  // the caller's now
  taken->Release();

  taken = &info;
  EXPECT_EQ(GetErrorInfo(0, &taken), S_FALSE);
  EXPECT_EQ(taken, nullptr);
  EXPECT_EQ(info.references, 1u);
}

TEST(ErrorInfoTest, SettingAgainReleasesThePrevious) {
  CountingErrorInfo first(u"a", u"b");
  CountingErrorInfo second(u"c", u"d");
  SetErrorInfo(0, &first);
  SetErrorInfo(0, &second);
  EXPECT_EQ(first.references, 1u);
  EXPECT_EQ(second.references, 2u);
  SetErrorInfo(0, nullptr);
  EXPECT_EQ(second.references, 1u);
}

TEST(ErrorInfoTest, EndOfApartmentReleasesIt) {
  CountingErrorInfo info(u"a", u"b");
  ASSERT_EQ(CoInitialize(nullptr), S_OK);
  SetErrorInfo(0, &info);
  CoUninitialize();
  EXPECT_EQ(info.references, 1u);
  IErrorInfo* taken = nullptr;
  EXPECT_EQ(GetErrorInfo(0, &taken), S_FALSE);
}

}  // namespace
