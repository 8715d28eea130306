#include "single_file_input.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "component_queries.h"

namespace tapline_fuzz {

namespace {

std::string folderToRemove, fileToRemove;

void RemoveInputFolder() {
  std::remove(fileToRemove.c_str());
  rmdir(folderToRemove.c_str());
}

}  // namespace

SingleInputFile::SingleInputFile(const std::string& name) {
  const char* directory = std::getenv("TMPDIR");
  std::string folder =
      std::string(directory && *directory ? directory : "/tmp") + "/tapline_fuzz_XXXXXX";
  if (mkdtemp(folder.data()) == nullptr) Fail("no temporary folder");
  path = folder + "/" + name;
  descriptor = open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
  if (descriptor < 0) Fail("no temporary file");
  folderToRemove = folder;
  fileToRemove = path;
  std::atexit(RemoveInputFolder);
}

void SingleInputFile::Write(std::span<const std::uint8_t> bytes) {
  if (ftruncate(descriptor, 0) != 0) Fail("temporary file not truncated");
  std::size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t n = pwrite(descriptor, bytes.data() + written, bytes.size() - written,
                             static_cast<off_t>(written));
    if (n <= 0) Fail("temporary file not written");
    written += static_cast<std::size_t>(n);
  }
}

bool SingleInputFile::Cut(std::uint8_t fraction) {
  const off_t size = lseek(descriptor, 0, SEEK_END);
  const off_t cutSize = size * fraction / 256;
  if (size <= 0 || cutSize >= size) return false;
  if (ftruncate(descriptor, cutSize) != 0) Fail("temporary file not cut");
  return true;
}

}  // namespace tapline_fuzz
