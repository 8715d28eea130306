#include "group_reader.h"

#include <algorithm>
#include <limits>

#include "frame_columns.h"
#include "sample_formats.h"

namespace wfdb {

namespace {

// Samples decoded at a time: their stream (8 KiB) stays in the first-level cache while it is
// scattered into the members' outputs.
constexpr std::int64_t kChunkSamples = std::int64_t{1} << 12;
// File bytes read at a time: few enough calls for a long read, and few enough bytes to stay in
// the second-level cache until they are decoded.
constexpr std::int64_t kReadBytes = std::int64_t{192} << 10;

std::int16_t Saturated(std::int32_t value) {
  // A running sum can leave 16 bits only in a damaged file; -32768 would read as invalid.
  return static_cast<std::int16_t>(std::clamp<std::int32_t>(value, -32767, 32767));
}

}  // namespace

GroupReader::GroupReader(SignalGroup group, std::unique_ptr<ByteSource> file)
    : group(std::move(group)), file(std::move(file)) {
  const SignalGroup& g = this->group;
  unit = UnitOf(g.format).value_or(UnitShape{});
  if (g.samplesPerFrame > 0 && this->file->Size() > g.byteOffset) {
    framesInFile = WholeSamplesIn(g.format, this->file->Size() - g.byteOffset) / g.samplesPerFrame;
  }
  framesPerChunk = std::max<std::int64_t>(1, kChunkSamples / std::max<std::int64_t>(1, g.samplesPerFrame));
  if (g.format == 8) {
    for (const GroupMember& member : g.members) {
      running.push_back(static_cast<std::int32_t>(
          std::clamp<std::int64_t>(member.initialValue, -(1 << 24), 1 << 24)));
    }
    checkpoints.push_back(running);
  }
}

const std::byte* GroupReader::Fetch(std::int64_t offset, std::int64_t length) {
  if (offset >= heldOffset && offset + length <= heldOffset + heldLength) {
    return bytes.data() + (offset - heldOffset);
  }
  const std::int64_t wanted = std::max(length, std::min(kReadBytes, readEnd - offset));
  const std::int64_t available = std::min(wanted, file->Size() - offset);
  heldLength = 0;
  if (available < 0) return nullptr;
  if (static_cast<std::int64_t>(bytes.size()) < wanted) {
    bytes.resize(static_cast<std::size_t>(wanted));
  }
  if (!file->ReadAt(offset, std::span(bytes).first(static_cast<std::size_t>(available)))) {
    return nullptr;
  }
  std::fill(bytes.begin() + available, bytes.begin() + wanted, std::byte{0});
  heldOffset = offset;
  heldLength = wanted;
  return bytes.data();
}

std::int64_t GroupReader::EndOfFrames(std::int64_t frame) const {
  const std::int64_t samples = frame * group.samplesPerFrame;
  return group.byteOffset + (samples + unit.samples - 1) / unit.samples * unit.bytes;
}

bool GroupReader::DecodeFrames(std::int64_t firstFrame, std::int64_t frames) {
  const std::int64_t firstSample = firstFrame * group.samplesPerFrame;
  const std::int64_t sampleCount = frames * group.samplesPerFrame;
  const std::int64_t firstUnit = firstSample / unit.samples;
  const auto skip = static_cast<int>(firstSample % unit.samples);
  const std::int64_t units = (skip + sampleCount + unit.samples - 1) / unit.samples;
  // The last unit may end early (212, 310, 311): its missing bytes read as zero and hold no
  // sample this reads.
  const std::byte* at = Fetch(group.byteOffset + firstUnit * unit.bytes, units * unit.bytes);
  if (!at) return false;
  stream.resize(static_cast<std::size_t>(sampleCount));
  DecodeSamples(group.format, std::span(at, static_cast<std::size_t>(units * unit.bytes)), skip,
                sampleCount, stream.data());
  return true;
}

void GroupReader::SumDifferences(std::int64_t firstFrame, std::int64_t frames) {
  std::int16_t* at = stream.data();
  for (std::int64_t frame = firstFrame; frame < firstFrame + frames; ++frame) {
    if (frame % kCheckpointFrames == 0 &&
        frame / kCheckpointFrames == static_cast<std::int64_t>(checkpoints.size())) {
      checkpoints.push_back(running);
    }
    for (std::size_t m = 0; m < group.members.size(); ++m) {
      for (std::int64_t k = 0; k < group.members[m].samplesPerFrame; ++k, ++at) {
        // Differences are at most 127 apart: no 32-bit sum of a file's worth can wrap before
        // it saturates on output, and it is held within +-2^24 at every checkpoint below.
        running[m] = std::clamp<std::int32_t>(running[m] + *at, -(1 << 24), 1 << 24);
        *at = Saturated(running[m]);
      }
    }
  }
  runningFrame = firstFrame + frames;
}

bool GroupReader::RunningValuesAt(std::int64_t frame) {
  const auto checkpoint = static_cast<std::size_t>(
      std::min<std::int64_t>(frame / kCheckpointFrames, static_cast<std::int64_t>(checkpoints.size()) - 1));
  const std::int64_t checkpointFrame = static_cast<std::int64_t>(checkpoint) * kCheckpointFrames;
  if (runningFrame > frame || runningFrame < checkpointFrame) {
    running = checkpoints[checkpoint];
    runningFrame = checkpointFrame;
  }
  while (runningFrame < frame) {
    const std::int64_t frames = std::min(framesPerChunk, frame - runningFrame);
    if (!DecodeFrames(runningFrame, frames)) return false;
    SumDifferences(runningFrame, frames);
  }
  return true;
}

bool GroupReader::ScatterColumns(std::span<const MemberRead> reads, std::int64_t firstFrame,
                                 std::int64_t frames) {
  const std::size_t memberCount = group.members.size();
  const std::int64_t stride = group.samplesPerFrame;
  if (stride != static_cast<std::int64_t>(memberCount) || reads.size() != memberCount) return false;
  columns.assign(memberCount, nullptr);
  std::int64_t from = 0;  // frames, the same for every read
  std::int64_t to = 0;
  for (const MemberRead& read : reads) {
    const std::int64_t skew = group.members[read.member].skew;
    const std::int64_t readFrom = std::max(read.first + skew, firstFrame);
    const std::int64_t readTo = std::min(read.first + read.count + skew, firstFrame + frames);
    if (columns[read.member] != nullptr || readFrom >= readTo) return false;
    if (&read == &reads.front()) {
      from = readFrom;
      to = readTo;
    } else if (readFrom != from || readTo != to) {
      return false;
    }
    columns[read.member] = read.out + (readFrom - skew - read.first);
  }
  CopyFrameColumns(stream.data() + (from - firstFrame) * stride, stride, to - from, columns.data(),
                   stride);
  return true;
}

void GroupReader::Scatter(std::span<const MemberRead> reads, std::int64_t firstFrame,
                          std::int64_t frames) {
  if (ScatterColumns(reads, firstFrame, frames)) return;
  const std::int64_t stride = group.samplesPerFrame;
  for (const MemberRead& read : reads) {
    const GroupMember& member = group.members[read.member];
    const std::int64_t spf = member.samplesPerFrame;
    // The member's samples whose frames lie in this chunk, walked frame by frame.
    const std::int64_t from = std::max(read.first, (firstFrame - member.skew) * spf);
    const std::int64_t to = std::min(read.first + read.count, (firstFrame + frames - member.skew) * spf);
    if (from >= to) continue;
    std::int16_t* out = read.out + (from - read.first);
    const std::int16_t* frameStart =
        stream.data() + (from / spf + member.skew - firstFrame) * stride + member.firstInFrame;
    if (spf == 1) {  // the common case, without a copy call per frame
      for (std::int64_t n = 0; n < to - from; ++n) out[n] = frameStart[n * stride];
      continue;
    }
    std::int64_t inFrame = from % spf;
    for (std::int64_t n = to - from; n > 0;) {
      const std::int64_t take = std::min(spf - inFrame, n);
      for (std::int64_t k = 0; k < take; ++k) out[k] = frameStart[inFrame + k];
      out += take;
      n -= take;
      frameStart += stride;
      inFrame = 0;
    }
  }
}

bool GroupReader::Read(std::span<const MemberRead> reads) {
  std::int64_t lowFrame = std::numeric_limits<std::int64_t>::max();
  std::int64_t highFrame = -1;  // exclusive
  for (const MemberRead& read : reads) {
    if (read.member >= group.members.size() || read.first < 0 || read.count < 0) return false;
    if (read.count == 0) continue;
    const GroupMember& member = group.members[read.member];
    if (read.first > MemberSamples(member, framesInFile) - read.count) return false;
    lowFrame = std::min(lowFrame, read.first / member.samplesPerFrame + member.skew);
    highFrame = std::max(highFrame, (read.first + read.count - 1) / member.samplesPerFrame + member.skew + 1);
  }
  if (highFrame < 0) return true;
  heldLength = 0;  // nothing read for an earlier request is served again
  readEnd = EndOfFrames(highFrame);
  if (group.format == 8 && !RunningValuesAt(lowFrame)) return false;
  for (std::int64_t chunk = lowFrame; chunk < highFrame; chunk += framesPerChunk) {
    const std::int64_t frames = std::min(framesPerChunk, highFrame - chunk);
    if (!DecodeFrames(chunk, frames)) return false;
    if (group.format == 8) SumDifferences(chunk, frames);
    Scatter(reads, chunk, frames);
  }
  return true;
}

bool GroupReader::ScanValueRanges(std::int64_t frames, std::vector<ValueRange>& ranges) {
  ranges.assign(group.members.size(), ValueRange{});
  if (group.format != 24 && group.format != 32) return true;
  frames = std::min(frames, framesInFile);
  heldLength = 0;
  readEnd = EndOfFrames(frames);
  const auto unitBytes = static_cast<std::size_t>(unit.bytes);  // one sample per unit
  for (std::int64_t chunk = 0; chunk < frames; chunk += framesPerChunk) {
    const std::int64_t count = std::min(framesPerChunk, frames - chunk);
    const std::int64_t length = count * group.samplesPerFrame * unit.bytes;
    const std::byte* at = Fetch(EndOfFrames(chunk), length);
    if (!at) return false;
    const std::span<const std::byte> chunkBytes(at, static_cast<std::size_t>(length));
    std::size_t sample = 0;
    for (std::int64_t frame = chunk; frame < chunk + count; ++frame) {
      for (std::size_t m = 0; m < group.members.size(); ++m) {
        const GroupMember& member = group.members[m];
        for (std::int64_t k = 0; k < member.samplesPerFrame; ++k, ++sample) {
          if (frame < member.skew) continue;  // not the member's: its samples start skew frames in
          if (const auto value = WideStoredValue(group.format, chunkBytes, sample * unitBytes)) ranges[m].Add(*value);
        }
      }
    }
  }
  return true;
}

}  // namespace wfdb
