#include "com/opened_recording.h"

#include <bit>
#include <limits>

#include "formats/format_registry.h"
#include "model/sample_grid.h"
#include "model/time_range.h"
#include "packets/packet_builders.h"

namespace open_formats {

common::Result<std::unique_ptr<OpenedRecording>> OpenedRecording::Open(
    const std::filesystem::path& path) {
  auto parsed = formats::OpenRecordingFile(path);
  if (!parsed.Ok())
    return common::Result<std::unique_ptr<OpenedRecording>>::Refuse(parsed.Reason());
  return Serve(std::move(parsed.Value()));
}

common::Result<std::unique_ptr<OpenedRecording>> OpenedRecording::Serve(
    model::Recording recording) {
  using OpenResult = common::Result<std::unique_ptr<OpenedRecording>>;
  // One rule for every format: the windows place every sample exactly.
  if (auto refusal = model::CheckSampleArithmetic(recording)) return OpenResult::Refuse(*refusal);
  if (auto refusal = model::CheckTimeRange(recording)) return OpenResult::Refuse(*refusal);
  if (auto refusal = model::CheckSampleSpacing(recording)) return OpenResult::Refuse(*refusal);
  // Counts and packet sizes travel as 32-bit integers.
  constexpr std::size_t kLimit = std::numeric_limits<std::int32_t>::max();
  if (recording.segments.size() > kLimit || recording.events.size() > kLimit) {
    return OpenResult::Refuse("the recording has more segments or events than can be counted");
  }
  std::unique_ptr<OpenedRecording> opened(new OpenedRecording);
  opened->recording = std::move(recording);
  const model::Recording& r = opened->recording;
  for (const model::Layout& layout : r.layouts) {
    for (const model::Channel& channel : layout.channels) {
      if (channel.samplesPerFrame > std::numeric_limits<std::int32_t>::max()) {
        return OpenResult::Refuse("a channel has more samples per frame than can be counted");
      }
    }
    opened->tsInfos.push_back(BuildTsInfo(layout));
    if (opened->tsInfos.back().size() > kLimit) {
      return OpenResult::Refuse("the recording's channel table is too large");
    }
    opened->calibrations.push_back(BuildCalibration(layout));
  }
  opened->sensorInfo = r.layouts.empty() ? BuildSensorInfo({}) : BuildSensorInfo(r.layouts[0]);
  EventTypes types = BuildEventTypes(r);
  if (types.table.size() > kLimit) {
    return OpenResult::Refuse("the recording's event type table is too large");
  }
  opened->eventTypeTable = std::move(types.table);
  opened->eventTypes = std::move(types.typeOfEvent);
  opened->eventRecords.resize(r.events.size());
  return opened;
}

std::vector<std::byte>& OpenedRecording::EventRecord(std::size_t index) {
  std::vector<std::byte>& record = eventRecords[index];
  if (record.empty()) record = BuildEventRecord(recording.events[index], eventTypes[index]);
  return record;
}

std::optional<model::WindowStart> OpenedRecording::WindowStartAt(double days, double seconds,
                                                                 double duration) {
  const WindowQuery query{std::bit_cast<std::uint64_t>(days), std::bit_cast<std::uint64_t>(seconds),
                          std::bit_cast<std::uint64_t>(duration)};
  if (!lastWindow || lastWindow->query != query) {
    lastWindow = LocatedWindow{query, model::LocateWindowStart(recording, days, seconds, duration)};
  }
  return lastWindow->start;
}

}  // namespace open_formats
