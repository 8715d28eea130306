// A recording as the component serves it: the parsed file and its packets, laid out once at
// open so that every read is a copy. Event record bytes live here until the recording closes.
#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "formats/edf/recording.h"
#include "formats/edf/result.h"

namespace edf_component {

class OpenedRecording {
 public:
  // Refuses with the parser's reason.
  static edf::Result<std::unique_ptr<OpenedRecording>> Open(const std::filesystem::path& path);

  edf::Recording& Recording() { return *recording; }
  const std::vector<std::byte>& TsInfo() const { return tsInfo; }
  const std::vector<std::byte>& SensorInfo() const { return sensorInfo; }
  const std::vector<std::byte>& EventTypeTable() const { return eventTypeTable; }
  std::vector<std::byte>& EventRecord(std::size_t index) { return eventRecords[index]; }
  std::size_t EventCount() const { return eventRecords.size(); }

 private:
  OpenedRecording() = default;
  std::unique_ptr<edf::Recording> recording;
  std::vector<std::byte> tsInfo;
  std::vector<std::byte> sensorInfo;
  std::vector<std::byte> eventTypeTable;
  std::vector<std::vector<std::byte>> eventRecords;
};

}  // namespace edf_component
