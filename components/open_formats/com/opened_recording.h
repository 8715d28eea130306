// A recording as the component serves it: the model a format built from its files and its
// packets, laid out once at open so that every read is a copy. Event record bytes live here
// until the recording closes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

#include "common/result.h"
#include "model/recording_model.h"
#include "model/window_rule.h"
#include "platform/platform.h"

namespace open_formats {

class OpenedRecording {
 public:
  // Refuses with the format's reason (or, for a file no format recognises, EDF's).
  static common::Result<std::unique_ptr<OpenedRecording>> Open(const std::filesystem::path& path);
  // Serves a model a format built; refuses one whose numbers the packets cannot carry, with
  // times outside 1899-12-30 to 9999-12-31, or with samples closer than its day numbers place
  // (2 us apart until 2079-06-04; model::CheckSampleSpacing).
  static common::Result<std::unique_ptr<OpenedRecording>> Serve(model::Recording recording);

  model::Recording& Recording() { return recording; }
  // The TsInfo packet of the segment's layout.
  const std::vector<std::byte>& TsInfo(std::size_t segment) const {
    return tsInfos[recording.segments[segment].layout];
  }
  // The calibration packet of the segment's layout.
  const std::vector<std::byte>& Calibration(std::size_t segment) const {
    return calibrations[recording.segments[segment].layout];
  }
  const std::vector<std::byte>& SensorInfo() const { return sensorInfo; }
  const std::vector<std::byte>& EventTypeTable() const { return eventTypeTable; }
  // The event's record, built when it is first asked for and kept until the recording closes,
  // so that what a host was handed stays readable: opening a recording of many events builds
  // none of them.
  std::vector<std::byte>& EventRecord(std::size_t index);
  std::size_t EventCount() const { return eventTypes.size(); }
  // LocateWindowStart in the recording. A read asks for the sample count of every channel,
  // each time with the same start and duration, and then for the samples: the last answer is
  // kept for the same arguments.
  std::optional<model::WindowStart> WindowStartAt(double days, double seconds, double duration);

 private:
  // A window's arguments, bit for bit.
  struct WindowQuery {
    std::uint64_t days = 0;
    std::uint64_t seconds = 0;
    std::uint64_t duration = 0;
    bool operator==(const WindowQuery&) const = default;
  };
  struct LocatedWindow {
    WindowQuery query;
    std::optional<model::WindowStart> start;
  };

  OpenedRecording() = default;
  model::Recording recording;
  std::vector<std::vector<std::byte>> tsInfos;       // per layout
  std::vector<std::vector<std::byte>> calibrations;  // per layout, each smaller than its TsInfo
  std::vector<std::byte> sensorInfo;
  std::vector<std::byte> eventTypeTable;
  std::vector<GUID> eventTypes;                      // per event
  std::vector<std::vector<std::byte>> eventRecords;  // per event; empty until asked for
  std::optional<LocatedWindow> lastWindow;
};

}  // namespace open_formats
