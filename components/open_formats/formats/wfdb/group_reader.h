// Reads the samples of the signals that share one signal file, for any range of each, with as
// few reads of the file as the frames they span need.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "sample_formats.h"
#include "signal_file_reader.h"

namespace wfdb {

// The formats of fixed-size units (every format but FLAC's).
class GroupReader final : public SignalFileReader {
 public:
  // A format-8 group keeps every member's running value at each multiple of this many frames
  // it has decoded, so that a later read decodes at most this many frames before its own.
  static constexpr std::int64_t kCheckpointFrames = std::int64_t{1} << 12;

  GroupReader(SignalGroup group, std::unique_ptr<ByteSource> file);

  const SignalGroup& Group() const override { return group; }
  std::int64_t FramesInFile() const override { return framesInFile; }

  // Decodes the frames the requests span once; each read asks the file afresh, so that a file
  // changed since an earlier read fails as it did then.
  bool Read(std::span<const MemberRead> reads) override;
  // Formats 24 and 32 (every other one fits 16 bits): chunk by chunk through the file.
  bool ScanValueRanges(std::int64_t frames, std::vector<ValueRange>& ranges) override;

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
