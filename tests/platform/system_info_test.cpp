#include <gtest/gtest.h>

#include <string>

#include "platform/platform.h"

namespace {

constexpr DWORD kSystemFlags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;

std::string SystemText(DWORD code) {
  LPSTR text = reinterpret_cast<LPSTR>(0x5A5A);
  const DWORD length = FormatMessageA(kSystemFlags, nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                                      reinterpret_cast<LPSTR>(&text), 0, nullptr);
  if (length == 0) {
    EXPECT_EQ(text, nullptr);
    return "(none)";
  }
  std::string result(text);
  EXPECT_EQ(result.size(), length);
  LocalFree(text);
  return result;
}

TEST(SystemMessageTest, KnowsWin32CodesAlsoAsHresults) {
  EXPECT_EQ(SystemText(ERROR_INVALID_PARAMETER), "The parameter is incorrect.\r\n");
  EXPECT_EQ(SystemText(static_cast<DWORD>(E_INVALIDARG)), "The parameter is incorrect.\r\n");
  EXPECT_EQ(SystemText(static_cast<DWORD>(E_ACCESSDENIED)), "Access is denied.\r\n");
  EXPECT_EQ(SystemText(static_cast<DWORD>(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND))),
            "The system cannot find the file specified.\r\n");
}

TEST(SystemMessageTest, KnowsComCodes) {
  EXPECT_EQ(SystemText(static_cast<DWORD>(E_NOINTERFACE)), "No such interface supported\r\n");
  EXPECT_EQ(SystemText(static_cast<DWORD>(E_UNEXPECTED)), "Catastrophic failure\r\n");
  EXPECT_EQ(SystemText(static_cast<DWORD>(CLASS_E_NOAGGREGATION)),
            "Class does not support aggregation (or class object is remote)\r\n");
}

TEST(SystemMessageTest, UnknownCodeHasNoText) {
  SetLastError(0);
  EXPECT_EQ(SystemText(0x80040205u), "(none)");
  EXPECT_EQ(GetLastError(), ERROR_MR_MID_NOT_FOUND);
  EXPECT_EQ(SystemText(0x1234u), "(none)");
  EXPECT_EQ(SystemText(0x80070000u | 0x1234u), "(none)");
}

TEST(SystemMessageTest, CallerBufferMustHoldTheText) {
  char buffer[8] = "1234567";
  SetLastError(0);
  EXPECT_EQ(FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, 0, 0, buffer, sizeof buffer, nullptr), 0u);
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  EXPECT_STREQ(buffer, "1234567");
  char large[64];
  EXPECT_EQ(FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, ERROR_ACCESS_DENIED, 0, large, sizeof large, nullptr),
            19u);
  EXPECT_STREQ(large, "Access is denied.\r\n");
}

TEST(SystemInfoTest, IsUtf8OnNt10) {
  EXPECT_EQ(GetACP(), 65001u);
  EXPECT_EQ(GetThreadLocale(), 0x0409u);
  OSVERSIONINFOA version{};
  version.dwOSVersionInfoSize = sizeof version;
  ASSERT_TRUE(GetVersionExA(&version));
  EXPECT_EQ(version.dwPlatformId, VER_PLATFORM_WIN32_NT);
  EXPECT_EQ(version.dwMajorVersion, 10u);
  EXPECT_EQ(version.dwMinorVersion, 0u);
  version.dwOSVersionInfoSize = 0;
  EXPECT_FALSE(GetVersionExA(&version));
}

TEST(SystemInfoTest, LocaleNamesTheAnsiCodePage) {
  EXPECT_EQ(GetLocaleInfoA(GetThreadLocale(), LOCALE_IDEFAULTANSICODEPAGE, nullptr, 0), 6);
  char text[7] = "xxxxxx";
  EXPECT_EQ(GetLocaleInfoA(GetThreadLocale(), LOCALE_IDEFAULTANSICODEPAGE, text, 7), 6);
  EXPECT_STREQ(text, "65001");

  char small[5] = "abcd";
  SetLastError(0);
  EXPECT_EQ(GetLocaleInfoA(GetThreadLocale(), LOCALE_IDEFAULTANSICODEPAGE, small, 5), 0);
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  EXPECT_STREQ(small, "abcd");
  EXPECT_EQ(GetLocaleInfoA(GetThreadLocale(), 0x2, text, 7), 0);  // an entry not kept here
  EXPECT_EQ(GetLastError(), ERROR_INVALID_FLAGS);
}

TEST(LocalMemoryTest, ZeroInitialisesOnRequest) {
  auto* bytes = static_cast<unsigned char*>(LocalAlloc(LMEM_ZEROINIT, 16));
  ASSERT_NE(bytes, nullptr);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(bytes[i], 0) << i;
  EXPECT_EQ(LocalFree(bytes), nullptr);
  void* empty = LocalAlloc(LMEM_FIXED, 0);
  EXPECT_NE(empty, nullptr);
  LocalFree(empty);
}

}  // namespace
