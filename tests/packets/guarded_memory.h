// Bytes placed at the very end of a readable page that is followed by a page that cannot be
// read: any read past them faults, with or without AddressSanitizer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace packets::test {

class GuardedMemory {
 public:
  explicit GuardedMemory(const std::vector<std::uint8_t>& bytes);
  ~GuardedMemory();
  GuardedMemory(const GuardedMemory&) = delete;
  GuardedMemory& operator=(const GuardedMemory&) = delete;

  std::uint8_t* Bytes() const { return first; }

 private:
  void* mapping = nullptr;
  std::size_t mappingSize = 0;
  std::uint8_t* first = nullptr;
};

}  // namespace packets::test
