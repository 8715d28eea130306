#include "group_reader.h"

#include <algorithm>
#include <limits>

#include "sample_formats.h"

namespace wfdb {

namespace {

constexpr std::int64_t kChunkSamples = std::int64_t{1} << 20;

std::int16_t Saturated(std::int32_t value) {
  // A running sum can leave 16 bits only in a damaged file; -32768 would read as invalid.
  return static_cast<std::int16_t>(std::clamp<std::int32_t>(value, -32767, 32767));
}

}  // namespace

GroupReader::GroupReader(SignalGroup group, std::unique_ptr<ByteSource> file)
    : group(std::move(group)), file(std::move(file)) {
  const SignalGroup& g = this->group;
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

std::int64_t GroupReader::MemberSamples(const GroupMember& member, std::int64_t frames) {
  return frames > member.skew ? (frames - member.skew) * member.samplesPerFrame : 0;
}

bool GroupReader::DecodeFrames(std::int64_t firstFrame, std::int64_t frames) {
  const UnitShape unit = *UnitOf(group.format);
  const std::int64_t firstSample = firstFrame * group.samplesPerFrame;
  const std::int64_t sampleCount = frames * group.samplesPerFrame;
  const std::int64_t firstUnit = firstSample / unit.samples;
  const auto skip = static_cast<int>(firstSample % unit.samples);
  const std::int64_t units = (skip + sampleCount + unit.samples - 1) / unit.samples;
  const std::int64_t offset = group.byteOffset + firstUnit * unit.bytes;
  bytes.assign(static_cast<std::size_t>(units * unit.bytes), std::byte{0});
  // The last unit may end early (212, 310, 311): its missing bytes read as zero and hold no
  // sample this reads.
  const std::int64_t available = std::min<std::int64_t>(units * unit.bytes, file->Size() - offset);
  if (available < 0) return false;
  if (!file->ReadAt(offset, std::span(bytes).first(static_cast<std::size_t>(available)))) {
    return false;
  }
  stream.resize(static_cast<std::size_t>(sampleCount));
  DecodeSamples(group.format, bytes, skip, sampleCount, stream.data());
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

void GroupReader::Scatter(std::span<const MemberRead> reads, std::int64_t firstFrame,
                          std::int64_t frames) const {
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
  if (group.format == 8 && !RunningValuesAt(lowFrame)) return false;
  for (std::int64_t chunk = lowFrame; chunk < highFrame; chunk += framesPerChunk) {
    const std::int64_t frames = std::min(framesPerChunk, highFrame - chunk);
    if (!DecodeFrames(chunk, frames)) return false;
    if (group.format == 8) SumDifferences(chunk, frames);
    Scatter(reads, chunk, frames);
  }
  return true;
}

}  // namespace wfdb
