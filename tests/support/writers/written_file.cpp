#include "written_file.h"

#include <stdexcept>
#include <utility>

namespace recording_writers {

void WriteFile(const std::string& path, std::string_view bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!file.flush()) throw std::runtime_error("cannot write " + path);
}

bool HasSize(const std::filesystem::path& path, std::int64_t bytes) {
  std::error_code error;
  const auto size = std::filesystem::file_size(path, error);
  return !error && static_cast<std::int64_t>(size) == bytes;
}

PartialFile::PartialFile(std::filesystem::path target)
    : path(std::move(target)),
      partial(path.string() + ".partial"),
      out(partial, std::ios::binary | std::ios::trunc) {}

void PartialFile::Append(std::string_view bytes) {
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void PartialFile::Finish() {
  if (!out.flush()) throw std::runtime_error("cannot write " + partial.string());
  out.close();
  std::filesystem::rename(partial, path);
}

}  // namespace recording_writers
