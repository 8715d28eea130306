// The per-segment channel description: one 552-byte entry per channel after a 760-byte header.
#pragma once

#include <cstdint>
#include <optional>

#include "packets/packet_bytes.h"
#include "packets/table_packet.h"
#include "reader/reader_ids.h"

namespace packets {

inline constexpr TableLayout kTsInfoLayout{reader::kTsInfoKind, 760, 552};

class TsInfoPacket final : public TablePacket<kTsInfoLayout> {
 public:
  // Entry offsets of the two fields the library reads.
  static constexpr std::uint32_t kChannelNameOffset = 128;
  static constexpr std::uint32_t kChannelNameBytes = 144;
  static constexpr std::uint32_t kChannelValueOffset = 272;

  TsInfoPacket() noexcept = default;

  // The name of channel `channel`, read up to its terminator but never past its 144-byte
  // field; nullopt when the channel is outside the table.
  std::optional<PacketText> ChannelName(std::int32_t channel) const;
  // The channel's value, unchanged; nullopt when the channel is outside the table.
  std::optional<double> ChannelValue(std::int32_t channel) const noexcept;
};

}  // namespace packets
