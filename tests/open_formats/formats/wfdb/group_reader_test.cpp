// Signals sharing a file: interleaving with several samples per frame, skew and a byte offset,
// in every format; format 8 read from anywhere; and which signals make a group.
#include "formats/wfdb/group_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

#include "memory_file.h"
#include "wfdb_writer.h"

namespace {

using wfdb::GroupReader;
using wfdb::MemberRead;
using wfdb_test::MemoryFile;
using wfdb_test::WrittenSignal;

std::vector<wfdb::SignalGroup> Groups(const std::string& header) {
  auto parsed = wfdb::ParseHeader(header);
  EXPECT_TRUE(parsed.Ok()) << parsed.Reason();
  auto groups = wfdb::GroupSignals(parsed.Value().signals);
  EXPECT_TRUE(groups.Ok()) << groups.Reason();
  return groups.Ok() ? groups.Value() : std::vector<wfdb::SignalGroup>{};
}

// A header line for each written signal, all in file "g.dat".
std::string HeaderFor(std::span<const WrittenSignal> signals, std::size_t byteOffset) {
  std::string text = "r " + std::to_string(signals.size()) + " 100\n";
  for (const WrittenSignal& s : signals) {
    text += "g.dat " + std::to_string(s.format) + "x" + std::to_string(s.samplesPerFrame) + ":" +
            std::to_string(s.skew) + "+" + std::to_string(byteOffset) + " 200 12 0 " +
            std::to_string(s.initialValue) + "\n";
  }
  return text;
}

std::vector<std::int16_t> ReadOne(GroupReader& reader, std::size_t member, std::int64_t first,
                                  std::int64_t count) {
  std::vector<std::int16_t> out(static_cast<std::size_t>(count));
  const MemberRead read{member, first, count, out.data()};
  EXPECT_TRUE(reader.Read(std::span(&read, 1)));
  return out;
}

std::vector<std::int16_t> Slice(const std::vector<std::int16_t>& samples, std::int64_t first,
                                std::int64_t count) {
  return {samples.begin() + first, samples.begin() + first + count};
}

class InterleavedGroupTest : public ::testing::TestWithParam<int> {
 protected:
  static constexpr std::int64_t kFrames = 41;
  static constexpr std::size_t kByteOffset = 7;

  void SetUp() override {
    const int format = GetParam();
    const int bits = format == 80 || format == 8 ? 8 : format == 212 ? 12 : format >= 310 ? 10 : 16;
    // One sample per frame; three per frame, 2 frames late; two per frame.
    const int spf[] = {1, 3, 2};
    const int skew[] = {0, 2, 0};
    for (int m = 0; m < 3; ++m) {
      const std::int64_t count = spf[m] * (kFrames - skew[m]);
      auto samples = format == 8 ? wfdb_test::WalkSamples(m, count, 100 * m - 50)
                                 : wfdb_test::DistinctSamples(m, count, bits);
      if (format != 8) samples[static_cast<std::size_t>(count / 2)] = -32768;
      signals.push_back({format, spf[m], skew[m], 100 * m - 50, samples});
    }
    auto groups = Groups(HeaderFor(signals, kByteOffset));
    ASSERT_EQ(groups.size(), 1u);
    reader = std::make_unique<GroupReader>(
        groups[0], std::make_unique<MemoryFile>(wfdb_test::SignalFile(signals, kFrames, kByteOffset), &bytesRead));
  }

