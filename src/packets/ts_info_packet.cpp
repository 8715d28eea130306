#include "packets/ts_info_packet.h"

namespace packets {

std::optional<PacketText> TsInfoPacket::ChannelName(std::int32_t channel) const {
  const std::span<const std::byte> entry = Entry(channel);
  if (entry.empty()) return std::nullopt;
  return ReadBoundedText(entry, kChannelNameOffset, kChannelNameBytes);
}

std::optional<double> TsInfoPacket::ChannelValue(std::int32_t channel) const noexcept {
  return ReadLittleEndian<double>(Entry(channel), kChannelValueOffset);
}

}  // namespace packets
