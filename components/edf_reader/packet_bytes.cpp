#include "packet_bytes.h"

#include <algorithm>
#include <cstdint>

namespace edf_component {

PacketBytes::PacketBytes(const GUID& kind, std::size_t size) : bytes(size) {
  Put(0, kind);
  Put(16, static_cast<std::uint64_t>(size));
}

void PacketBytes::CheckRange(std::size_t offset, std::size_t length) const {
  if (offset > bytes.size() || bytes.size() - offset < length) {
    throw std::out_of_range("packet field outside the packet");
  }
}

std::u16string_view CutUtf16(std::u16string_view text, std::size_t maxUnits) {
  if (text.size() <= maxUnits) return text;
  std::size_t length = maxUnits;
  // A high surrogate as the last kept unit would lose its partner.
  if (length > 0 && text[length - 1] >= 0xD800 && text[length - 1] <= 0xDBFF) --length;
  return text.substr(0, length);
}

void PacketBytes::PutUtf16(std::size_t offset, std::u16string_view text, std::size_t capacityUnits) {
  if (capacityUnits == 0) return;
  const std::u16string_view kept = CutUtf16(text, capacityUnits - 1);
  CheckRange(offset, capacityUnits * 2);
  for (std::size_t i = 0; i < kept.size(); ++i) Put(offset + 2 * i, static_cast<std::uint16_t>(kept[i]));
}

void PacketBytes::PutBytes(std::size_t offset, std::string_view text, std::size_t width) {
  CheckRange(offset, width);
  std::memcpy(bytes.data() + offset, text.data(), std::min(text.size(), width));  // raw bytes
}

}  // namespace edf_component
