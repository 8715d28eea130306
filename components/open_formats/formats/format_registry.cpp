#include "format_registry.h"

#include <fstream>
#include <string>
#include <string_view>

#include "formats/brainvision/brainvision_format.h"
#include "formats/edf/edf_format.h"
#include "formats/format.h"
#include "formats/gdf/gdf_format.h"
#include "formats/wfdb/wfdb_format.h"

namespace formats {

namespace {

// One row per format, tried in this order; the first is also the one that explains a file
// nobody recognises.
constexpr Format kFormats[] = {
    {edf::Recognises, edf::Open},
    {brainvision::Recognises, brainvision::Open},
    {gdf::Recognises, gdf::Open},
    {wfdb::Recognises, wfdb::Open},
};

// Empty for what is not a regular file: opening a FIFO to look would wait for a writer, and
// EDF's parser refuses such files without waiting.
std::string FirstBytes(const std::filesystem::path& path) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return {};
  std::ifstream file(path, std::ios::binary);
  std::string bytes(kRecognisedBytes, '\0');
  file.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  bytes.resize(static_cast<std::size_t>(file.gcount()));
  return bytes;
}

}  // namespace

common::Result<model::Recording> OpenRecordingFile(const std::filesystem::path& path) {
  const std::string first = FirstBytes(path);
  for (const Format& format : kFormats) {
    if (format.recognises(first)) return format.open(path);
  }
  return kFormats[0].open(path);
}

}  // namespace formats
