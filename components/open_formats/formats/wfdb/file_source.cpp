#include "file_source.h"

namespace wfdb {

std::unique_ptr<common::RandomAccessFile> OpenInFolder(const std::filesystem::path& folder,
                                                       const std::string& utf8Name,
                                                       std::string& why) {
  // A header names files of its own folder: a path would let it reach any file on the system.
  if (utf8Name.empty() || utf8Name == "." || utf8Name == ".." ||
      utf8Name.find_first_of("/\\:") != std::string::npos) {
    why = "\"" + utf8Name + "\" is not a file name of the record's folder";
    return nullptr;
  }
  // The name's bytes are UTF-8 (char8_t is how the standard says so; same bytes).
  const std::u8string name(reinterpret_cast<const char8_t*>(utf8Name.data()), utf8Name.size());
  auto opened = common::RandomAccessFile::OpenNative(folder / std::filesystem::path(name));
  if (!opened.Ok()) {
    why = utf8Name + ": " + opened.Reason();
    return nullptr;
  }
  return std::move(opened.Value());
}

std::optional<std::string> ReadWhole(common::RandomAccessFile& file, std::int64_t limit) {
  if (file.Size() > limit) return std::nullopt;
  std::string bytes(static_cast<std::size_t>(file.Size()), '\0');
  // The string's chars are the file's bytes.
  if (!file.ReadAt(0, std::as_writable_bytes(std::span(bytes)))) return std::nullopt;
  return bytes;
}

}  // namespace wfdb
