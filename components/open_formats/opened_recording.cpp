#include "opened_recording.h"

#include <limits>

#include "packet_builders.h"

namespace edf_component {

edf::Result<std::unique_ptr<OpenedRecording>> OpenedRecording::Open(const std::filesystem::path& path) {
  using OpenResult = edf::Result<std::unique_ptr<OpenedRecording>>;
  auto parsed = edf::Recording::OpenNative(path);
  if (!parsed.Ok()) return OpenResult::Refuse(parsed.Reason());
  std::unique_ptr<OpenedRecording> opened(new OpenedRecording);
  opened->recording = std::move(parsed.Value());
  const edf::Recording& recording = *opened->recording;
  // Counts and packet sizes travel as 32-bit integers.
  constexpr std::size_t kLimit = std::numeric_limits<std::int32_t>::max();
  if (recording.Segments().size() > kLimit || recording.Events().size() > kLimit) {
    return OpenResult::Refuse("the recording has more segments or events than can be counted");
  }
  opened->tsInfo = BuildTsInfo(recording);
  opened->sensorInfo = BuildSensorInfo(recording);
  EventTypes types = BuildEventTypes(recording);
  if (opened->tsInfo.size() > kLimit || types.table.size() > kLimit) {
    return OpenResult::Refuse("the recording's channel or event type table is too large");
  }
  opened->eventTypeTable = std::move(types.table);
  opened->eventRecords.reserve(recording.Events().size());
  for (std::size_t i = 0; i < recording.Events().size(); ++i) {
    opened->eventRecords.push_back(BuildEventRecord(recording, recording.Events()[i], types.typeOfEvent[i]));
  }
  return opened;
}

}  // namespace edf_component
