#include "packets/event_record_packet.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "reader/reader_ids.h"

namespace packets {
namespace {

constexpr std::uint64_t kUnitBytes = sizeof(std::uint16_t);
static_assert(sizeof(OLECHAR) == kUnitBytes);

// Capacity in units of the record's label field (0: no label); nullopt when the record is too
// short for its fixed part or the field runs past the record's end.
std::optional<std::uint64_t> LabelFieldUnits(std::span<const std::byte> record) {
  if (record.size() < EventRecordPacket::kFixedPartEnd) return std::nullopt;
  const std::int64_t capacity =
      *ReadLittleEndian<std::int64_t>(record, EventRecordPacket::kLabelCapacityOffset);
  if (capacity <= 0) return 0;
  const auto units = static_cast<std::uint64_t>(capacity);
  // Compared with the room behind offset 264, so that no capacity can wrap the bound.
  if (record.size() < EventRecordPacket::kLabelOffset) return std::nullopt;
  if (units > (record.size() - EventRecordPacket::kLabelOffset) / kUnitBytes) return std::nullopt;
  return units;
}

}  // namespace

EventRecordPacket::EventRecordPacket() noexcept { SetGuid(reader::kEventRecordKind); }

bool EventRecordPacket::IsValid(BlockView block) const noexcept {
  const std::optional<std::span<const std::byte>> record = DeclaredOfKind(block);
  return record && LabelFieldUnits(*record).has_value();
}

PacketText EventRecordPacket::GetLabel() const {
  const std::span<const std::byte> record = Block();
  const std::optional<std::uint64_t> units = LabelFieldUnits(record);
  if (!units || *units == 0) return {};
  return ReadBoundedText(record, kLabelOffset, *units * kUnitBytes);
}

bool EventRecordPacket::SetLabel(const OLECHAR* text) noexcept {
  const std::optional<std::uint64_t> oldUnits = LabelFieldUnits(Block());
  if (!oldUnits) return false;
  const std::uint64_t length = text == nullptr ? 0 : std::char_traits<OLECHAR>::length(text);
  const std::uint64_t units = length / 4 * 4 + 4;  // the multiple of 4 above the length

  if (units > *oldUnits) {
    if (units >= kBlockSizeLimit) return false;
    const std::uint64_t size = Block().size();
    const std::uint64_t fieldEnd = kLabelOffset + kUnitBytes * *oldUnits;
    // A record without a label may end before offset 264; the field then starts the tail.
    const std::uint64_t tail = size > fieldEnd ? size - fieldEnd : 0;
    const std::uint64_t grow = kUnitBytes * (units - *oldUnits);
    if (!Resize(std::max(size, fieldEnd) + grow)) return false;
    const std::span<std::byte> record = Block();
    if (size < kLabelOffset) std::memset(record.data() + size, 0, kLabelOffset - size);
    if (tail != 0) std::memmove(record.data() + fieldEnd + grow, record.data() + fieldEnd, tail);
    WriteLittleEndian(record, kLabelCapacityOffset, static_cast<std::int64_t>(units));
  }

  // Within the field whether it grew or not: units <= the field's capacity.
  std::byte* field = Block().data() + kLabelOffset;
  if (length != 0) std::memcpy(field, text, length * kUnitBytes);
  std::memset(field + length * kUnitBytes, 0, (units - length) * kUnitBytes);
  return true;
}

std::optional<EventRecordTime> EventRecordPacket::Time() const noexcept {
  const std::optional<double> days = ReadLittleEndian<double>(Block(), kTimeOffset);
  const std::optional<double> seconds = ReadLittleEndian<double>(Block(), kTimeOffset + 8);
  if (!days || !seconds) return std::nullopt;
  return EventRecordTime{*days, *seconds};
}

std::optional<double> EventRecordPacket::Duration() const noexcept {
  return ReadLittleEndian<double>(Block(), kDurationOffset);
}

std::optional<GUID> EventRecordPacket::TypeGuid() const noexcept {
  return ReadLittleEndian<GUID>(Block(), kTypeGuidOffset);
}

}  // namespace packets
