// A signal file on disk as the group readers read it.
#pragma once

#include <filesystem>
#include <memory>

#include "common/random_access_file.h"
#include "group_reader.h"

namespace wfdb {

class FileSource : public ByteSource {
 public:
  explicit FileSource(std::unique_ptr<common::RandomAccessFile> file) : file(std::move(file)) {}
  std::int64_t Size() const override { return file->Size(); }
  bool ReadAt(std::int64_t offset, std::span<std::byte> destination) override {
    return file->ReadAt(offset, destination);
  }

 private:
  std::unique_ptr<common::RandomAccessFile> file;
};

// A file of the record's folder by its UTF-8 name; null, with the reason in `why`, when the
// name leads out of the folder or the file cannot be opened.
std::unique_ptr<common::RandomAccessFile> OpenInFolder(const std::filesystem::path& folder,
                                                       const std::string& utf8Name,
                                                       std::string& why);

// Whether a file of the record's folder by its UTF-8 name is absent; false for a name that
// leads out of the folder (OpenInFolder refuses it) and for a file that is there.
bool IsAbsent(const std::filesystem::path& folder, const std::string& utf8Name);

// The whole file, when it has at most `limit` bytes; nullopt otherwise or when it cannot be read.
std::optional<std::string> ReadWhole(common::RandomAccessFile& file, std::int64_t limit);

}  // namespace wfdb
