// The packets of an open recording, laid out once when it is opened (see packet_layout.h
// for the entries).
#pragma once

#include <cstddef>
#include <vector>

#include "model/recording_model.h"
#include "platform/platform.h"

namespace open_formats {

// One entry per channel of the layout: TsInfo for each segment with it, SensorInfo for the
// recording (from its first layout).
std::vector<std::byte> BuildTsInfo(const model::Layout& layout);
std::vector<std::byte> BuildSensorInfo(const model::Layout& layout);
// One entry per channel of the layout, served per segment beside its TsInfo.
std::vector<std::byte> BuildCalibration(const model::Layout& layout);

struct EventTypes {
  std::vector<std::byte> table;
  std::vector<GUID> typeOfEvent;  // per event, in event order
};
// The library copies the whole event type table for every event it lists, so the table's size
// sets the cost of listing events: a recording with many distinct event kinds gets types for
// its most frequent ones only, and the events of the others share one type, in every format
// (the labels keep their texts). Measured on
// 20,000 events of distinct texts: 64 types (74 KB) list them in about 0.45-0.65 s, 128 in
// 0.5-0.8 s, 256 (295 KB, past the size that malloc maps afresh for every call) in 1.7-1.9 s.
inline constexpr std::size_t kMostTextTypes = 64;

// One type per event kind, in order of the first event of each, when there are at most
// kMostTextTypes kinds; else the kMostTextTypes most frequent kinds (ties: the one seen first)
// keep theirs and the events of the rest share the recording's one shared type, placed where
// its first such event appears.
EventTypes BuildEventTypes(const model::Recording& recording);

std::vector<std::byte> BuildEventRecord(const model::Event& event, const GUID& type);

}  // namespace open_formats
