#include "packets/block_view.h"

#include <limits>

#include "packets/packet_bytes.h"
#include "platform/platform.h"

namespace packets {

bool BlockView::CanRead(std::uint64_t count) const noexcept {
  if (bytes == nullptr) return false;
  if (length) return count <= *length;
  // The readability test takes an address-sized count; a larger one cannot be readable.
  if (count > std::numeric_limits<UINT_PTR>::max()) return false;
  return count == 0 || !IsBadReadPtr(bytes, static_cast<UINT_PTR>(count));
}

std::optional<std::span<const std::byte>> BlockView::First(std::uint64_t count) const noexcept {
  if (count > std::numeric_limits<std::size_t>::max() || !CanRead(count)) return std::nullopt;
  return std::span<const std::byte>(bytes, static_cast<std::size_t>(count));
}

std::optional<std::span<const std::byte>> BlockView::Declared() const noexcept {
  const std::optional<std::span<const std::byte>> header = First(kHeaderSize);
  if (!header) return std::nullopt;
  const std::uint64_t size = *ReadLittleEndian<std::uint64_t>(*header, kSizeOffset);
  if (size < kHeaderSize || size >= kBlockSizeLimit) return std::nullopt;
  return First(size);
}

}  // namespace packets
