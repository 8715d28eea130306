// The packets of an open recording, laid out once when it is opened (see
// include/tapline_edf/packet_layout.h for the entries).
#pragma once

#include <cstddef>
#include <vector>

#include "formats/edf/recording.h"
#include "platform/platform.h"

namespace edf_component {

// One entry per channel; the same for every segment (EDF signals do not change).
std::vector<std::byte> BuildTsInfo(const edf::Recording& recording);
std::vector<std::byte> BuildSensorInfo(const edf::Recording& recording);

struct EventTypes {
  std::vector<std::byte> table;
  std::vector<GUID> typeOfEvent;  // per event, in event order
};
// The library copies the whole event type table for every event it lists, so the table's size
// sets the cost of listing events: a recording with many distinct annotation texts gets types
// for its most frequent ones only, and the events of the others share one type (text 1
// kSharedTypeText; their labels keep their texts), however many annotation signals hold them. Measured on 20,000 events of
// distinct texts: 64 types (74 KB) list them in about 0.45-0.65 s, 128 in 0.5-0.8 s, 256 (295 KB,
// past the size that malloc maps afresh for every call) in 1.7-1.9 s.
inline constexpr std::size_t kMostTextTypes = 64;
inline constexpr const char* kSharedTypeText = "Other annotations";

// One type per distinct text, in order of the first event with each, when there are at most
// kMostTextTypes texts; else the kMostTextTypes most frequent texts (ties: the one seen first)
// keep theirs and the rest share one type, placed where its first event appears.
EventTypes BuildEventTypes(const edf::Recording& recording);

std::vector<std::byte> BuildEventRecord(const edf::Recording& recording, const edf::Event& event,
                                        const GUID& type);

}  // namespace edf_component
