// What the record asks of a signal file, whatever its coding: how many frames it holds, the
// stored values of any range of each of its signals, and, for the formats whose values may
// not fit 16 bits, the range those values span.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <span>
#include <vector>

#include "signal_groups.h"

namespace wfdb {

// A signal file's bytes, read by position.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual std::int64_t Size() const = 0;
  // Reads destination.size() bytes at the offset; false when they are not all there.
  virtual bool ReadAt(std::int64_t offset, std::span<std::byte> destination) = 0;
};

// Samples [first, first + count) of the group's member `member`, into out[0 .. count).
struct MemberRead {
  std::size_t member = 0;
  std::int64_t first = 0;
  std::int64_t count = 0;
  std::int16_t* out = nullptr;
};

// The smallest and largest stored value of a signal, invalid samples left out; empty
// (lowest > highest) when it holds none but invalid ones.
struct ValueRange {
  std::int64_t lowest = std::numeric_limits<std::int64_t>::max();
  std::int64_t highest = std::numeric_limits<std::int64_t>::min();

  void Add(std::int64_t value) {
    lowest = value < lowest ? value : lowest;
    highest = value > highest ? value : highest;
  }
  // Whether every value reads as itself in 16 bits: -32768 is the invalid value there.
  bool FitsSixteenBits() const { return lowest > highest || (lowest >= -32767 && highest <= 32767); }
};

class SignalFileReader {
 public:
  virtual ~SignalFileReader() = default;

  virtual const SignalGroup& Group() const = 0;
  // The whole frames in the file after its byte offset.
  virtual std::int64_t FramesInFile() const = 0;
  // Reads every request. False for a member that does not exist, a range beyond the file's
  // frames, or a file that no longer holds them; the outputs may then be partly written.
  // A value that no longer fits 16 bits reads as -32768.
  virtual bool Read(std::span<const MemberRead> reads) = 0;
  // Each member's range over the stream's first `frames` frames, in one pass of bounded
  // memory; false when the file cannot give them.
  virtual bool ScanValueRanges(std::int64_t frames, std::vector<ValueRange>& ranges) = 0;

  // The samples a member holds when the record has `frames` frames: its skew leaves out
  // that many frames at the end.
  static std::int64_t MemberSamples(const GroupMember& member, std::int64_t frames) {
    return frames > member.skew ? (frames - member.skew) * member.samplesPerFrame : 0;
  }
};

}  // namespace wfdb
