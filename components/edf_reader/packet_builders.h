// The packets of an open recording, laid out once when it is opened (see
// include/tapline_edf/packet_layout.h for the entries).
#pragma once

#include <cstddef>
#include <vector>

#include "format/recording.h"
#include "platform/platform.h"

namespace edf_component {

// One entry per channel; the same for every segment (EDF signals do not change).
std::vector<std::byte> BuildTsInfo(const edf::Recording& recording);
std::vector<std::byte> BuildSensorInfo(const edf::Recording& recording);

struct EventTypes {
  std::vector<std::byte> table;
  std::vector<GUID> typeOfEvent;  // per event, in event order
};
// Distinct texts in order of first appearance among the events.
EventTypes BuildEventTypes(const edf::Recording& recording);

std::vector<std::byte> BuildEventRecord(const edf::Recording& recording, const edf::Event& event,
                                        const GUID& type);

}  // namespace edf_component
