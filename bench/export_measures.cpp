#include "export_measures.h"

#include <time.h>

#include <algorithm>
#include <random>
#include <stdexcept>

#include "window_layout.h"

namespace bench {

namespace {

constexpr double kSecondsPerDay = 86400.0;

double CpuMilliseconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

double MiddleValue(std::vector<double> values) {
  const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
  std::nth_element(values.begin(), middle, values.end());
  return *middle;
}

}  // namespace

Duration Timed(const std::function<void()>& run) {
  const Clock::time_point start = Clock::now();
  const double cpuStart = CpuMilliseconds();
  run();
  return {std::chrono::duration<double, std::milli>(Clock::now() - start).count(),
          CpuMilliseconds() - cpuStart};
}

Duration Median(const std::vector<Duration>& durations) {
  if (durations.empty()) return {};
  std::vector<double> wall, cpu;
  for (const Duration& d : durations) {
    wall.push_back(d.wallMs);
    cpu.push_back(d.cpuMs);
  }
  return {MiddleValue(wall), MiddleValue(cpu)};
}

std::vector<Duration> OpenTimes(const tapline_info::TaplineLibrary& lib, const std::string& path,
                                int segments, int repetitions) {
  std::vector<Duration> opens;
  for (int i = 0; i <= repetitions; ++i) {
    int opened = 0;
    int result = 0;
    const Duration open = Timed([&] { result = lib.OpenEx(path.c_str(), &opened); });
    lib.Close();
    if (result != 1 || opened != segments) {
      throw std::runtime_error("OpenEx gave " + std::to_string(opened) + " segments of " + path);
    }
    if (i > 0) opens.push_back(open);  // the first brought the files into the cache
  }
  return opens;
}

SegmentShape ShapeOf(const tapline_info::TaplineLibrary& lib, int segment, int segmentCount) {
  std::vector<double> durations(static_cast<std::size_t>(segmentCount));
  std::vector<double> starts(durations.size());
  lib.GetSegmentTime(durations.data(), starts.data());
  SegmentShape shape;
  shape.startDay = starts.at(static_cast<std::size_t>(segment));
  shape.seconds = durations.at(static_cast<std::size_t>(segment));
  const int channels = lib.GetChannelCount(segment);
  shape.rates.assign(static_cast<std::size_t>(std::max(channels, 0)), 0.0);
  std::vector<int> counts(shape.rates.size());
  if (channels < 1 || lib.GetSegmentInf(segment, shape.rates.data(), counts.data()) != 1) {
    throw std::runtime_error("GetSegmentInf refused segment " + std::to_string(segment));
  }
  return shape;
}

std::vector<Duration> WindowTimes(const tapline_info::TaplineLibrary& lib,
                                  const SegmentShape& segment, double rate, double seconds,
                                  int windows, const WindowCheck& check) {
  std::int64_t capacity = 0;
  for (const double channelRate : segment.rates)
    capacity += tapline_info::WindowCapacity(channelRate, seconds);
  std::vector<std::int16_t> buffer(static_cast<std::size_t>(capacity));
  std::mt19937_64 random(20261209);
  const auto lastStart = static_cast<std::int64_t>((segment.seconds - seconds) * rate) - 1;
  std::uniform_int_distribution<std::int64_t> samplesBefore(0, lastStart);
  std::vector<Duration> times;
  for (int i = 0; i < windows; ++i) {
    const std::int64_t before = samplesBefore(random);
    const double offset = (static_cast<double>(before) + 0.5) / rate;
    const double date = segment.startDay + offset / kSecondsPerDay;
    int result = 0;
    times.push_back(Timed([&] { result = lib.GetData2(date, seconds, buffer.data()); }));
    if (result != 1)
      throw std::runtime_error("GetData2 refused a window at " + std::to_string(offset) + " s");
    check(buffer, before + 1);
  }
  return times;
}

Duration ListEvents(const tapline_info::TaplineLibrary& lib, int expected, const EventCheck& check) {
  return Timed([&] {
    int count = 0;
    lib.GetEventCount(&count);
    if (count != expected) throw std::runtime_error("GetEventCount gave " + std::to_string(count));
    for (int i = 0; i < count; ++i) {
      int typeIndex = -1;
      char text1[33] = {}, text2[33] = {}, label[33] = {};
      double duration = 0.0, time = 0.0;
      lib.GetEvents(i, &typeIndex, text1, text2, label, &duration, &time);
      check(i, typeIndex, label);
    }
  });
}

Duration ListEvents(const tapline_info::TaplineLibrary& lib, int expected) {
  return ListEvents(lib, expected, [](int index, int typeIndex, const char* label) {
    if (typeIndex < 0 || label[0] == '\0') {
      throw std::runtime_error("event " + std::to_string(index) + " came back without a type or label");
    }
  });
}

}  // namespace bench
