// tapline_open_formats.dll registered in the system registry by its own DllRegisterServer,
// created by tapline.dll through the system's CoCreateInstance, and read through the twelve exports. Text
// reaches the host in the thread's ANSI code page, which under Wine is Windows-1252.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "edf_writer.h"
#include "loaded_library.h"
#include "platform/platform.h"
#include "reader/reader_ids.h"
#include "stdout_capture.h"
#include "storage_man_registration.h"

namespace {

using support::LoadedLibrary;
using support::StdoutCapture;

constexpr const char* kInprocServerKey =
    "CLSID\\{57DDCF4E-D7BF-4446-957D-1F45B9D8CC62}\\InprocServer32";

std::string ReadInprocServerValue(const char* value) {
  char data[MAX_PATH] = {};
  DWORD size = sizeof data;
  if (RegGetValueA(HKEY_CLASSES_ROOT, kInprocServerKey, value, RRF_RT_REG_SZ, nullptr, data,
                   &size) != ERROR_SUCCESS) {
    return "<missing>";
  }
  return data;
}

// Calls DllRegisterServer or DllUnregisterServer of the module; E_NOTIMPL when it lacks it.
HRESULT CallServerFunction(HMODULE module, const char* name) {
  const FARPROC address = GetProcAddress(module, name);
  if (address == nullptr) return E_NOTIMPL;
  // Both take nothing and return an HRESULT; the detour through void (*)() says the cast is meant.
  return reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(reinterpret_cast<void (*)()>(address))();
}

// Distinct per channel and position, so a swapped channel or offset shows.
std::vector<std::int16_t> Samples(int channel, int record, int perRecord) {
  std::vector<std::int16_t> samples;
  for (int k = 0; k < perRecord; ++k) {
    samples.push_back(static_cast<std::int16_t>(channel * 1000 + record * perRecord + k + 1));
  }
  return samples;
}

// EDF+C, 3 one-second records: "EEG µV" (Latin-1 0xB5 in the header) at 4 Hz, "Resp" at 2 Hz,
// and annotations in UTF-8: "Müde" (in 1252), "Ж" (not in 1252), "Lights off".
std::string RecordingBytes() {
  edf_writer::EdfWriter writer;
  writer.header.reserved = "EDF+C";
  writer.header.recording = "Startdate 01-FEB-2003 X X X";
  writer.AddSignal("EEG \xB5V", 4);
  writer.AddSignal("Resp", 2);
  writer.AddAnnotationSignal(30);
  const std::vector<std::string> annotations = {
      edf_writer::Tal("+0.5", "1", {"M\xC3\xBC" "de"}), edf_writer::Tal("+1", std::nullopt, {"\xD0\x96"}),
      edf_writer::Tal("+2.25", "0.5", {"Lights off"})};
  for (int record = 0; record < 3; ++record) {
    // Appended rather than "+" + ...: GCC 12 warns falsely (-Wrestrict) on that form.
    std::string onset = "+";
    onset += std::to_string(record);
    writer.AddRecord({Samples(0, record, 4), Samples(1, record, 2),
                      edf_writer::TimeKeepingTal(onset) + annotations[record]});
  }
  return writer.FileBytes();
}

class RegisteredComponentTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (windows_test::StorageManIsRegistered()) return;  // a real component: leave it alone
    component = LoadLibraryA("tapline_open_formats.dll");
    if (component == nullptr) return;
    registered = CallServerFunction(component, "DllRegisterServer") == S_OK;

    folder = std::filesystem::temp_directory_path() / "tapline-windows-component-test";
    std::filesystem::create_directories(folder);
    // A name with characters of the ANSI code page beyond ASCII: the path travels from the
    // host's 1252 bytes through UTF-16 to the component's file open.
    recording = folder / L"Gr\u00FC\u00DFe \u20AC.edf";
    // Opened by its wide name: a narrow one would pass through another code page.
    const std::string bytes = RecordingBytes();
    std::ofstream(recording, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }

  static void TearDownTestSuite() {
    if (component == nullptr) return;
    if (registered) CallServerFunction(component, "DllUnregisterServer");
    FreeLibrary(component);
    component = nullptr;
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
  }

