// exports_beside_benchmark [FOLDER]: what the exports beside the twelve cost a host, each beside
// the export of the twelve it is measured against.
//  - A 64-channel EDF (256 Hz, 1 hour): GetChannelCalibration + GetChannelUnit of a channel, and
//    GetWindowCounts of a 4-s window, against one GetChannelInf.
//  - An EDF+C of 100,000 annotations of distinct texts: all three whole texts of every event
//    (GetEventText) against GetEvents for every event.
// Files go to FOLDER (default /tmp) and are reused while their size is right; the component is
// registered in a private class registry. Every answer is checked; wall and processor time
// are printed, since the machine may be shared.
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "component_registry.h"
#include "timing.h"
#include "edf_writer.h"
#include "long_recording_files.h"
#include "tapline_library.h"
#include "written_file.h"

namespace {

constexpr int kChannels = 64;
constexpr int kRate = 256;
constexpr int kSeconds = 3600;
constexpr int kRounds = 200;  // of every channel, for the per-call figures
constexpr int kEvents = 100'000;

struct Timing {
  double wall = 0.0;
  double processor = 0.0;
};

using bench::Time;

void Check(bool ok, const std::string& what) {
  if (!ok) throw std::runtime_error(what);
}

void EnsureChannelsRecording(const std::string& path) {
  edf_writer::EdfWriter writer;
  for (int c = 0; c < kChannels; ++c) writer.AddSignal("EEG " + std::to_string(c), kRate);
  writer.header.recordCount = std::to_string(kSeconds);
  if (recording_writers::HasSize(path, writer.FileSize(kSeconds))) return;
  edf_writer::RecordStream out(writer, path);
  const edf_writer::SignalData record = std::vector<std::int16_t>(kRate, 7);
  for (int second = 0; second < kSeconds; ++second) {
    out.Write(std::vector<edf_writer::SignalData>(kChannels, record));
  }
  out.Finish();
}

void MeasureChannels(const tapline_info::TaplineLibrary& lib, const std::string& path) {
  EnsureChannelsRecording(path);
  int segments = 0;
  Check(lib.OpenEx(path.c_str(), &segments) == 1 && segments == 1, "OpenEx refused " + path);
  double duration = 0, start = 0;
  lib.GetSegmentTime(&duration, &start);
  const double calls = double{kRounds} * kChannels;
  const bench::Timing names = Time([&] {
    for (int round = 0; round < kRounds; ++round) {
      for (int c = 0; c < kChannels; ++c) {
        char name[33] = {};
        Check(lib.GetChannelInf(0, c, name) == 1, "GetChannelInf failed");
      }
    }
  });
  const bench::Timing calibration = Time([&] {
    for (int round = 0; round < kRounds; ++round) {
      for (int c = 0; c < kChannels; ++c) {
        double gain = 0, offset = 0;
        char unit[16];
        Check(lib.GetChannelCalibration(0, c, &gain, &offset) == 1 && gain > 0, "no calibration");
        Check(lib.GetChannelUnit(0, c, unit, sizeof unit) == 3, "no unit");
      }
    }
  });
  std::vector<int> counts(kChannels);
  const double windowStart = start + 1800.0 / 86400;
  const bench::Timing windowCounts = Time([&] {
    for (int round = 0; round < kRounds * kChannels; ++round) {
      Check(lib.GetWindowCounts(windowStart, 4.0, counts.data(), kChannels) == 1 && counts[63] == 4 * kRate,
            "wrong window counts");
    }
  });
  lib.Close();
  std::printf("%d channels, %d calls each:\n", kChannels, kRounds * kChannels);
  std::printf("  GetChannelInf                          %7.2f us a call (CPU %7.2f us)\n",
              names.wall / calls * 1e6, names.processor / calls * 1e6);
  std::printf("  GetChannelCalibration + GetChannelUnit %7.2f us a channel (CPU %7.2f us)\n",
              calibration.wall / calls * 1e6, calibration.processor / calls * 1e6);
  std::printf("  GetWindowCounts, 4-s window            %7.2f us a call (CPU %7.2f us)\n",
              windowCounts.wall / calls * 1e6, windowCounts.processor / calls * 1e6);
}

void MeasureEventTexts(const tapline_info::TaplineLibrary& lib, const std::string& path) {
  long_recording::EnsureDistinctTextsRecording(path, kEvents);
  int segments = 0, count = 0;
  Check(lib.OpenEx(path.c_str(), &segments) == 1, "OpenEx refused " + path);
  lib.GetEventCount(&count);
  Check(count == kEvents, "wrong event count");
  const bench::Timing getEvents = Time([&] {
    for (int i = 0; i < count; ++i) {
      int type = -1;
      char text1[33] = {}, text2[33] = {}, label[33] = {};
      double duration = 0, time = 0;
      lib.GetEvents(i, &type, text1, text2, label, &duration, &time);
      Check(type >= 0, "GetEvents could not read event " + std::to_string(i));
    }
  });
  const bench::Timing wholeTexts = Time([&] {
    for (int i = 0; i < count; ++i) {
      char label[64], text1[64], text2[64];
      Check(lib.GetEventText(i, TAPLINE_EVENT_LABEL, label, sizeof label) > 0 &&
                long_recording::EventText(i) == label,
            "wrong label of event " + std::to_string(i));
      Check(lib.GetEventText(i, TAPLINE_EVENT_TYPE_TEXT1, text1, sizeof text1) > 0, "no type text 1");
      Check(lib.GetEventText(i, TAPLINE_EVENT_TYPE_TEXT2, text2, sizeof text2) > 0, "no type text 2");
    }
  });
  lib.Close();
  std::printf("%d events of distinct texts:\n", count);
  std::printf("  GetEvents for each                     %7.3f s (CPU %7.3f s)\n", getEvents.wall,
              getEvents.processor);
  std::printf("  GetEventText x 3 for each              %7.3f s (CPU %7.3f s), %.2f x GetEvents\n",
              wholeTexts.wall, wholeTexts.processor, wholeTexts.wall / getEvents.wall);
}

}  // namespace

int main(int argc, char** argv) {
  try {
    const std::string folder = argc > 1 ? argv[1] : "/tmp";
    tapline_info::TaplineLibrary lib;
    const std::string registry = bench::LoadLibraryWithComponent(bench::ExecutableFolder(), lib);
    MeasureChannels(lib, folder + "/tapline-bench-64-channels.edf");
    MeasureEventTexts(lib, folder + "/tapline-bench-100000-events.edf");
    std::filesystem::remove_all(registry);
    return 0;
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "exports_beside_benchmark: %s\n", failure.what());
    return 1;
  }
}
