#include "host_fixture.h"

#include <dlfcn.h>

#include <chrono>

#include "platform/platform.h"
#include "stdout_capture.h"

namespace end_to_end {
namespace {

// 01.02.03 04.05.06 as seconds since 1899-12-30 00:00, worked out apart from the component.
std::int64_t HeaderStartSecond() {
  using namespace std::chrono;
  const auto days = (sys_days{2003y / February / 1} - sys_days{1899y / December / 30}).count();
  return days * 86400 + 4 * 3600 + 5 * 60 + 6;
}

bool HasApartment() {
  APTTYPE type;
  APTTYPEQUALIFIER qualifier;
  return SUCCEEDED(CoGetApartmentType(&type, &qualifier));
}

// The module registers itself the way tapline-regsvr has it do, then leaves the process
// again: the library must find it through the registry alone.
void RegisterComponent() {
  void* module = dlopen(TAPLINE_EDF_MODULE, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(module, nullptr) << dlerror();
  // dlsym hands out addresses as void*; the module exports the function with this signature.
  const auto registerServer = reinterpret_cast<DllRegisterServerFunction>(dlsym(module, "DllRegisterServer"));
  ASSERT_NE(registerServer, nullptr);
  EXPECT_EQ(registerServer(), S_OK);
  dlclose(module);
}

}  // namespace

const std::int64_t kHeaderSecond = HeaderStartSecond();

double DayNumberAt(std::int64_t micros) {
  return static_cast<double>(kHeaderSecond * 1'000'000 + micros) / 86400e6;
}

double MicrosFromHeaderStart(double dayNumber) {
  return (dayNumber - static_cast<double>(kHeaderSecond) / 86400.0) * 86400e6;
}

void HostTest::SetUp() {
  ASSERT_FALSE(HasApartment()) << "an earlier test left an apartment behind";
  ASSERT_NO_FATAL_FAILURE(RegisterComponent());
  library = std::make_unique<support::LoadedLibrary>(TAPLINE_LIBRARY_PATH);
  static_cast<tapline_host::TaplineExports&>(*this) = *library;
}

void HostTest::TearDown() {
  if (!library) return;
  EXPECT_EQ(Close(), 1);
  EXPECT_TRUE(library->Unload()) << "libtapline.so stayed loaded";
  EXPECT_FALSE(HasApartment()) << "Close left an apartment open";
}

int HostTest::Open(const std::string& bytes) {
  const std::string path = WriteFile(bytes);
  int segmentCount = -1;
  std::string output;
  const int opened = [&] {
    support::StdoutCapture capture;
    const int result = OpenEx(path.c_str(), &segmentCount);
    output = capture.Finish();
    return result;
  }();
  EXPECT_EQ(output, "");
  return opened == 1 ? segmentCount : -1;
}

std::string HostTest::ConsoleOutputOf(const std::function<void()>& action) {
  support::StdoutCapture capture;
  action();
  return capture.Finish();
}

}  // namespace end_to_end
