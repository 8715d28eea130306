// GetEventText: an event's label or its type's texts, whole.
#include <cstdint>
#include <memory>
#include <optional>

#include "api/exports.h"
#include "api/whole_text.h"
#include "packets/event_record_packet.h"
#include "packets/event_type_table_packet.h"
#include "tapline_ext.h"

namespace {

// The event type table of the open recording, fetched for the first type text asked of it and
// kept until the recording changes: listing texts then costs one event record per call, where
// GetEvents copies the whole table for every event. Used under the export lock only.
struct CachedTypeTable {
  std::uint64_t generation = 0;
  std::unique_ptr<packets::EventTypeTablePacket> table;
};
CachedTypeTable cachedTypes;

const packets::EventTypeTablePacket* TypeTable() {
  api::ReaderContext& context = api::readerContext;
  if (!cachedTypes.table || cachedTypes.generation != context.RecordingGeneration()) {
    auto table = std::make_unique<packets::EventTypeTablePacket>();
    if (!context.ReadEventTypeTable(*table)) return nullptr;
    cachedTypes = {context.RecordingGeneration(), std::move(table)};
  }
  return cachedTypes.table.get();
}

// The record of the event asked for last, kept until the recording changes: a host asks for
// an event's three texts in turn.
struct CachedRecord {
  std::uint64_t generation = 0;
  std::int32_t index = -1;
  std::unique_ptr<packets::EventRecordPacket> record;
};
CachedRecord cachedRecord;

const packets::EventRecordPacket* EventRecord(std::int32_t eventIndex) {
  api::ReaderContext& context = api::readerContext;
  CachedRecord& cached = cachedRecord;
  if (cached.record && cached.generation == context.RecordingGeneration() && cached.index == eventIndex) {
    return cached.record.get();
  }
  if (eventIndex < 0 || eventIndex >= context.EventCount()) return nullptr;
  auto record = std::make_unique<packets::EventRecordPacket>();
  if (!context.ReadEventRecord(eventIndex, *record)) return nullptr;
  cached = {context.RecordingGeneration(), eventIndex, std::move(record)};
  return cached.record.get();
}

std::optional<packets::PacketText> EventText(std::int32_t eventIndex, int part) {
  const packets::EventRecordPacket* record = EventRecord(eventIndex);
  if (record == nullptr) return std::nullopt;
  if (part == TAPLINE_EVENT_LABEL) return record->GetLabel();
  const std::optional<GUID> typeGuid = record->TypeGuid();
  const packets::EventTypeTablePacket* table = TypeTable();
  if (!typeGuid || table == nullptr) return std::nullopt;
  const std::int32_t type = table->FindEventType(*typeGuid);
  if (type < 0) return std::nullopt;
  return part == TAPLINE_EVENT_TYPE_TEXT1 ? table->Text1(type) : table->Text2(type);
}

}  // namespace

extern "C" TAPLINE_API int TAPLINE_CALL GetEventText(int eventIndex, int part, char* text, int textBytes) {
  return api::GuardExport(0, [&] {
    if (text == nullptr || textBytes < 1) return 0;
    if (part != TAPLINE_EVENT_LABEL && part != TAPLINE_EVENT_TYPE_TEXT1 && part != TAPLINE_EVENT_TYPE_TEXT2) {
      return 0;
    }
    const std::optional<packets::PacketText> wide = EventText(eventIndex, part);
    if (!wide) return 0;
    const std::optional<std::string> utf8 = api::ConvertToUtf8(*wide);
    return utf8 ? api::CopyWholeText(*utf8, text, textBytes) : 0;
  });
}
