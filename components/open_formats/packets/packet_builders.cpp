#include "packets/packet_builders.h"

#include <algorithm>
#include <cstdint>
#include <string>

#include "model/sample_grid.h"
#include "packets/name_based_guid.h"
#include "packets/packet_layout.h"
#include "packets/packet_writer.h"
#include "packets/time_conversion.h"
#include "reader/reader_ids.h"
#include "text/utf8_cut.h"

namespace open_formats {

namespace {

using namespace packet_layout;

constexpr std::size_t kNoType = static_cast<std::size_t>(-1);

void PutTableCount(PacketWriter& packet, std::size_t headerBytes, std::size_t count) {
  const auto entries = static_cast<std::uint32_t>(count);
  packet.Put(headerBytes - kTableEntryCountFromHeaderEnd, entries);      // entryCount
  packet.Put(headerBytes - kTableEntryCountFromHeaderEnd + 4, entries);  // entryCapacity
}

}  // namespace

std::vector<std::byte> BuildTsInfo(const model::Layout& layout) {
  const std::size_t count = layout.channels.size();
  PacketWriter packet(reader::kTsInfoKind, kTsInfoHeaderBytes + kTsInfoEntryBytes * count);
  PutTableCount(packet, kTsInfoHeaderBytes, count);
  // Whole ticks for an EDF data record; a frame of a fractional length is rounded.
  const model::Fraction frame = layout.frameTicks;
  const std::int64_t frameTicks = (frame.numerator + frame.denominator / 2) / frame.denominator;
  for (std::size_t channel = 0; channel < count; ++channel) {
    const model::Channel& c = layout.channels[channel];
    const model::ChannelDetails& details = c.details;
    const std::size_t entry = kTsInfoHeaderBytes + kTsInfoEntryBytes * channel;
    packet.PutUtf16(entry + ts_info_entry::kChannelName, c.name, ts_info_entry::kChannelNameUnits);
    packet.Put(entry + ts_info_entry::kChannelValue, model::SamplingRate(layout, channel));
    packet.Put(entry + ts_info_entry::kPhysicalMinimum, details.physicalMinimum);
    packet.Put(entry + ts_info_entry::kPhysicalMaximum, details.physicalMaximum);
    packet.Put(entry + ts_info_entry::kDigitalMinimum, details.digitalMinimum);
    packet.Put(entry + ts_info_entry::kDigitalMaximum, details.digitalMaximum);
    // Checked at open to fit.
    packet.Put(entry + ts_info_entry::kSamplesPerRecord,
               static_cast<std::int32_t>(c.samplesPerFrame));
    packet.PutBytes(entry + ts_info_entry::kPhysicalDimension, details.physicalDimension, 8);
    packet.PutBytes(entry + ts_info_entry::kTransducer, details.transducer, 80);
    packet.PutBytes(entry + ts_info_entry::kPrefiltering, details.prefiltering, 80);
    packet.Put(entry + ts_info_entry::kRecordDurationTicks, frameTicks);
  }
  return packet.Take();
}

std::vector<std::byte> BuildCalibration(const model::Layout& layout) {
  using namespace calibration_entry;
  const std::size_t count = layout.channels.size();
  PacketWriter packet(reader::kCalibrationKind,
                      kCalibrationHeaderBytes + kCalibrationEntryBytes * count);
  PutTableCount(packet, kCalibrationHeaderBytes, count);
  for (std::size_t channel = 0; channel < count; ++channel) {
    const model::Calibration& calibration = layout.channels[channel].details.calibration;
    if (!calibration.known) continue;
    const std::size_t entry = kCalibrationHeaderBytes + kCalibrationEntryBytes * channel;
    std::uint32_t flags = kFlagCalibrated;
    if (calibration.hasPhysicalRange) flags |= kFlagPhysicalRange;
    if (calibration.invalidValue) flags |= kFlagInvalidValue;
    packet.Put(entry + kFlags, flags);
    packet.Put(entry + kInvalidValue, std::int32_t{calibration.invalidValue.value_or(0)});
    packet.Put(entry + kGain, calibration.gain);
    packet.Put(entry + kOffset, calibration.offset);
    if (calibration.hasPhysicalRange) {
      packet.Put(entry + kPhysicalMinimum, calibration.physicalMinimum);
      packet.Put(entry + kPhysicalMaximum, calibration.physicalMaximum);
    }
    const std::string_view unit = text::CutUtf8(calibration.unit, kUnitCapacity);
    packet.Put(entry + kUnitBytes, static_cast<std::uint32_t>(unit.size()));
    packet.PutBytes(entry + kUnit, unit, kUnitCapacity);
  }
  return packet.Take();
}

std::vector<std::byte> BuildSensorInfo(const model::Layout& layout) {
  const std::size_t count = layout.channels.size();
  PacketWriter packet(reader::kSensorInfoKind,
                      kSensorInfoHeaderBytes + kSensorInfoEntryBytes * count);
  PutTableCount(packet, kSensorInfoHeaderBytes, count);
  for (std::size_t channel = 0; channel < count; ++channel) {
    const model::Channel& c = layout.channels[channel];
    const model::ChannelDetails& details = c.details;
    const std::size_t entry = kSensorInfoHeaderBytes + kSensorInfoEntryBytes * channel;
    packet.PutBytes(entry + sensor_info_entry::kLabel, details.label, 16);
    packet.PutBytes(entry + sensor_info_entry::kTransducer, details.transducer, 80);
    packet.PutBytes(entry + sensor_info_entry::kPhysicalDimension, details.physicalDimension, 8);
    packet.Put(entry + sensor_info_entry::kPhysicalMinimum, details.physicalMinimum);
    packet.Put(entry + sensor_info_entry::kPhysicalMaximum, details.physicalMaximum);
    packet.Put(entry + sensor_info_entry::kDigitalMinimum, details.digitalMinimum);
    packet.Put(entry + sensor_info_entry::kDigitalMaximum, details.digitalMaximum);
    packet.PutBytes(entry + sensor_info_entry::kPrefiltering, details.prefiltering, 80);
    packet.Put(entry + sensor_info_entry::kSamplesPerRecord,
               static_cast<std::int32_t>(c.samplesPerFrame));
    packet.Put(entry + sensor_info_entry::kSignalIndex, details.signalIndex);
    packet.Put(entry + sensor_info_entry::kSamplingRate, model::SamplingRate(layout, channel));
  }
  return packet.Take();
}

EventTypes BuildEventTypes(const model::Recording& recording) {
  const std::vector<model::Event>& events = recording.events;
  // Kinds in order of first appearance, with how often each occurs.
  struct Kind {
    std::size_t count = 0;
    bool ownType = true;
    std::size_t type = kNoType;
  };
  std::vector<Kind> kinds(recording.eventKinds.size());
  std::vector<std::size_t> seen;  // kinds in order of their first event
  for (const model::Event& event : events) {
    if (kinds[event.kind].count++ == 0) seen.push_back(event.kind);
  }
  if (seen.size() > kMostTextTypes) {
    // The most frequent kinds keep a type of their own; ties go to the kind seen first.
    std::vector<std::size_t> byFrequency = seen;
    std::stable_sort(byFrequency.begin(), byFrequency.end(),
                     [&](std::size_t a, std::size_t b) { return kinds[a].count > kinds[b].count; });
    for (std::size_t rank = kMostTextTypes; rank < byFrequency.size(); ++rank) {
      kinds[byFrequency[rank]].ownType = false;
    }
  }

  // Types in order of the first event that has each.
  struct Type {
    const std::u16string* text1;
    const std::u16string* text2;
    GUID guid;
  };
  std::vector<Type> types;
  std::size_t sharedType = kNoType;
  EventTypes result;
  result.typeOfEvent.reserve(events.size());
  for (const model::Event& event : events) {
    Kind& kind = kinds[event.kind];
    std::size_t type = kind.type;
    if (type == kNoType && kind.ownType) {
      const model::EventKind& named = recording.eventKinds[event.kind];
      type = kind.type = types.size();
      types.push_back({&named.text1, &named.text2, NameBasedGuid(named.key)});
    } else if (type == kNoType) {
      if (sharedType == kNoType) {
        const model::SharedEventType& shared = recording.sharedEventType;
        sharedType = types.size();
        types.push_back({&shared.text1, &shared.text2, NameBasedGuid(shared.key)});
      }
      type = sharedType;
    }
    result.typeOfEvent.push_back(types[type].guid);
  }

  PacketWriter packet(reader::kEventTypeTableKind,
                      kEventTypeTableHeaderBytes + kEventTypeEntryBytes * types.size());
  PutTableCount(packet, kEventTypeTableHeaderBytes, types.size());
  for (std::size_t i = 0; i < types.size(); ++i) {
    const std::size_t entry = kEventTypeTableHeaderBytes + kEventTypeEntryBytes * i;
    packet.Put(entry + event_type_entry::kTypeGuid, types[i].guid);
    packet.PutUtf16(entry + event_type_entry::kText1, *types[i].text1,
                    event_type_entry::kText1Units);
    packet.PutUtf16(entry + event_type_entry::kText2, *types[i].text2,
                    event_type_entry::kText2Units);
  }
  result.table = packet.Take();
  return result;
}

std::vector<std::byte> BuildEventRecord(const model::Event& event, const GUID& type) {
  const std::u16string& label = event.label;
  // The smallest multiple of 4 units above the text's length: room for the terminator, and
  // the bytes behind the field start on an 8-byte boundary.
  const std::size_t capacity = label.size() / 4 * 4 + 4;
  PacketWriter packet(reader::kEventRecordKind, event_record::kLabel + 2 * capacity);
  const DayTime time = ToDayTime(event.timeTicks);
  packet.Put(event_record::kTimeDays, time.days);
  packet.Put(event_record::kTimeSeconds, time.seconds);
  packet.Put(event_record::kDuration, TicksToSeconds(event.durationTicks));
  packet.Put(event_record::kLabelCapacity, static_cast<std::int64_t>(capacity));
  packet.Put(event_record::kTypeGuid, type);
  packet.PutUtf16(event_record::kLabel, label, capacity);
  return packet.Take();
}

}  // namespace open_formats
