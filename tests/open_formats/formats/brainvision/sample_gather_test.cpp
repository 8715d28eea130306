// De-interleaving multiplexed samples: tables of reads over frames of distinct values, and a
// recording large enough to span several of the reader's batches.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "brainvision_test_files.h"
#include "formats/brainvision/sample_gather.h"
#include "formats/format_registry.h"
#include "model/window_rule.h"

namespace {

constexpr std::uint16_t kUntouched = 0xEEEE;

// Distinct for every frame and channel, in both bytes.
std::uint16_t Stored(std::int64_t frame, std::size_t channel) {
  return static_cast<std::uint16_t>(frame * 131 + static_cast<std::int64_t>(channel) * 7 + 0x0101);
}

struct Read {
  std::size_t channel;
  std::int64_t first;
  std::int64_t count;
};

struct GatherCase {
  const char* name;
  std::size_t channels;
  std::int64_t from, to;  // the frames handed over
  std::vector<Read> reads;
};

void PrintTo(const GatherCase& c, std::ostream* out) { *out << c.name; }

std::vector<Read> Consecutive(std::size_t firstChannel, std::size_t channels, std::int64_t first,
                              std::int64_t count) {
  std::vector<Read> reads;
  for (std::size_t c = firstChannel; c < firstChannel + channels; ++c)
    reads.push_back({c, first, count});
  return reads;
}

class SampleGatherTest : public ::testing::TestWithParam<GatherCase> {};

// Every read's destination holds the frames' samples where its range meets [from, to), and is
// untouched elsewhere.
TEST_P(SampleGatherTest, EachReadGetsItsChannelsSamplesAndNothingElse) {
  const GatherCase& c = GetParam();
  std::vector<std::uint16_t> frames;
  for (std::int64_t k = c.from; k < c.to; ++k) {
    for (std::size_t channel = 0; channel < c.channels; ++channel)
      frames.push_back(Stored(k, channel));
  }
  std::vector<std::vector<std::uint16_t>> destinations;
  std::vector<model::ChannelRead> reads;
  for (const Read& read : c.reads)
    destinations.emplace_back(static_cast<std::size_t>(read.count), kUntouched);
  for (std::size_t i = 0; i < c.reads.size(); ++i) {
    reads.push_back({c.reads[i].channel, c.reads[i].first, c.reads[i].count,
                     reinterpret_cast<std::byte*>(destinations[i].data())});
  }
  brainvision::GatherSamples(reinterpret_cast<const std::byte*>(frames.data()),
                             static_cast<std::int64_t>(2 * c.channels), c.from, c.to, reads);
  for (std::size_t i = 0; i < c.reads.size(); ++i) {
    const Read& read = c.reads[i];
    for (std::int64_t k = read.first; k < read.first + read.count; ++k) {
      const bool inside = k >= c.from && k < c.to;
      ASSERT_EQ(destinations[i][static_cast<std::size_t>(k - read.first)],
                inside ? Stored(k, read.channel) : kUntouched)
          << "read " << i << " (channel " << read.channel << "), frame " << k;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Reads, SampleGatherTest,
    ::testing::Values(
        GatherCase{"SixtyFourChannelsWithFramesLeftOver", 64, 0, 37, Consecutive(0, 64, 0, 37)},
        GatherCase{"EightChannelsEightFrames", 8, 0, 8, Consecutive(0, 8, 0, 8)},
        GatherCase{"NineChannels", 9, 0, 21, Consecutive(0, 9, 0, 21)},
        GatherCase{"GroupEndsAtTheFramesEnd", 11, 0, 19, Consecutive(3, 8, 0, 19)},
        GatherCase{"ChannelsInReverse",
                   16,
                   0,
                   16,
                   {{15, 0, 16},
                    {14, 0, 16},
                    {13, 0, 16},
                    {12, 0, 16},
                    {11, 0, 16},
                    {10, 0, 16},
                    {9, 0, 16},
                    {8, 0, 16},
                    {7, 0, 16},
                    {6, 0, 16},
                    {5, 0, 16},
                    {4, 0, 16},
                    {3, 0, 16},
                    {2, 0, 16},
                    {1, 0, 16},
                    {0, 0, 16}}},
        GatherCase{"OneReadShorter",
                   8,
                   0,
                   24,
                   {{0, 0, 24},
                    {1, 0, 24},
                    {2, 0, 24},
                    {3, 0, 24},
                    {4, 0, 24},
                    {5, 0, 24},
                    {6, 0, 24},
                    {7, 0, 17}}},
        GatherCase{"ReadsReachBeyondTheFrames", 8, 10, 30, Consecutive(0, 8, 5, 40)},
        GatherCase{"ReadsStartInsideTheFrames", 16, 100, 140, Consecutive(8, 8, 123, 50)},
        GatherCase{"ReadsMissTheFrames", 8, 10, 30, Consecutive(0, 8, 30, 9)},
        GatherCase{"OddFrameWidth", 3, 4, 15, {{2, 4, 11}, {0, 6, 3}}}),
    [](const auto& info) { return std::string(info.param.name); });

// A big-endian UINT_16 recording of 9 channels and 20,001 frames (352 KiB), multiplexed and
// vectorized: its windows span batches and blocks of the reader, every sample converted, into
// one buffer channel after channel as a sample block lays them out.
TEST(BrainVisionGatherTest, WindowsAcrossBatchesGiveTheStoredSamples) {
  constexpr std::size_t kChannels = 9;
  constexpr std::int64_t kFrames = 20'001;
  for (const bool vectorized : {false, true}) {
    std::string bytes;
    for (std::int64_t outer = 0; outer < (vectorized ? 9 : kFrames); ++outer) {
      for (std::int64_t inner = 0; inner < (vectorized ? kFrames : 9); ++inner) {
        const std::int64_t k = vectorized ? inner : outer;
        const auto c = static_cast<std::size_t>(vectorized ? outer : inner);
        const auto stored = static_cast<std::uint16_t>(Stored(k, c) ^ 0x8000);  // UINT_16 + 32768
        bytes += static_cast<char>(stored >> 8);
        bytes += static_cast<char>(stored & 0xFF);
      }
    }
    brainvision_test::BrainVisionWriter writer;
    for (std::string& line : writer.commonInfos) {
      if (line.rfind("NumberOfChannels=", 0) == 0)
        line = "NumberOfChannels=" + std::to_string(kChannels);
      if (vectorized && line.rfind("DataOrientation=", 0) == 0) line = "DataOrientation=VECTORIZED";
    }
    writer.binaryInfos = {"BinaryFormat=UINT_16", "UseBigEndianOrder=YES"};
    writer.channels.clear();
    for (std::size_t c = 1; c <= kChannels; ++c)
      writer.channels.push_back("Ch" + std::to_string(c) + "=E,,1,uV");
    writer.writeMarkers = false;
    writer.data = bytes;
    edf_test::TemporaryDirectory directory;
    auto opened = formats::OpenRecordingFile(writer.Write(directory));
    ASSERT_TRUE(opened.Ok()) << opened.Reason();
    model::Recording& recording = opened.Value();
    // Windows as [first, first + count) frames: the whole file, and stretches across a batch's end.
    for (const auto& [first, count] : std::vector<std::pair<std::int64_t, std::int64_t>>{
             {0, kFrames}, {14'560, 40}, {3, 19'990}, {kFrames - 5, 5}}) {
      std::vector<std::uint16_t> samples(kChannels * static_cast<std::size_t>(count));
      std::vector<model::ChannelRead> reads;
      for (std::size_t c = 0; c < kChannels; ++c) {
        reads.push_back(
            {c, first, count, reinterpret_cast<std::byte*>(samples.data() + c * count)});
      }
      ASSERT_TRUE(recording.samples->Fill(0, reads));
      for (std::size_t c = 0; c < kChannels; ++c) {
        for (std::int64_t k = 0; k < count; ++k) {
          ASSERT_EQ(samples[c * static_cast<std::size_t>(count) + static_cast<std::size_t>(k)],
                    Stored(first + k, c))
              << (vectorized ? "vectorized" : "multiplexed") << ", window from " << first
              << ", channel " << c << ", frame " << first + k;
        }
      }
    }
  }
}

}  // namespace
