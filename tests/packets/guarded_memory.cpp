#include "guarded_memory.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstring>
#include <stdexcept>

namespace packets::test {

GuardedMemory::GuardedMemory(const std::vector<std::uint8_t>& bytes) {
  const auto pageSize = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
  const std::size_t readablePages = (bytes.size() + pageSize - 1) / pageSize + 1;
  mappingSize = (readablePages + 1) * pageSize;
  mapping = mmap(nullptr, mappingSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapping == MAP_FAILED) throw std::runtime_error("mmap failed");
  auto* guard = static_cast<std::uint8_t*>(mapping) + readablePages * pageSize;
  if (mprotect(guard, pageSize, PROT_NONE) != 0) throw std::runtime_error("mprotect failed");
  first = guard - bytes.size();
  std::memcpy(first, bytes.data(), bytes.size());
}

GuardedMemory::~GuardedMemory() { munmap(mapping, mappingSize); }

}  // namespace packets::test
