// Reads the samples of the signals that share one signal file, for any range of each, with as
// few reads of the file as the frames they span need.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "sample_formats.h"
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

  // Reads every request, decoding the frames they span once; each read asks the file afresh,
  // so that a file changed since an earlier read fails as it did then. False for a member that
  // does not exist, a range beyond the file's frames, or a file that no longer holds them; the
  // outputs may then be partly written.
  bool Read(std::span<const MemberRead> reads);

 private:
  // The file's bytes [offset, offset + length), from those read for the current request or
  // read now together with the bytes that follow up to readEnd; bytes beyond the file's end
  // (the rest of a last unit cut short) read as zero. Null when the file cannot give them.
  const std::byte* Fetch(std::int64_t offset, std::int64_t length);
  // The stream's samples of frames [firstFrame, firstFrame + frames) into `stream`, as stored
  // (a format-8 file's differences).
  bool DecodeFrames(std::int64_t firstFrame, std::int64_t frames);
  // The byte just past the units that hold frames before `frame`.
  std::int64_t EndOfFrames(std::int64_t frame) const;
  // Turns format-8 differences in `stream` (frames from firstFrame on) into values, carrying
  // `running` along and keeping checkpoints.
  void SumDifferences(std::int64_t firstFrame, std::int64_t frames);
  // Decodes from the nearest known running values up to `frame`; `running` then holds each
  // member's value before that frame.
  bool RunningValuesAt(std::int64_t frame);
  void Scatter(std::span<const MemberRead> reads, std::int64_t firstFrame, std::int64_t frames);
  // When every member has one sample per frame and is read once, over the same frames of the
  // chunk: copies them as the columns of its frames and gives true.
  bool ScatterColumns(std::span<const MemberRead> reads, std::int64_t firstFrame,
                      std::int64_t frames);

  SignalGroup group;
  std::unique_ptr<ByteSource> file;
  std::int64_t framesInFile = 0;
  UnitShape unit;
  // A chunk's stream stays in the first-level cache while its samples are scattered.
  std::int64_t framesPerChunk = 1;
  // File bytes [heldOffset, heldOffset + heldLength) of the current request, in `bytes`; reads
  // go no further than readEnd, the end of the request's frames.
  std::vector<std::byte> bytes;
  std::int64_t heldOffset = 0;
  std::int64_t heldLength = 0;
  std::int64_t readEnd = 0;
  std::vector<std::int16_t> stream;
  std::vector<std::int16_t*> columns;  // per member, for ScatterColumns
  // Format 8: each member's last value before frame runningFrame; checkpoints[k] the same
  // before frame k x kCheckpointFrames.
  std::vector<std::int32_t> running;
  std::int64_t runningFrame = 0;
  std::vector<std::vector<std::int32_t>> checkpoints;
};

}  // namespace wfdb
