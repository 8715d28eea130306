// Reads the samples of the signals that share one signal file, for any range of each, with as
// few reads of the file as the frames they span need.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
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

class GroupReader {
 public:
  // A format-8 group keeps every member's running value at each multiple of this many frames
  // it has decoded, so that a later read decodes at most this many frames before its own.
  static constexpr std::int64_t kCheckpointFrames = std::int64_t{1} << 12;

  GroupReader(SignalGroup group, std::unique_ptr<ByteSource> file);

  const SignalGroup& Group() const { return group; }
  // The whole frames in the file after its byte offset.
  std::int64_t FramesInFile() const { return framesInFile; }
  // The samples a member holds when the record has `frames` frames: its skew leaves out
  // that many frames at the end.
  static std::int64_t MemberSamples(const GroupMember& member, std::int64_t frames);

  // Reads every request, decoding the frames they span once. False for a member that does not
  // exist, a range beyond the file's frames, or a file that no longer holds them; the outputs
  // may then be partly written.
  bool Read(std::span<const MemberRead> reads);

 private:
  // The stream's samples of frames [firstFrame, firstFrame + frames) into `stream`, as stored
  // (a format-8 file's differences).
  bool DecodeFrames(std::int64_t firstFrame, std::int64_t frames);
  // Turns format-8 differences in `stream` (frames from firstFrame on) into values, carrying
  // `running` along and keeping checkpoints.
  void SumDifferences(std::int64_t firstFrame, std::int64_t frames);
  // Decodes from the nearest known running values up to `frame`; `running` then holds each
  // member's value before that frame.
  bool RunningValuesAt(std::int64_t frame);
  void Scatter(std::span<const MemberRead> reads, std::int64_t firstFrame, std::int64_t frames) const;

  SignalGroup group;
  std::unique_ptr<ByteSource> file;
  std::int64_t framesInFile = 0;
  std::int64_t framesPerChunk = 1;  // a chunk's stream holds about a million samples
  std::vector<std::byte> bytes;
  std::vector<std::int16_t> stream;
  // Format 8: each member's last value before frame runningFrame; checkpoints[k] the same
  // before frame k x kCheckpointFrames.
  std::vector<std::int32_t> running;
  std::int64_t runningFrame = 0;
  std::vector<std::vector<std::int32_t>> checkpoints;
};

}  // namespace wfdb
