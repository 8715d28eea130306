// Positioned reads from a file of any size (64-bit offsets), on every system the component
// builds for. Nothing is read ahead: a read fetches exactly the bytes asked for.
#pragma once

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <memory>
#include <span>
#include <string>

namespace edf {

class RandomAccessFile {
 public:
  // Opens the file read-only; null when it cannot be opened.
  static std::unique_ptr<RandomAccessFile> Open(const std::string& utf8Path);

  std::int64_t Size() const { return size; }
  // Reads destination.size() bytes from the offset; false when they are not all there.
  bool ReadAt(std::int64_t offset, std::span<std::byte> destination);

 private:
  RandomAccessFile() = default;
  std::filebuf buffer;
  std::int64_t size = 0;
};

}  // namespace edf