  std::vector<WrittenSignal> signals;
  std::int64_t bytesRead = 0;
  std::unique_ptr<GroupReader> reader;
};

TEST_P(InterleavedGroupTest, ReadsEveryMemberWhole) {
  ASSERT_GE(reader->FramesInFile(), kFrames);
  for (std::size_t m = 0; m < signals.size(); ++m) {
    const auto count = static_cast<std::int64_t>(signals[m].samples.size());
    EXPECT_EQ(GroupReader::MemberSamples(reader->Group().members[m], kFrames), count);
    EXPECT_EQ(ReadOne(*reader, m, 0, count), signals[m].samples) << "member " << m;
  }
}

TEST_P(InterleavedGroupTest, ReadsAnyWindowOfAnyMember) {
  for (std::size_t m = 0; m < signals.size(); ++m) {
    const auto total = static_cast<std::int64_t>(signals[m].samples.size());
    // From the end backwards, so that a format-8 reader must go back to earlier values.
    for (std::int64_t first = total - 5; first >= 0; --first) {
      EXPECT_EQ(ReadOne(*reader, m, first, 5), Slice(signals[m].samples, first, 5))
          << "member " << m << " from " << first;
    }
  }
}

TEST_P(InterleavedGroupTest, ReadsSeveralMembersInOneRequest) {
  std::vector<std::vector<std::int16_t>> out{std::vector<std::int16_t>(9), std::vector<std::int16_t>(20),
                                             std::vector<std::int16_t>(1)};
  const std::vector<MemberRead> reads{{2, 30, 9, out[0].data()}, {1, 3, 20, out[1].data()},
                                      {0, 40, 1, out[2].data()}};
  ASSERT_TRUE(reader->Read(reads));
  EXPECT_EQ(out[0], Slice(signals[2].samples, 30, 9));
  EXPECT_EQ(out[1], Slice(signals[1].samples, 3, 20));
  EXPECT_EQ(out[2], Slice(signals[0].samples, 40, 1));
}

TEST_P(InterleavedGroupTest, RefusesRangesBeyondTheFileAndUnknownMembers) {
  std::vector<std::int16_t> out(200);
  const std::int64_t frames = reader->FramesInFile();
  const std::vector<MemberRead> refused{{3, 0, 1, out.data()},
                                        {0, frames, 1, out.data()},
                                        {1, (frames - 2) * 3 - 1, 2, out.data()},
                                        {0, -1, 2, out.data()}};
  for (const MemberRead& read : refused) EXPECT_FALSE(reader->Read(std::span(&read, 1)));
}

INSTANTIATE_TEST_SUITE_P(Formats, InterleavedGroupTest, ::testing::Values(8, 16, 61, 80, 160, 212, 310, 311));

// Groups of up to twelve members, long enough that a read spans many decoded chunks and several
// reads of the file, in every format. Each window is read for every member over the same frames
// (the members' columns copied together when each has one sample per frame) and over frames of
// their own (each member's samples picked out alone); both must give the written samples.
struct WideGroup {
  std::string name;
  std::vector<std::pair<int, int>> shape;  // per member: samples per frame, skew
};

class WideGroupTest : public ::testing::TestWithParam<std::tuple<int, WideGroup>> {
 protected:
  static constexpr std::int64_t kFrames = 20'011;

  void SetUp() override {
    const auto& [format, group] = GetParam();
    const int bits = format == 80 || format == 8 ? 8 : format == 212 ? 12 : format >= 310 ? 10 : 16;
    for (std::size_t m = 0; m < group.shape.size(); ++m) {
      const auto [spf, skew] = group.shape[m];
      const std::int64_t count = spf * (kFrames - skew);
      const int signal = static_cast<int>(m);
      auto samples = format == 8 ? wfdb_test::WalkSamples(signal, count, 10 * signal)
                                 : wfdb_test::DistinctSamples(signal, count, bits);
      if (format != 8) samples[static_cast<std::size_t>(count / 3 + signal)] = -32768;
      signals.push_back({format, spf, skew, 10 * signal, samples});
    }
    auto groups = Groups(HeaderFor(signals, 3));
    ASSERT_EQ(groups.size(), 1u);
    reader = std::make_unique<GroupReader>(
        groups[0],
        std::make_unique<MemoryFile>(wfdb_test::SignalFile(signals, kFrames, 3), nullptr));
  }

