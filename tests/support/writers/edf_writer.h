// Writes EDF and EDF+ files field by field. Every header field is a text that the writer pads
// with spaces to its width, so a test can put anything in any field; the computed fields
// (header length, record count, signal count) can be overridden too, and the finished bytes
// are an ordinary string to patch or cut, or streamed record by record to a file too large to
// hold. Used by the tests, the fuzz seeds, the sample-recording generator and the benchmarks.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "written_file.h"

namespace edf_writer {

struct HeaderFields {
  std::string version = "0";
  std::string patient = "X X X X";
  std::string recording = "Startdate X X X X";
  std::string startDate = "01.02.03";  // dd.mm.yy
  std::string startTime = "04.05.06";  // hh.mm.ss
  std::string reserved;                // "EDF+C", "EDF+D" or empty for plain EDF
  std::string recordDuration = "1";
  // Computed from the signals and records unless set.
  std::optional<std::string> headerBytes;
  std::optional<std::string> recordCount;
  std::optional<std::string> signalCount;
};

struct SignalFields {
  std::string label;
  std::string transducer;
  std::string physicalDimension = "uV";
  std::string physicalMinimum = "-3200";
  std::string physicalMaximum = "3200";
  std::string digitalMinimum = "-32768";
  std::string digitalMaximum = "32767";
  std::string prefiltering;
  std::string samplesPerRecord = "1";
  std::string reserved;
};

// What one signal contributes to one data record: samples of an ordinary signal, or the bytes
// of an annotation signal (zero-padded to the signal's size).
using SignalData = std::variant<std::vector<std::int16_t>, std::string>;

class EdfWriter {
 public:
  HeaderFields header;
  std::vector<SignalFields> signals;

  // Adds an ordinary signal; returns its index.
  std::size_t AddSignal(std::string label, int samplesPerRecord);
  // Adds an "EDF Annotations" signal of 2 x samplesPerRecord bytes per record; returns its index.
  std::size_t AddAnnotationSignal(int samplesPerRecord);

  // The header; its computed record count is the number of records added with AddRecord.
  std::string HeaderBytes() const;
  // One data record's bytes, signal after signal, for writers that stream records to a file.
  // Throws std::invalid_argument when a signal's samples do not number exactly its samples
  // per record, when annotation bytes do not fit, or when the data do not match the signals.
  std::string RecordBytes(const std::vector<SignalData>& perSignal) const;
  // Keeps a record for FileBytes.
  void AddRecord(const std::vector<SignalData>& perSignal);
  // The header followed by the records added so far.
  std::string FileBytes() const;
  // The bytes of the header and of that many records (whatever the header's count field says).
  std::int64_t FileSize(std::int64_t records) const;

 private:
  std::string records;
  std::int64_t recordsWritten = 0;
};

// One TAL: onset (with its sign, e.g. "+1.5"), an optional duration, the texts, the closing 0.
std::string Tal(std::string_view onset, std::optional<std::string_view> duration,
                const std::vector<std::string>& texts);
// The time-keeping TAL that opens a record's first annotation signal: onset, empty text.
std::string TimeKeepingTal(std::string_view onset);

// A file larger than memory: the writer's header (so its record count is set beforehand),
// then each record as it is made, through a partial file that Finish renames to the path.
class RecordStream {
 public:
  RecordStream(const EdfWriter& writer, std::filesystem::path path);
  // Throws as EdfWriter::RecordBytes does.
  void Write(const std::vector<SignalData>& perSignal);
  // Throws std::runtime_error when a write failed.
  void Finish();

 private:
  const EdfWriter& writer;
  recording_writers::PartialFile file;
};

}  // namespace edf_writer
