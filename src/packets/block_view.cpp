#include "packets/block_view.h"

#include <limits>

#include "packets/packet_bytes.h"
#include "platform/memory.h"
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

bool BlockView::CanReadPast(std::uint64_t checked, std::uint64_t count) const noexcept {
  if (length || checked == 0) return CanRead(count);
  if (count <= checked) return true;
  const auto first = reinterpret_cast<std::uintptr_t>(bytes);
  const std::uintptr_t page = platform::PageSize();
  // The checked bytes were found readable, so none of them wraps the address space; the end of
  // the last one's page wraps to 0 at the space's end, and the unsigned difference still holds.
  const std::uintptr_t pageEnd = ((first + (checked - 1)) / page + 1) * page;
  const std::uint64_t known = static_cast<std::uintptr_t>(pageEnd - first);
  if (count <= known) return true;
  if (count - known > std::numeric_limits<UINT_PTR>::max()) return false;
  return !IsBadReadPtr(reinterpret_cast<const void*>(pageEnd), static_cast<UINT_PTR>(count - known));
}

std::optional<std::span<const std::byte>> BlockView::Declared() const noexcept {
  const std::optional<std::span<const std::byte>> header = First(kHeaderSize);
  if (!header) return std::nullopt;
  const std::uint64_t size = *ReadLittleEndian<std::uint64_t>(*header, kSizeOffset);
  if (size < kHeaderSize || size >= kBlockSizeLimit) return std::nullopt;
  // Only pages past the header's are asked about: a block within that page costs one question.
  if (!CanReadPast(kHeaderSize, size)) return std::nullopt;
  return std::span<const std::byte>(bytes, static_cast<std::size_t>(size));
}

}  // namespace packets
