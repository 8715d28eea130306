// A whole file mapped read-only for a benchmark's floor, unmapped when it goes out of scope.
#pragma once

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <stdexcept>
#include <string>

namespace bench {

class MappedFile {
 public:
  // Throws std::runtime_error when the file cannot be opened or mapped.
  explicit MappedFile(const std::string& path) {
    const int descriptor = open(path.c_str(), O_RDONLY);
    struct stat status {};
    if (descriptor < 0 || fstat(descriptor, &status) != 0) {
      if (descriptor >= 0) close(descriptor);
      throw std::runtime_error("cannot open " + path);
    }
    size_ = static_cast<std::size_t>(status.st_size);
    data_ = mmap(nullptr, size_, PROT_READ, MAP_PRIVATE, descriptor, 0);
    close(descriptor);
    if (data_ == MAP_FAILED) throw std::runtime_error("cannot map " + path);
  }
  ~MappedFile() { munmap(data_, size_); }
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;

  // Page-aligned, so any sample type may be read through it.
  template <typename T>
  const T* As() const { return static_cast<const T*>(data_); }
  std::size_t size() const { return size_; }

 private:
  void* data_ = nullptr;
  std::size_t size_ = 0;
};

}  // namespace bench
