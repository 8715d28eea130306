#include "recording_formats.h"

#include <fstream>
#include <string>
#include <string_view>

#include "formats/brainvision/brainvision_model.h"
#include "formats/edf/edf_model.h"
#include "formats/wfdb/wfdb_model.h"

namespace formats {

namespace {

struct Format {
  bool (*recognises)(std::string_view firstBytes);
  model::Result<model::Recording> (*open)(const std::filesystem::path& path);
};

// One line per format; the first is also the one that explains a file nobody recognises.
constexpr Format kFormats[] = {
    {edf::LooksLikeEdf, edf::OpenModel},
    {brainvision::LooksLikeHeader, brainvision::OpenModel},
    {wfdb::LooksLikeWfdbHeader, wfdb::OpenModel},
};

constexpr std::size_t kFirstBytes = 4096;

// Empty for what is not a regular file: opening a FIFO to look would wait for a writer, and
// EDF's parser refuses such files without waiting.
std::string FirstBytes(const std::filesystem::path& path) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return {};
  std::ifstream file(path, std::ios::binary);
  std::string bytes(kFirstBytes, '\0');
  file.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  bytes.resize(static_cast<std::size_t>(file.gcount()));
  return bytes;
}

}  // namespace

model::Result<model::Recording> OpenRecordingFile(const std::filesystem::path& path) {
  const std::string first = FirstBytes(path);
  for (const Format& format : kFormats) {
    if (format.recognises(first)) return format.open(path);
  }
  return kFormats[0].open(path);
}

}  // namespace formats
