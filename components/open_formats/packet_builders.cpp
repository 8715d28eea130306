#include "packet_builders.h"

#include <cstdint>
#include <algorithm>
#include <string>
#include <string_view>
#include <unordered_map>

#include "formats/edf/numeric_fields.h"
#include "formats/edf/text_encoding.h"
#include "name_based_guid.h"
#include "packet_writer.h"
#include "reader/reader_ids.h"
#include "tapline_edf/packet_layout.h"
#include "time_conversion.h"

namespace edf_component {

namespace {

using namespace tapline_edf;

constexpr std::size_t kNoType = static_cast<std::size_t>(-1);

void PutTableCount(PacketWriter& packet, std::size_t headerBytes, std::size_t count) {
  const auto entries = static_cast<std::uint32_t>(count);
  packet.Put(headerBytes - kTableEntryCountFromHeaderEnd, entries);  // entryCount
  packet.Put(headerBytes - kTableEntryCountFromHeaderEnd + 4, entries);  // entryCapacity
}

}  // namespace

std::vector<std::byte> BuildTsInfo(const edf::Recording& recording) {
  const std::size_t count = recording.ChannelSignals().size();
  PacketWriter packet(reader::kTsInfoKind, kTsInfoHeaderBytes + kTsInfoEntryBytes * count);
  PutTableCount(packet, kTsInfoHeaderBytes, count);
  for (std::size_t channel = 0; channel < count; ++channel) {
    const edf::SignalHeader& signal = recording.ChannelHeader(channel);
    const std::size_t entry = kTsInfoHeaderBytes + kTsInfoEntryBytes * channel;
    packet.PutUtf16(entry + ts_info_entry::kChannelName, edf::HeaderTextToUtf16(signal.label),
                    ts_info_entry::kChannelNameUnits);
    packet.Put(entry + ts_info_entry::kChannelValue, recording.SamplingRate(channel));
    packet.Put(entry + ts_info_entry::kPhysicalMinimum, signal.physicalMinimum);
    packet.Put(entry + ts_info_entry::kPhysicalMaximum, signal.physicalMaximum);
    packet.Put(entry + ts_info_entry::kDigitalMinimum, signal.digitalMinimum);
    packet.Put(entry + ts_info_entry::kDigitalMaximum, signal.digitalMaximum);
    packet.Put(entry + ts_info_entry::kSamplesPerRecord, signal.samplesPerRecord);
    packet.PutBytes(entry + ts_info_entry::kPhysicalDimension, signal.physicalDimension, 8);
    packet.PutBytes(entry + ts_info_entry::kTransducer, signal.transducer, 80);
    packet.PutBytes(entry + ts_info_entry::kPrefiltering, signal.prefiltering, 80);
    packet.Put(entry + ts_info_entry::kRecordDurationTicks, recording.RecordDurationTicks());
  }
  return packet.Take();
}

std::vector<std::byte> BuildSensorInfo(const edf::Recording& recording) {
  const std::size_t count = recording.ChannelSignals().size();
  PacketWriter packet(reader::kSensorInfoKind, kSensorInfoHeaderBytes + kSensorInfoEntryBytes * count);
  PutTableCount(packet, kSensorInfoHeaderBytes, count);
  for (std::size_t channel = 0; channel < count; ++channel) {
    const edf::SignalHeader& signal = recording.ChannelHeader(channel);
    const std::size_t entry = kSensorInfoHeaderBytes + kSensorInfoEntryBytes * channel;
    packet.PutBytes(entry + sensor_info_entry::kLabel, signal.label, 16);
    packet.PutBytes(entry + sensor_info_entry::kTransducer, signal.transducer, 80);
    packet.PutBytes(entry + sensor_info_entry::kPhysicalDimension, signal.physicalDimension, 8);
    packet.Put(entry + sensor_info_entry::kPhysicalMinimum, signal.physicalMinimum);
    packet.Put(entry + sensor_info_entry::kPhysicalMaximum, signal.physicalMaximum);
    packet.Put(entry + sensor_info_entry::kDigitalMinimum, signal.digitalMinimum);
    packet.Put(entry + sensor_info_entry::kDigitalMaximum, signal.digitalMaximum);
    packet.PutBytes(entry + sensor_info_entry::kPrefiltering, signal.prefiltering, 80);
    packet.Put(entry + sensor_info_entry::kSamplesPerRecord, signal.samplesPerRecord);
    packet.Put(entry + sensor_info_entry::kSignalIndex,
               static_cast<std::int32_t>(recording.ChannelSignals()[channel]));
    packet.Put(entry + sensor_info_entry::kSamplingRate, recording.SamplingRate(channel));
  }
  return packet.Take();
}

EventTypes BuildEventTypes(const edf::Recording& recording) {
  const std::vector<edf::Event>& events = recording.Events();
  // Distinct texts in order of first appearance, with how often each occurs.
  struct Text {
    std::size_t firstEvent;
    std::size_t count = 0;
    bool ownType = true;
  };
  std::vector<Text> texts;
  std::vector<std::size_t> textOfEvent;
  textOfEvent.reserve(events.size());
  std::unordered_map<std::string_view, std::size_t> textPositions;
  for (std::size_t i = 0; i < events.size(); ++i) {
    const auto [where, added] = textPositions.try_emplace(events[i].text, texts.size());
    if (added) texts.push_back({i});
    texts[where->second].count += 1;
    textOfEvent.push_back(where->second);
  }
  if (texts.size() > kMostTextTypes) {
    // The most frequent texts keep a type of their own; ties go to the text seen first.
    std::vector<std::size_t> byFrequency(texts.size());
    for (std::size_t t = 0; t < texts.size(); ++t) byFrequency[t] = t;
    std::stable_sort(byFrequency.begin(), byFrequency.end(),
                     [&](std::size_t a, std::size_t b) { return texts[a].count > texts[b].count; });
    for (std::size_t rank = kMostTextTypes; rank < byFrequency.size(); ++rank) texts[byFrequency[rank]].ownType = false;
  }

  // Types in order of the first event that has each.
  struct Type {
    std::string text1;
    std::size_t signal;
    GUID guid;
  };
  std::vector<Type> types;
  std::vector<std::size_t> typeOfText(texts.size(), kNoType);
  // One for every annotation signal: their labels, type text 2, are all "EDF Annotations", and
  // a type per signal would let the table grow with the file again.
  std::size_t sharedType = kNoType;
  EventTypes result;
  result.typeOfEvent.reserve(events.size());
  for (std::size_t i = 0; i < events.size(); ++i) {
    const std::size_t text = textOfEvent[i];
    std::size_t type = typeOfText[text];
    if (type == kNoType && texts[text].ownType) {
      type = typeOfText[text] = types.size();
      types.push_back({events[i].text, events[i].signal, NameBasedGuid(events[i].text)});
    } else if (type == kNoType) {
      if (sharedType == kNoType) {
        sharedType = types.size();
        // No annotation text holds 0x14 (it ends a text in a TAL): the name is no text's.
        types.push_back({kSharedTypeText, events[i].signal, NameBasedGuid("\x14shared type")});
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
    packet.PutUtf16(entry + event_type_entry::kText1, edf::Utf8ToUtf16(types[i].text1),
                    event_type_entry::kText1Units);
    packet.PutUtf16(entry + event_type_entry::kText2,
                    edf::HeaderTextToUtf16(recording.FileHeader().signals[types[i].signal].label),
                    event_type_entry::kText2Units);
  }
  result.table = packet.Take();
  return result;
}

std::vector<std::byte> BuildEventRecord(const edf::Recording& recording, const edf::Event& event,
                                        const GUID& type) {
  const std::u16string label = edf::Utf8ToUtf16(event.text);
  // The smallest multiple of 4 units above the text's length: room for the terminator, and
  // the bytes behind the field start on an 8-byte boundary.
  const std::size_t capacity = label.size() / 4 * 4 + 4;
  PacketWriter packet(reader::kEventRecordKind, event_record::kLabel + 2 * capacity);
  const DayTime time = ToDayTime(recording.StartSecond(), event.onsetTicks);
  packet.Put(event_record::kTimeDays, time.days);
  packet.Put(event_record::kTimeSeconds, time.seconds);
  packet.Put(event_record::kDuration, TicksToSeconds(event.durationTicks));
  packet.Put(event_record::kLabelCapacity, static_cast<std::int64_t>(capacity));
  packet.Put(event_record::kTypeGuid, type);
  packet.PutUtf16(event_record::kLabel, label, capacity);
  return packet.Take();
}

}  // namespace edf_component