  void SetUp() override {
    if (component == nullptr && windows_test::StorageManIsRegistered()) {
      GTEST_SKIP() << "a reader component is registered here";
    }
    ASSERT_TRUE(registered) << "tapline_open_formats.dll did not register";
    ASSERT_TRUE(library.IsLoaded());
  }

  // The recording's path as a host passes it: 8-bit text in the ANSI code page.
  static std::string HostPath() {
    const std::wstring wide = recording.wstring();
    char bytes[MAX_PATH * 2] = {};
    WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, bytes, sizeof bytes, nullptr, nullptr);
    return bytes;
  }

  static inline HMODULE component = nullptr;
  static inline bool registered = false;
  static inline std::filesystem::path folder;
  static inline std::filesystem::path recording;

  LoadedLibrary library{"tapline.dll"};
};

TEST_F(RegisteredComponentTest, RegistrationNamesTheModuleWithApartmentThreading) {
  char modulePath[MAX_PATH];
  ASSERT_NE(GetModuleFileNameA(component, modulePath, MAX_PATH), 0u);
  EXPECT_EQ(ReadInprocServerValue(nullptr), modulePath);
  EXPECT_EQ(ReadInprocServerValue("ThreadingModel"), "Apartment");
}

TEST_F(RegisteredComponentTest, MissingFileGivesTheOpenMessageAndKeepsTheCount) {
  int segmentCount = -3;
  std::string written;
  {
    StdoutCapture capture;
    EXPECT_EQ(library.OpenEx("C:\\no such folder\\none.edf", &segmentCount), 0);
    written = capture.Written();
  }
  EXPECT_EQ(written, "Could not Open File");
  EXPECT_EQ(segmentCount, -3);
  EXPECT_EQ(library.Close(), 1);
}

TEST_F(RegisteredComponentTest, ReadsTheRecordingThroughTheExports) {
  int segmentCount = -1;
  ASSERT_EQ(library.OpenEx(HostPath().c_str(), &segmentCount), 1) << HostPath();
  EXPECT_EQ(segmentCount, 1);

  ASSERT_EQ(library.GetChannelCount(0), 2);
  double rates[2] = {};
  int counts[2] = {};
  ASSERT_EQ(library.GetSegmentInf(0, rates, counts), 1);
  EXPECT_EQ(rates[0], 4.0);
  EXPECT_EQ(rates[1], 2.0);
  ASSERT_EQ(counts[0], 12);
  ASSERT_EQ(counts[1], 6);

  std::vector<short> samples(18, 0);
  ASSERT_EQ(library.GetData(0, samples.data()), 1);
  std::vector<short> expected;
  for (int channel = 0; channel < 2; ++channel) {
    for (int record = 0; record < 3; ++record) {
      for (std::int16_t value : Samples(channel, record, channel == 0 ? 4 : 2)) expected.push_back(value);
    }
  }
  EXPECT_EQ(samples, expected);
  EXPECT_EQ(library.Close(), 1);
}

TEST_F(RegisteredComponentTest, TextsArriveInCodePage1252) {
  int segmentCount = -1;
  ASSERT_EQ(library.OpenEx(HostPath().c_str(), &segmentCount), 1);

  char name[33] = {};
  ASSERT_EQ(library.GetChannelInf(0, 0, name), 1);
  EXPECT_STREQ(name, "EEG \xB5V");

  int eventCount = 0;
  ASSERT_EQ(library.GetEventCount(&eventCount), 1);
  ASSERT_EQ(eventCount, 3);
  // A character 1252 lacks becomes its default character, "?".
  const char* const expectedLabels[] = {"M\xFC" "de", "?", "Lights off"};
  for (int event = 0; event < eventCount; ++event) {
    int typeIndex = -1;
    char text1[33] = {}, text2[33] = {}, label[33] = {};
    double duration = -1.0, time = -1.0;
    library.GetEvents(event, &typeIndex, text1, text2, label, &duration, &time);
    EXPECT_STREQ(label, expectedLabels[event]) << "event " << event;
    EXPECT_STREQ(text1, expectedLabels[event]) << "event " << event;
  }
  EXPECT_EQ(library.Close(), 1);
}

}  // namespace
