// The component's one picture of an open recording, whatever its file format. A format's
// folder parses its files into a Recording; the window rule, the packets and the COM objects
// read nothing else.
//
// Time: ticks of 100 ns since day 0 (1899-12-30 00:00, the origin of the day numbers hosts
// see). Segments are ordered by start and do not overlap.
//
// Samples: each segment's channels share a frame clock (its Layout). A frame lasts frameTicks,
// an exact fraction of ticks, and channel c holds samplesPerFrame evenly spaced samples in each
// frame, so sample k of c lies k x frameTicks / samplesPerFrame ticks after the segment's start
// and the segment holds frameCount x samplesPerFrame samples of c, less the segment's shortfall
// for c: a channel may end before the frames do (a WFDB signal with a skew). EDF's data record
// is a frame (its signals have their own samples per record); BrainVision's frame is one sample
// of every channel.
//
// Events: each event has a kind (what makes two events "of one type") and a label. The packets
// give every kind a type of its own up to a cap; events of the kinds beyond it share the
// recording's one shared type.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "model/calibration.h"

namespace model {

inline constexpr std::int64_t kTicksPerSecond = 10'000'000;
inline constexpr std::int64_t kTicksPerDay = 86400 * kTicksPerSecond;

// An exact positive fraction: numerator / denominator, both at least 1.
struct Fraction {
  std::int64_t numerator = 1;
  std::int64_t denominator = 1;
};

// What the channel tables say of a channel beyond its name and rate; a format without such a
// field leaves the default. Texts are Latin-1 bytes, cut to the field's width by the packets.
struct ChannelDetails {
  std::string label;              // 16 bytes
  std::string physicalDimension;  // 8 bytes
  std::string transducer;         // 80 bytes
  std::string prefiltering;       // 80 bytes
  double physicalMinimum = 0.0;
  double physicalMaximum = 0.0;
  std::int32_t digitalMinimum = 0;
  std::int32_t digitalMaximum = 0;
  std::int32_t signalIndex = 0;  // position among the file's signals
  Calibration calibration;
};

struct Channel {
  std::u16string name;
  std::int64_t samplesPerFrame = 1;  // at least 1
  ChannelDetails details;
};

// The channels a segment holds, in host order, and their frame clock.
struct Layout {
  Fraction frameTicks;
  std::vector<Channel> channels;
};

struct Segment {
  std::int64_t startTicks = 0;
  // The frames' time, rounded up to a whole tick: every sample lies before the end.
  std::int64_t durationTicks = 0;
  std::size_t layout = 0;       // index into Recording::layouts
  std::int64_t frameCount = 0;  // at least 1
  // Per channel of the layout, how many samples fewer than frameCount x samplesPerFrame it
  // holds, all at the end; empty when every channel fills the frames.
  std::vector<std::int64_t> sampleShortfalls;
};

// Text 1 of the type that events of annotation kinds beyond the cap share, in the formats whose
// events are annotations (EDF+, WFDB).
inline constexpr const char* kSharedAnnotationTypeText = "Other annotations";

// The one type that the events of every kind beyond the cap share, in every format, however
// many annotation signals, annotators or marker files hold them.
struct SharedEventType {
  std::string key;  // the type's identity (its GUID is made from it); no kind's key
  std::u16string text1;
  std::u16string text2;
};

struct EventKind {
  std::string key;  // the type's identity (its GUID is made from it), distinct per kind
  std::u16string text1;
  std::u16string text2;
};

struct Event {
  std::int64_t timeTicks = 0;
  std::int64_t durationTicks = 0;
  std::size_t kind = 0;  // index into Recording::eventKinds
  std::u16string label;
};

// Samples [first, first + count) of one channel of a segment, as little-endian 16-bit values
// into destination.
struct ChannelRead {
  std::size_t channel = 0;
  std::int64_t first = 0;
  std::int64_t count = 0;
  std::byte* destination = nullptr;
};

// Where a recording's samples come from. Callers ask only for samples the segment holds.
class SampleSource {
 public:
  virtual ~SampleSource() = default;
  // Fills every read (all of one segment, so that a format can read each stretch of its file
  // once for all channels). False when the file no longer holds the samples; destinations
  // may then be partly written.
  virtual bool Fill(std::size_t segment, std::span<const ChannelRead> reads) = 0;
};

struct Recording {
  // Where recording seconds (SecondsToDate) count from.
  std::int64_t originTicks = 0;
  std::vector<Layout> layouts;
  std::vector<Segment> segments;
  SharedEventType sharedEventType;
  std::vector<EventKind> eventKinds;
  std::vector<Event> events;  // ordered by time
  std::unique_ptr<SampleSource> samples;
  // What the format forgave to open the file (records the header promises but the file
  // lacks, bytes after the last frame, ...), each a sentence for the user.
  std::vector<std::string> warnings;

  const Layout& LayoutOf(std::size_t segment) const { return layouts[segments[segment].layout]; }
};

}  // namespace model
