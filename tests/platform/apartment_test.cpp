#include <gtest/gtest.h>

#include <string>
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

// The texts of an error-information object as IErrorInfo hands them out; "<none>" for null.
std::u16string Text(HRESULT (STDMETHODCALLTYPE IErrorInfo::*get)(BSTR*), IErrorInfo* info) {
  OLECHAR sentinel[] = u"untouched";
  BSTR text = sentinel;
  if ((info->*get)(&text) != S_OK) return u"<failed>";
  if (text == sentinel) return u"<untouched>";
  if (text == nullptr) return u"<none>";
  std::u16string copy(text, text + SysStringLen(text));
  SysFreeString(text);
  return copy;
}

// CreateErrorInfo's object: texts set through ICreateErrorInfo read back through IErrorInfo,
// which is the same object; nothing set reads as none.
TEST(CreateErrorInfoTest, TextsSetAreReadBackFromTheSameObject) {
  ComPtr<ICreateErrorInfo> created;
  ASSERT_EQ(CreateErrorInfo(created.put()), S_OK);
  ComPtr<IErrorInfo> info;
  ASSERT_EQ(created->QueryInterface(IID_IErrorInfo, info.put_void()), S_OK);
  EXPECT_EQ(Text(&IErrorInfo::GetDescription, info.get()), u"<none>");
  EXPECT_EQ(Text(&IErrorInfo::GetSource, info.get()), u"<none>");

  std::u16string source = u"component";
  std::u16string description = u"line one\nline \u00b5 two";
  const GUID guid = {0x01020304, 0x0506, 0x0708, {9, 10, 11, 12, 13, 14, 15, 16}};
  ASSERT_EQ(created->SetSource(source.data()), S_OK);
  ASSERT_EQ(created->SetDescription(description.data()), S_OK);
  ASSERT_EQ(created->SetGUID(guid), S_OK);
  ASSERT_EQ(created->SetHelpContext(7), S_OK);
  source[0] = u'X';  // the object keeps copies
  EXPECT_EQ(Text(&IErrorInfo::GetSource, info.get()), u"component");
  EXPECT_EQ(Text(&IErrorInfo::GetDescription, info.get()), u"line one\nline \u00b5 two");
  EXPECT_EQ(Text(&IErrorInfo::GetHelpFile, info.get()), u"<none>");
  GUID read{};
  ASSERT_EQ(info->GetGUID(&read), S_OK);
  EXPECT_TRUE(IsEqualGUID(read, guid));
  DWORD context = 0;
  ASSERT_EQ(info->GetHelpContext(&context), S_OK);
  EXPECT_EQ(context, 7u);

  ASSERT_EQ(created->SetDescription(nullptr), S_OK);
  EXPECT_EQ(Text(&IErrorInfo::GetDescription, info.get()), u"<none>");

  ComPtr<ICreateErrorInfo> back;
  ASSERT_EQ(info->QueryInterface(IID_ICreateErrorInfo, back.put_void()), S_OK);
  EXPECT_EQ(back.get(), created.get());
  void* none = &none;
  EXPECT_EQ(info->QueryInterface(IID_IClassFactory, &none), E_NOINTERFACE);
  EXPECT_EQ(none, nullptr);
  EXPECT_EQ(CreateErrorInfo(nullptr), E_INVALIDARG);
}

}  // namespace
