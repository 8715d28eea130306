#include "packets/packet_bytes.h"

#include <algorithm>

namespace packets {

bool GuidAt(std::span<const std::byte> block, std::uint64_t offset, const GUID& guid) {
  if (!Fits(block, offset, sizeof(GUID))) return false;
  return std::memcmp(block.data() + offset, &guid, sizeof(GUID)) == 0;
}

PacketText ReadBoundedText(std::span<const std::byte> block, std::uint64_t offset,
                           std::uint64_t fieldBytes) {
  if (offset > block.size()) return {};
  const std::uint64_t available = std::min<std::uint64_t>(fieldBytes, block.size() - offset);
  const std::uint64_t units = available / sizeof(OLECHAR);
  const std::byte* const field = block.data() + offset;
  std::uint64_t length = 0;
  for (; length < units; ++length) {
    std::uint16_t unit = 0;
    // Code units may sit at odd addresses in an adopted block.
    std::memcpy(&unit, field + length * sizeof(unit), sizeof(unit));
    if (unit == 0) break;
  }
  // Taken whole once its length is known: one allocation, not one per doubling.
  PacketText text(static_cast<std::size_t>(length), OLECHAR{});
  if (length != 0) std::memcpy(text.data(), field, static_cast<std::size_t>(length) * sizeof(OLECHAR));
  return text;
}

}  // namespace packets
