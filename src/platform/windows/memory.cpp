#include "platform/memory.h"

#include <new>

namespace platform {

std::byte* AllocateBuffer(std::size_t bytes) noexcept { return new (std::nothrow) std::byte[bytes]; }

void FreeBuffer(std::byte* buffer, std::size_t) noexcept { delete[] buffer; }

}  // namespace platform
