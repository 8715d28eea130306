// A signal file held in memory that counts the bytes read from it.
#pragma once

#include <cstring>
#include <string>

#include "formats/wfdb/group_reader.h"

namespace wfdb_test {

class MemoryFile : public wfdb::ByteSource {
 public:
  MemoryFile(std::string bytes, std::int64_t* bytesRead) : bytes(std::move(bytes)), bytesRead(bytesRead) {}
  std::int64_t Size() const override { return static_cast<std::int64_t>(bytes.size()); }
  bool ReadAt(std::int64_t offset, std::span<std::byte> destination) override {
    if (offset < 0 || offset > Size() || Size() - offset < static_cast<std::int64_t>(destination.size())) {
      return false;
    }
    std::memcpy(destination.data(), bytes.data() + offset, destination.size());  // bounds checked above
    if (bytesRead) *bytesRead += static_cast<std::int64_t>(destination.size());
    return true;
  }

 private:
  std::string bytes;
  std::int64_t* bytesRead;
};

}  // namespace wfdb_test
