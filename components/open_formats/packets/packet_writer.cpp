#include "packets/packet_writer.h"

#include <algorithm>
#include <cstdint>

#include "packets/packet_layout.h"

namespace open_formats {

PacketWriter::PacketWriter(const GUID& kind, std::size_t size) : bytes(size) {
  Put(packet_layout::packet_header::kKind, kind);
  Put(packet_layout::packet_header::kSize, static_cast<std::uint64_t>(size));
}

void PacketWriter::CheckRange(std::size_t offset, std::size_t length) const {
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

void PacketWriter::PutUtf16(std::size_t offset, std::u16string_view text,
                            std::size_t capacityUnits) {
  if (capacityUnits == 0) return;
  const std::u16string_view kept = CutUtf16(text, capacityUnits - 1);
  CheckRange(offset, capacityUnits * 2);
  for (std::size_t i = 0; i < kept.size(); ++i)
    Put(offset + 2 * i, static_cast<std::uint16_t>(kept[i]));
}

void PacketWriter::PutBytes(std::size_t offset, std::string_view text, std::size_t width) {
  CheckRange(offset, width);
  std::memcpy(bytes.data() + offset, text.data(), std::min(text.size(), width));  // raw bytes
}

}  // namespace open_formats
