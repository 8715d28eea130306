// One event as the component hands it out: a fixed part with the event's time, duration and
// type, then a label field of labelCapacity UTF-16 units from offset 264, then further bytes.
// The record is normally adopted from the component, never copied.
#pragma once

#include <cstdint>
#include <optional>

#include "packets/info_packet.h"
#include "packets/packet_bytes.h"
#include "platform/platform.h"

namespace packets {

// The event's time as the record carries it: whole days and seconds, both doubles.
struct EventRecordTime {
  double days;
  double seconds;
};

class EventRecordPacket final : public InfoPacket {
 public:
  static constexpr std::uint32_t kTimeOffset = 32;
  static constexpr std::uint32_t kDurationOffset = 48;
  static constexpr std::uint32_t kLabelCapacityOffset = 128;
  static constexpr std::uint32_t kTypeGuidOffset = 136;
  static constexpr std::uint32_t kFixedPartEnd = 152;
  static constexpr std::uint32_t kLabelOffset = 264;

  EventRecordPacket() noexcept;

  // Besides the checks of every packet: the fixed part up to the type GUID is there, and a
  // label field, when labelCapacity announces one, ends within the declared size.
  bool IsValid(BlockView block) const noexcept override;
  // Stores `text` (null: the empty text) as the label, enlarging the field to the next
  // multiple of 4 units above the text's length when it is too small; the bytes behind the
  // field move along, and a record that was adopted becomes an owned copy. Units of a larger
  // field beyond the new text's terminator-padded capacity keep their content. False, and
  // nothing changes, when the packet holds no record, its label field does not fit its size,
  // the record would reach 2^32 bytes, or memory is short.
  virtual bool SetLabel(const OLECHAR* text) noexcept;

  // The label up to its terminator, never past its field or the record; empty when the
  // record has no label (labelCapacity 0 or negative) or the packet holds nothing.
  PacketText GetLabel() const;
  // Fields of the fixed part; nullopt when the packet holds no record.
  std::optional<EventRecordTime> Time() const noexcept;
  std::optional<double> Duration() const noexcept;
  std::optional<GUID> TypeGuid() const noexcept;
};

}  // namespace packets
