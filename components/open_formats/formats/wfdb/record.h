// A WFDB record opened from its header: its segments in the component's sense (continuous runs
// of the same signals with the same calibration), each segment's channels, the events of every
// annotator beside the header, and the stored samples of any channel range on demand.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "annotation_codes.h"
#include "common/result.h"
#include "header.h"
#include "signal_file_reader.h"

namespace wfdb {

inline constexpr std::int64_t kTicksPerDay = 86'400 * kTicksPerSecond;

struct Channel {
  std::string name;  // the description, else "record R, signal N"
  ExactRate samplesPerSecond;  // the frame rate times the signal's samples per frame
  std::int64_t samplesPerFrame = 1;
  // Held in its segment: fewer than the frames give when the last WFDB segment's skew leaves
  // out its last frames.
  std::int64_t sampleCount = 0;
  std::size_t signalIndex = 0;   // among its header's signals
  std::string units;
  double gain = 0;
  std::int64_t baseline = 0;
};

struct Event {
  std::int64_t ticks = 0;     // since day 0 (1899-12-30 00:00)
  std::size_t annotator = 0;  // index into Record::Annotators()
  int code = 0;
  std::string aux;  // the annotation's text; empty when it has none
};


class Record {
 public:
  // Opens the header and every file it names from the header's folder; finds the annotators.
  // Refuses, with a reason for the user, a header or segment header that cannot be read or
  // disagrees with the top-level header, and a signal that cannot be read.
  static Result<std::unique_ptr<Record>> Open(const std::filesystem::path& headerPath);

  struct Segment {
    std::int64_t startTicks = 0;  // since day 0
    // The time it spans, in the record's frames: up to the last whole frame of its files.
    std::int64_t frames = 0;
    std::vector<Channel> channels;
  };

  const Header& TopHeader() const { return header; }
  // The header's frame rate, on the tick grid (see RateOnTickGrid).
  ExactRate FramesPerSecond() const { return frameRate; }
  const std::vector<Segment>& Segments() const { return segments; }
  // Ordered by time (ties in annotator order, then file order).
  const std::vector<Event>& Events() const { return events; }
  // The annotation files' extensions ("atr", "qrs"), in name order.
  const std::vector<std::string>& Annotators() const { return annotators; }
  // The event's code's mnemonic ("N", "+") and its label: its text when it has one, else the
  // code's description ("Normal beat").
  const std::string& Mnemonic(const Event& event) const;
  const std::string& Label(const Event& event) const;
  // What opening forgave (signal files shorter than their header says, signals left out),
  // each a sentence.
  const std::vector<std::string>& Warnings() const { return warnings; }

  // Samples [first, first + count) of a channel of a segment, of its sampleCount; -32768 for a
  // null signal (format 0, no file), and where the files of a WFDB segment before the last
  // hold none (a skew's last frames, a file
  // shorter than its WFDB segment), so that later samples keep their times. False for a range
  // outside those or a file that no longer holds the samples.
  struct ChannelRead {
    std::size_t channel = 0;
    std::int64_t first = 0;
    std::int64_t count = 0;
    std::int16_t* out = nullptr;
  };
  bool Read(std::size_t segment, std::span<const ChannelRead> reads);

  ~Record();

 private:
  // The frames of one WFDB segment (the whole record when it has one segment), with its
  // signal files, and where each channel of its component segment lies among them.
  struct Part {
    std::int64_t frames = 0;
    std::int64_t wholeFrames = 0;  // at most `frames`: the whole frames every file holds
    std::vector<std::unique_ptr<SignalFileReader>> readers;
    struct Source {
      std::size_t reader = 0;
      std::size_t member = 0;
      std::int64_t samplesPerFrame = 1;
      std::int64_t available = 0;  // the samples its file holds within the part
      // False for a null signal (format 0): no file, every sample invalid.
      bool hasFile = true;
    };
    std::vector<Source> sources;  // one per channel of the segment
  };

  Record() = default;
  // The part of the signals of one (single-segment) header; its channels go to `channels`.
  // Signals of a wide format whose values do not all fit 16 bits are left out with a warning
  // that starts with `where`, naming its WFDB segment, if any.
  std::optional<std::string> OpenPart(const std::filesystem::path& folder, const Header& partHeader,
                                      std::int64_t frames, const std::string& where, Part& part,
                                      std::vector<Channel>& channels);
  std::optional<std::string> OpenSegments(const std::filesystem::path& folder);
  // Notes a part whose files hold fewer whole frames than its header gives; `where` names
  // its WFDB segment, if any.
  void NoteShortFiles(const Part& part, const std::string& where);
  // Each segment's frames and its channels' sample counts, from its parts. Refuses a segment
  // whose samples of a channel would not fit in 64 bits.
  std::optional<std::string> FinishSegments();
  std::optional<std::string> FindEvents(const std::filesystem::path& folder, const std::string& recordName);

  Header header;
  ExactRate frameRate;
  std::vector<Segment> segments;
  std::vector<std::vector<Part>> parts;  // per segment
  std::vector<Event> events;
  std::vector<std::string> annotators;
  std::vector<std::vector<CodeLabel>> labels;  // per annotator, per code 0..63
  std::vector<std::string> signalFileNames;  // every file a signal is read from
  std::int64_t startTicks = 0;               // since day 0
  std::vector<std::string> warnings;
  // Read's own, kept so that a stream of reads allocates nothing: each channel's first sample
  // in the part, and the requests to each of the part's readers.
  std::vector<std::int64_t> partStart;
  std::vector<std::vector<MemberRead>> perReader;
};

// Ticks that `frames` frames last at the rate, rounded to the nearest; nullopt beyond 64 bits.
std::optional<std::int64_t> FramesToTicks(std::int64_t frames, ExactRate rate);

}  // namespace wfdb
