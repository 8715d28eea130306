#include "packets/block_view.h"

#include <limits>

#include "platform/platform.h"

namespace packets {

bool BlockView::CanRead(std::uint64_t count) const noexcept {
  if (bytes == nullptr) return false;
  if (length) return count <= *length;
  // The readability test takes an address-sized count; a larger one cannot be readable.
  if (count > std::numeric_limits<UINT_PTR>::max()) return false;
  return count == 0 || !IsBadReadPtr(bytes, static_cast<UINT_PTR>(count));
}

}  // namespace packets
