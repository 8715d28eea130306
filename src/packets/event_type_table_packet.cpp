#include "packets/event_type_table_packet.h"

namespace packets {

std::int32_t EventTypeTablePacket::FindEventType(GUID typeGuid) const noexcept {
  const std::int32_t entryCount = GetEntryCount();
  for (std::int32_t i = 0; i < entryCount; ++i) {
    if (GuidAt(Entry(i), kTypeGuidOffset, typeGuid)) return i;
  }
  return -1;
}

std::optional<GUID> EventTypeTablePacket::TypeGuid(std::int32_t index) const noexcept {
  return ReadLittleEndian<GUID>(Entry(index), kTypeGuidOffset);
}

std::optional<PacketText> EventTypeTablePacket::Text1(std::int32_t index) const {
  const std::span<const std::byte> entry = Entry(index);
  if (entry.empty()) return std::nullopt;
  return ReadBoundedText(entry, kText1Offset, kText1Bytes);
}

std::optional<PacketText> EventTypeTablePacket::Text2(std::int32_t index) const {
  const std::span<const std::byte> entry = Entry(index);
  if (entry.empty()) return std::nullopt;
  return ReadBoundedText(entry, kText2Offset, kText2Bytes);
}

}  // namespace packets
