#include "host_fixture.h"

#include <chrono>

#include "module_registration.h"
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
  // The library must find the component through the registry alone.
  ASSERT_EQ(support::RegisterModule(TAPLINE_EDF_MODULE), "");
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

double HostTest::SegmentStart() {
  double duration = 0, start = 0;
  GetSegmentTime(&duration, &start);
  return start;
}

std::string HostTest::ConsoleOutputOf(const std::function<void()>& action) {
  support::StdoutCapture capture;
  action();
  return capture.Finish();
}

}  // namespace end_to_end
