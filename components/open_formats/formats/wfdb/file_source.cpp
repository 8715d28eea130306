#include "file_source.h"

namespace wfdb {

namespace {

bool IsPlainName(const std::string& utf8Name) {
  // A header names files of its own folder: a path would let it reach any file on the system.
  return !utf8Name.empty() && utf8Name != "." && utf8Name != ".." &&
         utf8Name.find_first_of("/\\:") == std::string::npos;
}

std::filesystem::path InFolder(const std::filesystem::path& folder, const std::string& utf8Name) {
  // The name's bytes are UTF-8 (char8_t is how the standard says so; same bytes).
  return folder / std::filesystem::path(std::u8string(reinterpret_cast<const char8_t*>(utf8Name.data()), utf8Name.size()));
}

}  // namespace

bool IsAbsent(const std::filesystem::path& folder, const std::string& utf8Name) {
  std::error_code error;
  return IsPlainName(utf8Name) && !std::filesystem::exists(InFolder(folder, utf8Name), error) && !error;
}

std::unique_ptr<common::RandomAccessFile> OpenInFolder(const std::filesystem::path& folder,
                                                       const std::string& utf8Name,
                                                       std::string& why) {
  if (!IsPlainName(utf8Name)) {
    why = "\"" + utf8Name + "\" is not a file name of the record's folder";
    return nullptr;
  }
  auto opened = common::RandomAccessFile::OpenNative(InFolder(folder, utf8Name));
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
