// The Windows platform layer under a real COM runtime and registry (Wine or Windows): console
// output as a host's text-mode stdout receives it, the pause, the _bstr_t conversions that
// mingw-w64 lacks, and the registration helpers of the component's self-registration.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <ostream>
#include <string>

#include "platform/platform.h"
#include "stdout_capture.h"

namespace {

using support::StdoutCapture;

TEST(WindowsConsoleTest, WritesTextModeBytesAndFlushesEachMessage) {
  StdoutCapture capture;
  platform::WriteConsoleText(L"Could not Open File");
  // Read before any flush of ours: the message must already have left the runtime's buffer.
  EXPECT_EQ(capture.Written(), "Could not Open File");
  platform::WriteConsoleText(L"\tline one\nline two\n\n");
  EXPECT_EQ(capture.Written(), "Could not Open File\tline one\r\nline two\r\n\r\n");
}

TEST(WindowsConsoleTest, CharactersTheRuntimeCannotWriteBecomeQuestionMarksAndTheRestFollows) {
  StdoutCapture capture;
  platform::WriteConsoleText(L"Desc:Gr\u00F6\u00DFe \u20AC \U0001F600 end\n");
  EXPECT_EQ(capture.Written(), "Desc:Gr\xF6\xDF" "e ? ? end\r\n");
}

TEST(WindowsConsoleTest, NullTextWritesNothing) {
  StdoutCapture capture;
  platform::WriteConsoleText(nullptr);
  platform::WriteStreamText(stdout, nullptr);
  EXPECT_EQ(capture.Written(), "");
}

TEST(WindowsConsoleTest, WritesToAnotherStream) {
  std::FILE* stream = std::tmpfile();
  ASSERT_NE(stream, nullptr);
  platform::WriteStreamText(stream, L"ERROR in TsInfo packet\n");
  std::rewind(stream);
  char bytes[64] = {};
  const std::size_t count = std::fread(bytes, 1, sizeof bytes, stream);
  std::fclose(stream);
  // tmpfile opens in binary mode, where the runtime writes the wide characters as they are.
  EXPECT_EQ(std::string(bytes, count), std::string(reinterpret_cast<const char*>(L"ERROR in TsInfo packet\n"),
                                                   23 * sizeof(wchar_t)));
}

TEST(WindowsConsoleTest, PauseShowsTheInterpretersPromptAfterEarlierOutputAndReturns) {
  StdoutCapture capture;
  platform::WriteConsoleText(L"before\n");
  platform::Pause();
  platform::WriteConsoleText(L"after");
  const std::string written = capture.Written();
  // The prompt's wording is the interpreter's: Windows says "Press any key to continue . . . "
  // and Wine "Press any key to continue... ".
  const std::string prompt = "Press any key to continue";
  ASSERT_EQ(written.compare(0, 8, "before\r\n"), 0) << written;
  EXPECT_EQ(written.compare(8, prompt.size(), prompt), 0) << written;
  EXPECT_EQ(written.substr(written.size() - 5), "after") << written;
}

struct TextCase {
  const char* name;
  const char* ansi;        // Windows-1252, the ANSI code page of Wine whatever the locale
  const wchar_t* wide;
};

void PrintTo(const TextCase& text, std::ostream* out) { *out << text.name; }

class ComUtilConversionTest : public testing::TestWithParam<TextCase> {};

TEST_P(ComUtilConversionTest, StringToBstrAndBack) {
  const TextCase& text = GetParam();
  BSTR wide = _com_util::ConvertStringToBSTR(text.ansi);
  ASSERT_NE(wide, nullptr);
  EXPECT_EQ(SysStringLen(wide), std::wcslen(text.wide));
  EXPECT_STREQ(wide, text.wide);
  char* ansi = _com_util::ConvertBSTRToString(wide);
  ASSERT_NE(ansi, nullptr);
  EXPECT_STREQ(ansi, text.ansi);
  delete[] ansi;
  SysFreeString(wide);
}

INSTANTIATE_TEST_SUITE_P(
    Windows1252, ComUtilConversionTest,
    testing::Values(TextCase{"Empty", "", L""}, TextCase{"Ascii", "Fp1-A2 %d", L"Fp1-A2 %d"},
                    TextCase{"Latin", "caf\xE9 \xB5V \xD7", L"caf\u00E9 \u00B5V \u00D7"},
                    // 0x80 and 0x9F are where 1252 differs from Latin-1.
                    TextCase{"EuroAndY", "\x80\x9F", L"\u20AC\u0178"}),
    [](const testing::TestParamInfo<TextCase>& info) { return std::string(info.param.name); });

TEST(ComUtilTest, NullStaysNull) {
  EXPECT_EQ(_com_util::ConvertStringToBSTR(nullptr), nullptr);
  EXPECT_EQ(_com_util::ConvertBSTRToString(nullptr), nullptr);
}

TEST(ComUtilTest, CharactersOutsideTheCodePageBecomeTheDefaultCharacter) {
  BSTR wide = SysAllocString(L"\u0416a\u4E2D");
  char* ansi = _com_util::ConvertBSTRToString(wide);
  ASSERT_NE(ansi, nullptr);
  EXPECT_STREQ(ansi, "?a?");
  delete[] ansi;
  SysFreeString(wide);
}

TEST(ComUtilTest, KeepsEmbeddedNulls) {
  BSTR wide = SysAllocStringLen(L"a\0b", 3);
  char* ansi = _com_util::ConvertBSTRToString(wide);
  ASSERT_NE(ansi, nullptr);
  EXPECT_EQ(std::memcmp(ansi, "a\0b\0", 4), 0);
  delete[] ansi;
  SysFreeString(wide);
}

TEST(ComUtilTest, BstrFromAnsiTextThroughBstrT) {
  const _bstr_t text("\xB1" "5 mV");
  EXPECT_EQ(text.length(), 5u);
  EXPECT_STREQ(static_cast<const wchar_t*>(text), L"\u00B15 mV");
}

// A class id of this test alone, so a registration left behind cannot hide anything else.
constexpr CLSID kTestClass = {0x0A1B2C3D, 0x4E5F, 0x6071, {0x82, 0x93, 0xA4, 0xB5, 0xC6, 0xD7, 0xE8, 0xF9}};
constexpr const char* kTestClassKey = "CLSID\\{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}";

std::string ReadClassValue(const char* subkey, const char* value) {
  const std::string key = std::string(kTestClassKey) + subkey;
  char data[MAX_PATH] = {};
  DWORD size = sizeof data;
  if (RegGetValueA(HKEY_CLASSES_ROOT, key.c_str(), value, RRF_RT_REG_SZ, nullptr, data, &size) !=
      ERROR_SUCCESS) {
    return "<missing>";
  }
  return data;
}

bool ClassKeyExists() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, kTestClassKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

class RegistrationTest : public testing::Test {
 protected:
  void TearDown() override { platform::UnregisterInprocServer(kTestClass); }
};

TEST_F(RegistrationTest, WritesInprocServerAndThreadingModel) {
  ASSERT_EQ(platform::RegisterInprocServer(kTestClass, "C:\\tapline\\first.dll", "Apartment"), S_OK);
  EXPECT_EQ(ReadClassValue("\\InprocServer32", nullptr), "C:\\tapline\\first.dll");
  EXPECT_EQ(ReadClassValue("\\InprocServer32", "ThreadingModel"), "Apartment");

  // A second registration replaces the first, as regsvr32 of another server would.
  ASSERT_EQ(platform::RegisterInprocServer(kTestClass, "C:\\tapline\\second.dll", "Both"), S_OK);
  EXPECT_EQ(ReadClassValue("\\InprocServer32", nullptr), "C:\\tapline\\second.dll");
  EXPECT_EQ(ReadClassValue("\\InprocServer32", "ThreadingModel"), "Both");
}

TEST_F(RegistrationTest, UnregisterRemovesTheClassKeyAndASecondCallSucceeds) {
  ASSERT_EQ(platform::RegisterInprocServer(kTestClass, "C:\\tapline\\first.dll", "Apartment"), S_OK);
  ASSERT_TRUE(ClassKeyExists());
  EXPECT_EQ(platform::UnregisterInprocServer(kTestClass), S_OK);
  EXPECT_FALSE(ClassKeyExists());
  EXPECT_EQ(platform::UnregisterInprocServer(kTestClass), S_OK);
}

TEST_F(RegistrationTest, RefusesANullPathAndWritesNothing) {
  EXPECT_EQ(platform::RegisterInprocServer(kTestClass, nullptr, "Apartment"), E_INVALIDARG);
  EXPECT_FALSE(ClassKeyExists());
}

TEST(ModulePathTest, NamesTheModuleThatHoldsTheAddress) {
  char expected[MAX_PATH];
  ASSERT_NE(GetModuleFileNameA(nullptr, expected, MAX_PATH), 0u);
  char path[MAX_PATH];
  ASSERT_TRUE(platform::ModulePathOf(reinterpret_cast<const void*>(&ReadClassValue), path, sizeof path));
  EXPECT_STREQ(path, expected);
}

TEST(ModulePathTest, FailsWithEmptyTextWhenThePathDoesNotFit) {
  char path[8] = {'x', 'x', 'x', 'x', 'x', 'x', 'x', 'x'};
  EXPECT_FALSE(platform::ModulePathOf(reinterpret_cast<const void*>(&ReadClassValue), path, sizeof path));
  EXPECT_EQ(path[0], '\0');
}

TEST(ModulePathTest, FailsForAnAddressOutsideEveryModule) {
  const auto heapValue = std::make_unique<int>(7);
  char path[MAX_PATH] = "unchanged";
  EXPECT_FALSE(platform::ModulePathOf(heapValue.get(), path, sizeof path));
  EXPECT_FALSE(platform::ModulePathOf(nullptr, path, sizeof path));
}

}  // namespace