  // Reads frames [firstFrame + m x stagger, ... + frames) of every member m, within its samples.
  void ExpectWindow(std::int64_t firstFrame, std::int64_t frames, std::int64_t stagger) {
    std::vector<std::vector<std::int16_t>> out(signals.size());
    std::vector<MemberRead> reads;
    for (std::size_t m = 0; m < signals.size(); ++m) {
      const WrittenSignal& signal = signals[m];
      const std::int64_t total = static_cast<std::int64_t>(signal.samples.size());
      const std::int64_t frame = firstFrame + static_cast<std::int64_t>(m) * stagger - signal.skew;
      const std::int64_t first = std::clamp<std::int64_t>(frame * signal.samplesPerFrame, 0, total);
      const std::int64_t count = std::min(frames * signal.samplesPerFrame, total - first);
      out[m].resize(static_cast<std::size_t>(count));
      reads.push_back({m, first, count, out[m].data()});
    }
    ASSERT_TRUE(reader->Read(reads));
    for (std::size_t m = 0; m < signals.size(); ++m) {
      EXPECT_EQ(out[m], Slice(signals[m].samples, reads[m].first, reads[m].count))
          << "member " << m << ", frames from " << firstFrame << " staggered by " << stagger;
    }
  }

  std::vector<WrittenSignal> signals;
  std::unique_ptr<GroupReader> reader;
};

TEST_P(WideGroupTest, ReadsEveryWindowAsWritten) {
  // The whole record, windows across the edges of decoded chunks and of reads of the file,
  // windows too short for a column copy, and the record's last frames.
  const std::vector<std::pair<std::int64_t, std::int64_t>> windows{
      {0, kFrames}, {1, 4095},    {340, 683},          {8191, 3},
      {9000, 7},    {5461, 8000}, {kFrames - 777, 777}};
  for (const auto& [first, frames] : windows) {
    ExpectWindow(first, frames, 0);
    ExpectWindow(first, frames, 1);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Formats, WideGroupTest,
    ::testing::Combine(
        ::testing::Values(8, 16, 61, 80, 160, 212, 310, 311),
        ::testing::Values(
            WideGroup{"Twelve", std::vector<std::pair<int, int>>(12, {1, 0})},
            WideGroup{"NineOneSkewed",
                      {{1, 0}, {1, 0}, {1, 0}, {1, 2}, {1, 0}, {1, 0}, {1, 0}, {1, 0}, {1, 0}}},
            WideGroup{"Six", std::vector<std::pair<int, int>>(6, {1, 0})},
            WideGroup{"NineOneTwice",
                      {{1, 0}, {1, 0}, {1, 0}, {1, 0}, {2, 0}, {1, 0}, {1, 0}, {1, 0}, {1, 0}}},
            WideGroup{"Three", {{1, 0}, {1, 1}, {1, 0}}})),
    [](const auto& info) {
      return std::get<1>(info.param).name + "Format" + std::to_string(std::get<0>(info.param));
    });

TEST(GroupReaderTest, ReadsTheFileAfreshForEveryRequest) {
  // A file changed since an earlier read must fail the next one as it would have then.
  WrittenSignal signal{16, 1, 0, 0, wfdb_test::DistinctSamples(0, 1000, 16)};
  auto groups = Groups("r 1\nd.dat 16\n");
  std::int64_t bytesRead = 0;
  GroupReader reader(
      groups[0],
      std::make_unique<MemoryFile>(wfdb_test::SignalFile(std::span(&signal, 1), 1000), &bytesRead));
  EXPECT_EQ(ReadOne(reader, 0, 100, 10), Slice(signal.samples, 100, 10));
  const std::int64_t once = bytesRead;
  EXPECT_EQ(ReadOne(reader, 0, 100, 10), Slice(signal.samples, 100, 10));
  EXPECT_EQ(bytesRead, 2 * once);
}

TEST(GroupReaderTest, CountsWholeFramesOfAShortFile) {
  // Two 212 signals: a frame is one unit of 3 bytes; 2 bytes more hold no whole frame.
  auto groups = Groups("r 2\nf.dat 212\nf.dat 212:1\n");
  std::int64_t bytesRead = 0;
  GroupReader reader(groups[0], std::make_unique<MemoryFile>(std::string(3 * 10 + 2, '\0'), &bytesRead));
  EXPECT_EQ(reader.FramesInFile(), 10);
  EXPECT_EQ(GroupReader::MemberSamples(reader.Group().members[1], 10), 9);
}

TEST(GroupReaderTest, ReadsALateFormat8WindowWithoutReReadingTheRecord) {
  constexpr std::int64_t kFrames = 5 * GroupReader::kCheckpointFrames + 1000;
  WrittenSignal signal{8, 1, 0, -7, wfdb_test::WalkSamples(4, kFrames, -7)};
  auto groups = Groups("r 1\nd.dat 8 200 8 0 -7\n");
  std::int64_t bytesRead = 0;
  GroupReader reader(groups[0], std::make_unique<MemoryFile>(wfdb_test::SignalFile(std::span(&signal, 1), kFrames), &bytesRead));

  const std::int64_t late = kFrames - 500;
  EXPECT_EQ(ReadOne(reader, 0, late, 400), Slice(signal.samples, late, 400));
  EXPECT_LT(bytesRead, kFrames + 1);  // once through, no more

  // Earlier windows start from the nearest kept values, not from the record's start.
  for (const std::int64_t first : {GroupReader::kCheckpointFrames + 1000, 3 * GroupReader::kCheckpointFrames - 3, std::int64_t{5}}) {
    bytesRead = 0;
    EXPECT_EQ(ReadOne(reader, 0, first, 300), Slice(signal.samples, first, 300)) << first;
    EXPECT_LE(bytesRead, GroupReader::kCheckpointFrames + 300) << first;
  }
}

struct GroupingRefusal {
  std::string header;
  std::string reason;
};

class GroupingRefusalTest : public ::testing::TestWithParam<GroupingRefusal> {};

TEST_P(GroupingRefusalTest, NamesTheSignal) {
  auto header = wfdb::ParseHeader(GetParam().header);
  ASSERT_TRUE(header.Ok()) << header.Reason();
  const auto groups = wfdb::GroupSignals(header.Value().signals);
  ASSERT_FALSE(groups.Ok());
  EXPECT_EQ(groups.Reason(), GetParam().reason);
}

INSTANTIATE_TEST_SUITE_P(
    Headers, GroupingRefusalTest,
    ::testing::Values(
        GroupingRefusal{"r 2\na.dat 16 200 16 0 0 0 0 ECG\nb.d8 17 200 24 0 0 0 0 ABP\n",
                        "signal 1 (ABP) is in format 17, which is not a WFDB sample format"},
        GroupingRefusal{"r 2\na.dat 16\na.dat 212\n",
                        "signal 1 is in format 212 but shares a.dat with signals in format 16"},
        GroupingRefusal{"r 2\na.dat 16+4\na.dat 16+6\n",
                        "signal 1 starts 6 bytes into a.dat where the signals before it start 4 bytes in"},
        GroupingRefusal{"r 3\na.dat 16\nb.dat 16\na.dat 16 200 16 0 0 0 0 X\n",
                        "signal 2 (X) is stored in a.dat apart from the signals before it in that file"}));

TEST(SignalGroupsTest, GroupsConsecutiveSignalsOfAFileAndLeavesOutSignalsWithoutData) {
  const auto groups = Groups("r 5\na.dat 212x4\na.dat 212:3\n~ 0\nb.dat 16+10\nb.dat 16x2+10\n");
  ASSERT_EQ(groups.size(), 2u);
  EXPECT_EQ(groups[0].samplesPerFrame, 5);
  EXPECT_EQ(groups[0].members[1].firstInFrame, 4);
  EXPECT_EQ(groups[0].members[1].skew, 3);
  EXPECT_EQ(groups[1].byteOffset, 10);
  EXPECT_EQ(groups[1].members[0].signal, 3u);
  EXPECT_EQ(groups[1].members[1].firstInFrame, 1);
}

}  // namespace
