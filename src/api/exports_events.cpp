// GetEventCount and GetEvents: the recording's events, one at a time.
#include <optional>
#include <string>

#include "api/event_time.h"
#include "api/export_text.h"
#include "api/exports.h"
#include "packets/event_record_packet.h"
#include "packets/event_type_table_packet.h"

namespace {

// Everything GetEvents hands out, gathered before the first output is written, so that a
// failure at any step (a missing field, a text that cannot be converted, short memory) leaves
// every output as the host had it.
struct EventOutputs {
  std::int32_t typeIndex;
  std::optional<std::string> typeText2;
  std::optional<std::string> typeText1;
  std::optional<std::string> label;
  double time;
  double duration;
};

std::optional<EventOutputs> ReadEvent(std::int32_t eventIndex) {
  api::ReaderContext& context = api::readerContext;
  // A table that cannot be fetched stays empty, and no type is found in it below.
  packets::EventTypeTablePacket table;
  context.ReadEventTypeTable(table);
  packets::EventRecordPacket record;
  if (!context.ReadEventRecord(eventIndex, record)) return std::nullopt;

  const std::optional<GUID> typeGuid = record.TypeGuid();
  const std::optional<packets::EventRecordTime> recordTime = record.Time();
  const std::optional<double> duration = record.Duration();
  if (!typeGuid || !recordTime || !duration) return std::nullopt;
  const std::int32_t typeIndex = table.FindEventType(*typeGuid);
  if (typeIndex < 0) return std::nullopt;
  const std::optional<packets::PacketText> text1 = table.Text1(typeIndex);
  const std::optional<packets::PacketText> text2 = table.Text2(typeIndex);
  if (!text1 || !text2) return std::nullopt;

  // Normalised in a copy: the record's bytes are the component's and are only read.
  api::RecordingTime time{recordTime->days, recordTime->seconds};
  api::NormalizeEventTime(time);
  return EventOutputs{typeIndex,
                      api::ConvertToHostText(*text2),
                      api::ConvertToHostText(*text1),
                      api::ConvertToHostText(record.GetLabel()),
                      time.InDays(),
                      *duration};
}

}  // namespace

extern "C" TAPLINE_API int TAPLINE_CALL GetEventCount(int* count) {
  return api::GuardExport(1, [&] {
    *count = api::readerContext.EventCount();
    return 1;
  });
}

extern "C" TAPLINE_API int TAPLINE_CALL GetEvents(int eventIndex, int* typeIndex, char* typeText1,
                                                  char* typeText2, char* label, double* duration,
                                                  double* time) {
  return api::GuardExport(1, [&] {
    const std::optional<EventOutputs> event = ReadEvent(eventIndex);
    if (!event) return 1;
    // In this order: hosts that pass one buffer twice see the later text.
    *typeIndex = event->typeIndex;
    if (event->typeText2) api::CopyToHost(*event->typeText2, typeText2);
    if (event->typeText1) api::CopyToHost(*event->typeText1, typeText1);
    if (event->label) api::CopyToHost(*event->label, label);
    *time = event->time;
    *duration = event->duration;
    return 1;
  });
}
