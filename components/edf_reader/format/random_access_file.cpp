#include "random_access_file.h"

#include <filesystem>

namespace edf {

std::unique_ptr<RandomAccessFile> RandomAccessFile::Open(const std::string& utf8Path) {
  std::unique_ptr<RandomAccessFile> file(new RandomAccessFile);
  // Unbuffered: a read of a few annotation bytes must not pull in the samples around them.
  file->buffer.pubsetbuf(nullptr, 0);
  // The path's bytes are UTF-8 (char8_t is how the standard says so; same bytes).
  const std::u8string path(reinterpret_cast<const char8_t*>(utf8Path.data()), utf8Path.size());
  std::error_code error;
  if (std::filesystem::is_directory(std::filesystem::path(path), error)) return nullptr;
  if (!file->buffer.open(std::filesystem::path(path), std::ios::in | std::ios::binary)) {
    return nullptr;
  }
  const auto end = file->buffer.pubseekoff(0, std::ios::end, std::ios::in);
  if (end == std::streampos(std::streamoff(-1))) return nullptr;
  file->size = static_cast<std::int64_t>(std::streamoff(end));
  return file;
}

bool RandomAccessFile::ReadAt(std::int64_t offset, std::span<std::byte> destination) {
  if (offset < 0 || offset > size || static_cast<std::uint64_t>(size - offset) < destination.size()) {
    return false;
  }
  const auto position = buffer.pubseekpos(std::streampos(std::streamoff(offset)), std::ios::in);
  if (position == std::streampos(std::streamoff(-1))) return false;
  const auto wanted = static_cast<std::streamsize>(destination.size());
  // filebuf reads chars; std::byte and char share size and aliasing rights.
  return buffer.sgetn(reinterpret_cast<char*>(destination.data()), wanted) == wanted;
}

}  // namespace edf
