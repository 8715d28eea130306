// Putting a writer's bytes on disk: a whole file at once, or a large one piece by piece under a
// temporary name, so that an interrupted run leaves no file that looks complete.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace recording_writers {

// Writes the bytes to the file, replacing it; throws std::runtime_error on failure.
void WriteFile(const std::string& path, std::string_view bytes);

// Whether the file is there and holds exactly that many bytes (a large file written by an
// earlier run is reused).
bool HasSize(const std::filesystem::path& path, std::int64_t bytes);

// Written to the path plus ".partial" and renamed to the path by Finish; a file not finished
// keeps the temporary name.
class PartialFile {
 public:
  explicit PartialFile(std::filesystem::path path);
  PartialFile(const PartialFile&) = delete;
  PartialFile& operator=(const PartialFile&) = delete;

  void Append(std::string_view bytes);
  // Throws std::runtime_error when a write failed.
  void Finish();

 private:
  std::filesystem::path path;
  std::filesystem::path partial;
  std::ofstream out;
};

// Appends a 16-bit value, low byte first.
inline void AppendLittleEndian16(std::string& out, unsigned value) {
  out.push_back(static_cast<char>(value & 0xFF));
  out.push_back(static_cast<char>(value >> 8 & 0xFF));
}

}  // namespace recording_writers
