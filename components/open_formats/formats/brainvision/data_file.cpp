#include "data_file.h"

#include <algorithm>
#include <limits>
#include <span>

#include "companion_files.h"
#include "sample_gather.h"

namespace brainvision {

namespace {

// Samples straight from the data file: a frame is one sample of every channel.
class BrainVisionSamples final : public model::SampleSource {
 public:
  BrainVisionSamples(std::unique_ptr<common::RandomAccessFile> data, DataLayout layout,
                     std::vector<std::int64_t> segmentFirstFrames)
      : file(std::move(data)), layout(layout), firstFrames(std::move(segmentFirstFrames)) {}

  bool Fill(std::size_t segment, std::span<const model::ChannelRead> reads) override {
    if (segment >= firstFrames.size()) return false;
    const std::int64_t base = firstFrames[segment];
    return layout.vectorized ? FillVectorized(base, reads) : FillMultiplexed(base, reads);
  }

 private:
  // Frames are read a batch at a time into a buffer that stays in the second-level cache, and
  // de-interleaved a block at a time, which stays in the first-level cache while every wanted
  // channel's samples are gathered from it: a block larger than the cache is fetched again
  // from memory for each channel.
  static constexpr std::int64_t kBatchBytes = std::int64_t{256} << 10;
  static constexpr std::int64_t kBlockBytes = std::int64_t{16} << 10;

  // Stored 16-bit value (in the file's byte order) to the host's little-endian int16.
  void Convert(std::byte* samples, std::int64_t count) const {
    if (!layout.bigEndian && layout.format == SampleFormat::Int16) return;
    for (std::int64_t i = 0; i < count; ++i) {
      std::byte* s = samples + 2 * i;
      if (layout.bigEndian) std::swap(s[0], s[1]);
      // UINT_16 minus 32768 is the same 16 bits with the top one flipped.
      if (layout.format == SampleFormat::UInt16) s[1] ^= std::byte{0x80};
    }
  }

  // Reads whose destinations follow one another (a block's channels do) go to the file
  // together, with one check that it is unchanged for all of them.
  bool FillVectorized(std::int64_t base, std::span<const model::ChannelRead> reads) {
    for (std::size_t run = 0; run < reads.size();) {
      ranges.clear();
      std::int64_t bytes = 0;
      std::size_t end = run;
      do {
        const model::ChannelRead& read = reads[end];
        ranges.push_back(
            {(static_cast<std::int64_t>(read.channel) * layout.frames + base + read.first) * 2,
             read.count * 2});
        bytes += read.count * 2;
        ++end;
      } while (end < reads.size() && reads[end].destination == reads[run].destination + bytes);
      if (!file->ReadRanges(ranges, {reads[run].destination, static_cast<std::size_t>(bytes)})) {
        return false;
      }
      for (; run < end; ++run) Convert(reads[run].destination, reads[run].count);
    }
    return true;
  }

  bool FillMultiplexed(std::int64_t base, std::span<const model::ChannelRead> reads) {
    std::int64_t first = std::numeric_limits<std::int64_t>::max();
    std::int64_t end = 0;
    for (const model::ChannelRead& read : reads) {
      first = std::min(first, read.first);
      end = std::max(end, read.first + read.count);
    }
    if (end <= first) return true;
    const std::int64_t frameBytes = layout.channels * 2;
    const std::int64_t batchFrames = std::max<std::int64_t>(1, kBatchBytes / frameBytes);
    buffer.resize(static_cast<std::size_t>(std::min(batchFrames, end - first) * frameBytes));
    for (std::int64_t from = first; from < end; from += batchFrames) {
      const std::int64_t to = std::min(end, from + batchFrames);
      const std::span<std::byte> bytes(buffer.data(),
                                       static_cast<std::size_t>((to - from) * frameBytes));
      if (!file->ReadAt((base + from) * frameBytes, bytes)) return false;
      Convert(bytes.data(), (to - from) * layout.channels);
      const std::int64_t blockFrames = std::max<std::int64_t>(1, kBlockBytes / frameBytes);
      for (std::int64_t block = from; block < to; block += blockFrames) {
        GatherSamples(bytes.data() + (block - from) * frameBytes, frameBytes, block,
                      std::min(to, block + blockFrames), reads);
      }
    }
    return true;
  }

  std::unique_ptr<common::RandomAccessFile> file;
  DataLayout layout;
  std::vector<std::int64_t> firstFrames;
  std::vector<std::byte> buffer;
  std::vector<common::FileRange> ranges;
};

}  // namespace

common::Result<DataFile> OpenDataFile(const std::filesystem::path& headerPath, const Header& header,
                                      std::vector<std::string>& warnings) {
  using DataResult = common::Result<DataFile>;
  if (auto why = WhyNotInFolder(header.dataFile, "the data file")) return DataResult::Refuse(*why);
  const auto dataPath =
      FindCompanion(headerPath, header.dataFile, ".eeg", "the data file", warnings);
  if (!dataPath) return DataResult::Refuse("the data file is missing");
  auto data = common::RandomAccessFile::OpenNative(*dataPath);
  if (!data.Ok()) return DataResult::Refuse("the data file: " + data.Reason());
  // A data file still being written keeps serving the frames it held at open.
  if (!data.Value()->KeepServingWhileGrowing()) {
    return DataResult::Refuse("the data file cannot be read");
  }
  DataLayout layout;
  layout.channels = static_cast<std::int64_t>(header.channels.size());
  layout.vectorized = header.vectorized;
  layout.bigEndian = header.bigEndian;
  layout.format = header.format;
  const std::int64_t frameBytes = layout.channels * 2;
  layout.frames = data.Value()->Size() / frameBytes;
  if (const std::int64_t partial = data.Value()->Size() % frameBytes) {
    warnings.push_back("the data file ends in a partial frame (" + std::to_string(partial) +
                       " of " + std::to_string(frameBytes) + " bytes), which is not read");
  }
  return DataFile{std::move(data.Value()), layout};
}

std::unique_ptr<model::SampleSource> DataFileSamples(DataFile data,
                                                     std::vector<std::int64_t> segmentFirstFrames) {
  return std::make_unique<BrainVisionSamples>(std::move(data.file), data.layout,
                                              std::move(segmentFirstFrames));
}

}  // namespace brainvision
