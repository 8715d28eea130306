// How the host code page is found, with the system's answers scripted: this executable defines
// the version, locale and code-page calls itself, and the library's objects linked into it
// call these instead of the stand-in's. Linux only: a Windows executable cannot take over the
// system's functions this way.
#include <deque>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "api/export_text.h"

namespace {

constexpr UINT kSystemCodePage = 1250;
constexpr DWORD kWindows9xPlatform = 1;

struct SystemVersion {
  bool answers = true;
  DWORD platform = kWindows9xPlatform;
  DWORD major = 4;
};

SystemVersion systemVersion;
int versionCalls = 0;
// The locale entries the next calls find, in order; nullopt is a failed call. When none is
// left the call fails.
std::deque<std::optional<std::string>> localeEntries;
int localeCalls = 0;

}  // namespace

extern "C" {

BOOL GetVersionExA(OSVERSIONINFOA* info) {
  ++versionCalls;
  // Like the system, refuses a structure whose size the caller did not declare.
  if (!systemVersion.answers || info == nullptr || info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA)) return FALSE;
  info->dwPlatformId = systemVersion.platform;
  info->dwMajorVersion = systemVersion.major;
  info->dwMinorVersion = 0;
  return TRUE;
}

int GetLocaleInfoA(LCID, DWORD type, LPSTR data, int capacity) {
  ++localeCalls;
  if (type != LOCALE_IDEFAULTANSICODEPAGE || localeEntries.empty()) return 0;
  const std::optional<std::string> entry = localeEntries.front();
  localeEntries.pop_front();
  if (!entry || static_cast<int>(entry->size()) + 1 > capacity) return 0;
  entry->copy(data, entry->size());
  data[entry->size()] = '\0';
  return static_cast<int>(entry->size()) + 1;
}

UINT GetACP() { return kSystemCodePage; }

}  // extern "C"

namespace api {
namespace {

struct LocaleCase {
  const char* name;
  std::optional<std::string> entry;
  UINT expected;
};

class ThreadLocaleTest : public ::testing::TestWithParam<LocaleCase> {
 protected:
  void SetUp() override { localeEntries.clear(); }
};

TEST_P(ThreadLocaleTest, GivesTheEntrysNumberOrTheSystemCodePage) {
  localeEntries = {GetParam().entry};
  EXPECT_EQ(code_page::FromThreadLocale(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Entries, ThreadLocaleTest,
                         ::testing::Values(LocaleCase{"Number", "1252", 1252}, LocaleCase{"FiveDigits", "65001", 65001},
                                           LocaleCase{"Empty", "", kSystemCodePage},
                                           LocaleCase{"Zero", "0", kSystemCodePage},
                                           LocaleCase{"Zeros", "00000", kSystemCodePage},
                                           LocaleCase{"NoDigits", "ANSI", kSystemCodePage},
                                           LocaleCase{"FailedCall", std::nullopt, kSystemCodePage}),
                         [](const auto& info) { return std::string(info.param.name); });

struct VersionCase {
  const char* name;
  SystemVersion version;
  bool threadAnsi;
};

class RuleForSystemTest : public ::testing::TestWithParam<VersionCase> {};

TEST_P(RuleForSystemTest, ReadsCpThreadAcpFromNt5On) {
  systemVersion = GetParam().version;
  EXPECT_EQ(code_page::RuleForSystem(),
            GetParam().threadAnsi ? &code_page::ThreadAnsi : &code_page::FromThreadLocale);
  systemVersion = {};
}

INSTANTIATE_TEST_SUITE_P(Systems, RuleForSystemTest,
                         ::testing::Values(VersionCase{"Nt4", {true, VER_PLATFORM_WIN32_NT, 4}, false},
                                           VersionCase{"Nt5", {true, VER_PLATFORM_WIN32_NT, 5}, true},
                                           VersionCase{"Nt10", {true, VER_PLATFORM_WIN32_NT, 10}, true},
                                           // Version 5 of the other platform family is no NT.
                                           VersionCase{"Windows9x", {true, kWindows9xPlatform, 5}, false},
                                           VersionCase{"SilentSystem", {false, VER_PLATFORM_WIN32_NT, 10}, false}),
                         [](const auto& info) { return std::string(info.param.name); });

// The only test here that calls HostCodePage, so the rule is still to be chosen when it starts.
TEST(HostCodePageTest, ChoosesTheRuleOnceAndOnOlderSystemsReadsTheLocaleOnEveryCall) {
  systemVersion = {};  // an older system
  versionCalls = 0;
  localeCalls = 0;
  localeEntries = {"1252", "0", "874"};

  EXPECT_EQ(HostCodePage(), 1252u);
  EXPECT_EQ(HostCodePage(), kSystemCodePage);
  EXPECT_EQ(HostCodePage(), 874u);

  EXPECT_EQ(versionCalls, 1);
  EXPECT_EQ(localeCalls, 3);
}

}  // namespace
}  // namespace api
