#include "format_registry.h"

#include <fstream>
#include <string>
#include <string_view>

#include "common/random_access_file.h"
#include "formats/brainvision/brainvision_format.h"
#include "formats/edf/edf_format.h"
#include "formats/format.h"
#include "formats/gdf/gdf_format.h"
#include "formats/wfdb/wfdb_format.h"

namespace formats {

namespace {

// One row per format, tried in this order.
constexpr Format kFormats[] = {
    {"EDF", "its version field \"0\" at the start", edf::Recognises, edf::Open},
    {"BrainVision", "an identification line first or a [Common Infos] section",
     brainvision::Recognises, brainvision::Open},
    {"GDF", "\"GDF\" and a version number at the start", gdf::Recognises, gdf::Open},
    {"WFDB", "a record line as the first line that is neither blank nor a # comment",
     wfdb::Recognises, wfdb::Open},
};

// Most files are told by their first block; only one that no format recognises there is read
// on, up to kRecognisedBytes.
constexpr std::size_t kFirstLook = 4096;
// The first line as a refusal quotes it.
constexpr std::size_t kQuotedLineBytes = 60;

const Format* Recognising(std::string_view bytes) {
  for (const Format& format : kFormats) {
    if (format.recognises(bytes)) return &format;
  }
  return nullptr;
}

// Appends `count` more bytes of the file (fewer at its end).
void ReadMore(std::ifstream& file, std::string& bytes, std::size_t count) {
  const std::size_t had = bytes.size();
  bytes.resize(had + count);
  file.read(bytes.data() + had, static_cast<std::streamsize>(count));
  bytes.resize(had + static_cast<std::size_t>(file.gcount()));
}

// The line up to its end (or the quoted length), other bytes than printable ASCII as \xNN.
std::string QuotedFirstLine(std::string_view bytes) {
  const std::string_view line = bytes.substr(0, bytes.find_first_of("\r\n"));
  std::string quoted = "\"";
  for (const char c : line.substr(0, kQuotedLineBytes)) {
    const auto u = static_cast<unsigned char>(c);
    if (u >= 0x20 && u < 0x7F && c != '"' && c != '\\') {
      quoted += c;
    } else {
      constexpr char kHex[] = "0123456789ABCDEF";
      quoted += std::string("\\x") + kHex[u >> 4] + kHex[u & 15];
    }
  }
  return quoted + (line.size() > kQuotedLineBytes ? "...\"" : "\"");
}

std::string NobodyRecognises(std::string_view bytes) {
  if (bytes.empty()) return "the file is empty";
  std::string reason = "no format read here recognises the file, whose first line is " +
                       QuotedFirstLine(bytes) + ": ";
  for (const Format& format : kFormats) {
    if (&format != kFormats) reason += "; ";
    reason += std::string(format.name) + " needs " + format.signature;
  }
  return reason + " (within the first " + std::to_string(kRecognisedBytes >> 20) + " MiB)";
}

}  // namespace

common::Result<model::Recording> OpenRecordingFile(const std::filesystem::path& path) {
  std::error_code error;
  // Not opened to look when it is not a regular file: a FIFO would wait for a writer. The
  // file's own reason says what it is.
  if (!std::filesystem::is_regular_file(path, error)) {
    auto opened = common::RandomAccessFile::OpenNative(path);
    return common::Result<model::Recording>::Refuse(
        opened.Ok() ? std::string("the file cannot be read") : opened.Reason());
  }
  std::ifstream file(path, std::ios::binary);
  std::string bytes;
  ReadMore(file, bytes, kFirstLook);
  const Format* format = Recognising(bytes);
  if (!format && bytes.size() == kFirstLook) {
    ReadMore(file, bytes, kRecognisedBytes - kFirstLook);
    format = Recognising(bytes);
  }
  if (format) return format->open(path);
  return common::Result<model::Recording>::Refuse(NobodyRecognises(bytes));
}

}  // namespace formats
