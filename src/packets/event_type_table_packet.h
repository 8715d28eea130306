// The recording's event types: one 1152-byte entry per type, carrying the type's GUID and two
// texts, after a 752-byte header.
#pragma once

#include <cstdint>
#include <optional>

#include "packets/packet_bytes.h"
#include "packets/table_packet.h"
#include "reader/reader_ids.h"

namespace packets {

inline constexpr TableLayout kEventTypeTableLayout{reader::kEventTypeTableKind, 752, 1152};

class EventTypeTablePacket final : public TablePacket<kEventTypeTableLayout> {
 public:
  // Entry offsets of the fields the library reads.
  static constexpr std::uint32_t kTypeGuidOffset = 0;
  static constexpr std::uint32_t kText1Offset = 32;
  static constexpr std::uint32_t kText1Bytes = 512;
  static constexpr std::uint32_t kText2Offset = 544;
  static constexpr std::uint32_t kText2Bytes = 608;

  EventTypeTablePacket() noexcept = default;

  // Position of the first entry whose type GUID is `typeGuid`; -1 when none is, the table is
  // empty or the packet holds nothing.
  std::int32_t FindEventType(GUID typeGuid) const noexcept;

  // Fields of entry `index`; nullopt when the index is outside the table. Texts stop at their
  // terminator or at the end of their field.
  std::optional<GUID> TypeGuid(std::int32_t index) const noexcept;
  std::optional<PacketText> Text1(std::int32_t index) const;
  std::optional<PacketText> Text2(std::int32_t index) const;
};

}  // namespace packets
