// An open EDF, EDF+C or EDF+D recording: its header, segments, events, and the samples of a
// time window on demand. Opening reads the header and the annotation bytes of each data record,
// never the samples.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "common/random_access_file.h"
#include "common/result.h"
#include "edf_header.h"
#include "model/sample_grid.h"

namespace edf {

// Where windows fall and which times and sample spacings a recording may have are the model's
// rules (model/window_rule.h, model/time_range.h), checked when the component serves the model.

struct Segment {
  std::int64_t firstRecord = 0;
  std::int64_t recordCount = 0;
  std::int64_t startTicks = 0;     // from the header's start second
  std::int64_t durationTicks = 0;  // recordCount x record duration
};

struct Event {
  std::int64_t onsetTicks = 0;  // from the header's start second; may be negative
  std::int64_t durationTicks = 0;
  std::string text;  // UTF-8 as written
  std::size_t signal = 0;  // the annotation signal that holds it (index among all signals)
};

struct Window {
  std::size_t segment = 0;
  std::vector<model::SampleRange> channels;  // one per channel, within the segment
};

class Recording {
 public:
  // Refuses, with a reason for the user, anything that is not a readable EDF/EDF+ file.
  static common::Result<std::unique_ptr<Recording>> Open(const std::string& utf8Path);
  // The same for the system's own form of a file name (its bytes on POSIX, UTF-16 on Windows),
  // which need not be valid text.
  static common::Result<std::unique_ptr<Recording>> OpenNative(const std::filesystem::path& path);

  const Header& FileHeader() const { return header; }
  std::int64_t StartSecond() const { return header.fixed.startSecond; }
  std::int64_t RecordDurationTicks() const { return header.fixed.recordDurationTicks; }
  // Complete data records in use (a truncated last record and trailing bytes are left out).
  std::int64_t RecordCount() const { return recordCount; }
  const std::vector<Segment>& Segments() const { return segments; }
  // The ordinary signals, annotation signals excluded: channel i is signal ChannelSignals()[i].
  const std::vector<std::size_t>& ChannelSignals() const { return channelSignals; }
  const SignalHeader& ChannelHeader(std::size_t channel) const;
  double SamplingRate(std::size_t channel) const;
  // Every annotation, time keeping excluded, ordered by onset (ties keep file order).
  const std::vector<Event>& Events() const { return events; }
  // What opening forgave (records the header promises but the file lacks, bytes after the
  // last record, a digital minimum above the maximum), each a sentence for the user.
  const std::vector<std::string>& Warnings() const { return warnings; }

  // Reads the window's samples, channel i's into destinations[i] (2 bytes per sample, little
  // endian, window.channels[i].count of them). False when the file no longer holds them;
  // destinations may then be partly written.
  bool ReadWindow(const Window& window, std::span<std::byte* const> destinations);

 private:
  Recording() = default;
  // Says what the record count leaves of a file of that size: records the header promises
  // but the file lacks, or bytes after the last record.
  void NoteRecordsForgiven(std::int64_t fileBytes);
  std::optional<std::string> ScanRecords();
  // Refuses records whose total duration would not fit the 64-bit ticks the segments add up.
  std::optional<std::string> CheckRecordsDuration() const;

  std::unique_ptr<common::RandomAccessFile> file;
  Header header;
  std::int64_t recordCount = 0;
  std::vector<std::size_t> channelSignals;
  std::vector<Segment> segments;
  std::vector<Event> events;
  std::vector<std::string> warnings;
  // Kept between reads: fresh memory for every window would cost a page fault per page.
  std::unique_ptr<std::byte[]> readBuffer;
  std::size_t readBufferBytes = 0;
};

}  // namespace edf
