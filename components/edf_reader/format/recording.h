// An open EDF, EDF+C or EDF+D recording: its header, segments, events, and the samples of a
// time window on demand. Opening reads the header and the annotation bytes of each data record,
// never the samples.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "edf_header.h"
#include "random_access_file.h"
#include "result.h"
#include "sample_window.h"

namespace edf {

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
  std::vector<SampleRange> channels;  // one per channel
};

class Recording {
 public:
  // Refuses, with a reason for the user, anything that is not a readable EDF/EDF+ file.
  static Result<std::unique_ptr<Recording>> Open(const std::string& utf8Path);

  const Header& header() const { return header_; }
  std::int64_t StartSecond() const { return header_.fixed.startSecond; }
  std::int64_t RecordDurationTicks() const { return header_.fixed.recordDurationTicks; }
  // Complete data records in use (a truncated last record and trailing bytes are left out).
  std::int64_t RecordCount() const { return recordCount_; }
  const std::vector<Segment>& Segments() const { return segments_; }
  // The ordinary signals, annotation signals excluded: channel i is signal ChannelSignals()[i].
  const std::vector<std::size_t>& ChannelSignals() const { return channelSignals_; }
  const SignalHeader& ChannelHeader(std::size_t channel) const;
  double SamplingRate(std::size_t channel) const;
  // Every annotation, time keeping excluded, ordered by onset (ties keep file order).
  const std::vector<Event>& Events() const { return events_; }

  // The segment with start <= ticks < end.
  std::optional<std::size_t> FindSegment(std::int64_t ticks) const;
  // Per channel, the samples in [start, start + duration) within the start's segment (the end
  // clamped to the segment's end); nullopt when no segment holds the start or the duration
  // is negative.
  std::optional<Window> WindowAt(std::int64_t startTicks, std::int64_t durationTicks) const;
  // One channel's range of WindowAt, without working out the others'; nullopt as for WindowAt
  // and for a channel that does not exist.
  std::optional<SampleRange> ChannelWindowAt(std::size_t channel, std::int64_t startTicks,
                                             std::int64_t durationTicks) const;
  // Reads the window's samples, channel i's into destinations[i] (2 bytes per sample, little
  // endian, window.channels[i].count of them). False when the file no longer holds them;
  // destinations may then be partly written.
  bool ReadWindow(const Window& window, std::span<std::byte* const> destinations);

 private:
  struct WindowBounds {
    std::size_t segment;
    std::int64_t from;  // ticks from the segment's start
    std::int64_t to;
  };

  Recording() = default;
  std::optional<std::string> ScanRecords();
  std::optional<WindowBounds> BoundsOf(std::int64_t startTicks, std::int64_t durationTicks) const;

  std::unique_ptr<RandomAccessFile> file_;
  Header header_;
  std::int64_t recordCount_ = 0;
  std::vector<std::size_t> channelSignals_;
  std::vector<Segment> segments_;
  std::vector<Event> events_;
  // Kept between reads: fresh memory for every window would cost a page fault per page.
  std::unique_ptr<std::byte[]> readBuffer_;
  std::size_t readBufferBytes_ = 0;
};

}  // namespace edf
