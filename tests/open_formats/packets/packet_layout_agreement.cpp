// The component writes its packets by packets/packet_layout.h and the library reads them by
// the constants of its packet classes. The two stay separate (the component is a module of its
// own), so this translation unit, which sees both, makes any disagreement a build error.
#include "packets/event_record_packet.h"
#include "packets/event_type_table_packet.h"
#include "packets/packet_bytes.h"
#include "packets/packet_layout.h"
#include "packets/sample_block_packet_base.h"
#include "packets/sensor_info_packet.h"
#include "packets/ts_info_packet.h"

namespace {

namespace edf = packet_layout;
using packets::EventRecordPacket;
using packets::EventTypeTablePacket;
using packets::SampleBlockPacketBase;
using packets::TsInfoPacket;

static_assert(packets::kGuidOffset == edf::packet_header::kKind);
static_assert(packets::kSizeOffset == edf::packet_header::kSize);
static_assert(packets::kHeaderSize == edf::packet_header::kBytes);

constexpr bool SameTable(const packets::TableLayout& read, std::size_t headerBytes, std::size_t entryBytes) {
  return read.headerSize == headerBytes && read.entrySize == entryBytes &&
         packets::EntryCountOffset(read) == headerBytes - edf::kTableEntryCountFromHeaderEnd &&
         packets::EntryCapacityOffset(read) == headerBytes - edf::kTableEntryCountFromHeaderEnd + 4;
}
static_assert(SameTable(packets::kTsInfoLayout, edf::kTsInfoHeaderBytes, edf::kTsInfoEntryBytes));
static_assert(SameTable(packets::kSensorInfoLayout, edf::kSensorInfoHeaderBytes, edf::kSensorInfoEntryBytes));
static_assert(SameTable(packets::kEventTypeTableLayout, edf::kEventTypeTableHeaderBytes,
                        edf::kEventTypeEntryBytes));

static_assert(TsInfoPacket::kChannelNameOffset == edf::ts_info_entry::kChannelName);
static_assert(TsInfoPacket::kChannelNameBytes == 2 * edf::ts_info_entry::kChannelNameUnits);
static_assert(TsInfoPacket::kChannelValueOffset == edf::ts_info_entry::kChannelValue);

static_assert(EventTypeTablePacket::kTypeGuidOffset == edf::event_type_entry::kTypeGuid);
static_assert(EventTypeTablePacket::kText1Offset == edf::event_type_entry::kText1);
static_assert(EventTypeTablePacket::kText1Bytes == 2 * edf::event_type_entry::kText1Units);
static_assert(EventTypeTablePacket::kText2Offset == edf::event_type_entry::kText2);
static_assert(EventTypeTablePacket::kText2Bytes == 2 * edf::event_type_entry::kText2Units);

// The record's time is two doubles, days then seconds.
static_assert(EventRecordPacket::kTimeOffset == edf::event_record::kTimeDays);
static_assert(EventRecordPacket::kTimeOffset + sizeof(double) == edf::event_record::kTimeSeconds);
static_assert(EventRecordPacket::kDurationOffset == edf::event_record::kDuration);
static_assert(EventRecordPacket::kLabelCapacityOffset == edf::event_record::kLabelCapacity);
static_assert(EventRecordPacket::kTypeGuidOffset == edf::event_record::kTypeGuid);
static_assert(EventRecordPacket::kLabelOffset == edf::event_record::kLabel);

static_assert(SampleBlockPacketBase::kSampleKindOffset == edf::sample_block::kSampleKind);
static_assert(SampleBlockPacketBase::kChannelCountOffset == edf::sample_block::kChannelCount);
static_assert(SampleBlockPacketBase::kSampleCountsOffset == edf::sample_block::kSampleCounts);

}  // namespace
