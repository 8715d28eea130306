// A recording as the component serves it: the parsed file and its packets, laid out once at
// open so that every read is a copy. Event record bytes live here until the recording closes.
#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "format/recording.h"
#include "format/result.h"

namespace edf_component {

class OpenedRecording {
 public:
  // Refuses with the parser's reason.
  static edf::Result<std::unique_ptr<OpenedRecording>> Open(const std::filesystem::path& path);

  edf::Recording& recording() { return *recording_; }
  const std::vector<std::byte>& tsInfo() const { return tsInfo_; }
  const std::vector<std::byte>& sensorInfo() const { return sensorInfo_; }
  const std::vector<std::byte>& eventTypeTable() const { return eventTypeTable_; }
  std::vector<std::byte>& eventRecord(std::size_t index) { return eventRecords_[index]; }
  std::size_t eventCount() const { return eventRecords_.size(); }

 private:
  OpenedRecording() = default;
  std::unique_ptr<edf::Recording> recording_;
  std::vector<std::byte> tsInfo_;
  std::vector<std::byte> sensorInfo_;
  std::vector<std::byte> eventTypeTable_;
  std::vector<std::vector<std::byte>> eventRecords_;
};

}  // namespace edf_component
