#include "packets/packet_bytes.h"

#include <algorithm>

namespace packets {

bool GuidAt(std::span<const std::byte> block, std::uint64_t offset, const GUID& guid) {
  if (!Fits(block, offset, sizeof(GUID))) return false;
  return std::memcmp(block.data() + offset, &guid, sizeof(GUID)) == 0;
}

PacketText ReadBoundedText(std::span<const std::byte> block, std::uint64_t offset,
                           std::uint64_t fieldBytes) {
  PacketText text;
  if (offset > block.size()) return text;
  const std::uint64_t available = std::min<std::uint64_t>(fieldBytes, block.size() - offset);
  const std::uint64_t units = available / sizeof(OLECHAR);
  for (std::uint64_t i = 0; i < units; ++i) {
    std::uint16_t unit = 0;
    // Code units may sit at odd addresses in an adopted block.
    std::memcpy(&unit, block.data() + offset + i * sizeof(unit), sizeof(unit));
    if (unit == 0) break;
    text.push_back(static_cast<OLECHAR>(unit));
  }
  return text;
}

}  // namespace packets
