// Sample blocks as the library lays them out, as the component's bytes are adopted, and the
// counts that must never lead to a block written out of bounds.
#include "packets/sample_block_packet.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <vector>

#include "block_bytes.h"
#include "reader/reader_ids.h"

namespace packets::test {
namespace {

const Bytes kPacketGuidBytes = {0x81, 0x23, 0x1E, 0x29, 0xB4, 0xB3, 0xD1, 0x44,
                                0xBB, 0x77, 0x8C, 0xF5, 0xC2, 0x44, 0x20, 0xD7};
const Bytes kSampleKindBytes = {0x81, 0x32, 0x2B, 0xAF, 0xCE, 0x7F, 0xD2, 0x11,
                                0xB2, 0xDE, 0x00, 0x10, 0x4B, 0x6F, 0xC6, 0x52};

Bytes Slice(std::span<const std::byte> block, std::size_t offset, std::size_t count) {
  const Bytes all = Copy(block);
  return Bytes(all.begin() + offset, all.begin() + offset + count);
}

std::size_t OffsetOf(const SampleBlockPacketBase& packet, std::int32_t channel) {
  return static_cast<std::size_t>(packet.ChannelSamples(channel).data() - packet.Block().data());
}

TEST(SampleBlockPacketTest, NoChannelsGiveA68ByteBlock) {
  SampleBlockPacket packet;
  ASSERT_TRUE(packet.Build(0, nullptr));
  ASSERT_EQ(packet.Block().size(), 68u);
  EXPECT_EQ(Slice(packet.Block(), 0, 16), kPacketGuidBytes);
  EXPECT_EQ(DeclaredSize(packet.Block()), 68u);
  EXPECT_EQ(Slice(packet.Block(), 24, 16), kSampleKindBytes);
  EXPECT_EQ(Get<std::int32_t>(packet.Block().data(), 64), 0);
  EXPECT_EQ(packet.ChannelCount(), 0);
  EXPECT_EQ(packet.ChannelTableCapacity(), 0u);
}

TEST(SampleBlockPacketTest, ThreeChannelsWithAnEmptyOneAreLaidOutContiguously) {
  SampleBlockPacket packet;
  const std::int32_t counts[] = {2, 0, 5};
  ASSERT_TRUE(packet.Build(3, counts));
  ASSERT_EQ(packet.Block().size(), 94u);
  EXPECT_EQ(DeclaredSize(packet.Block()), 94u);
  EXPECT_EQ(Slice(packet.Block(), 0, 16), kPacketGuidBytes);
  EXPECT_EQ(Slice(packet.Block(), 24, 16), kSampleKindBytes);
  EXPECT_EQ(Get<std::int32_t>(packet.Block().data(), 64), 3);
  EXPECT_EQ(Get<std::int32_t>(packet.Block().data(), 68), 2);
  EXPECT_EQ(Get<std::int32_t>(packet.Block().data(), 72), 0);
  EXPECT_EQ(Get<std::int32_t>(packet.Block().data(), 76), 5);
  EXPECT_EQ(packet.ChannelCount(), 3);
  EXPECT_EQ(OffsetOf(packet, 0), 80u);
  EXPECT_EQ(OffsetOf(packet, 1), 84u);
  EXPECT_EQ(OffsetOf(packet, 2), 84u);
  EXPECT_EQ(packet.ChannelSamples(0).size(), 4u);
  EXPECT_EQ(packet.ChannelSamples(1).size(), 0u);
  EXPECT_EQ(packet.ChannelSamples(2).size(), 10u);
  EXPECT_EQ(packet.SampleCount(2), 5);
}

TEST(SampleBlockPacketTest, BaseStampsItsOwnGuidAsSampleKind) {
  SampleBlockPacketBase packet;
  const std::int32_t counts[] = {2, 0, 5};
  ASSERT_TRUE(packet.Build(3, counts));
  EXPECT_EQ(Slice(packet.Block(), 0, 16), kPacketGuidBytes);
  EXPECT_EQ(Slice(packet.Block(), 24, 16), kPacketGuidBytes);
}

TEST(SampleBlockPacketTest, SmallerSecondBuildReusesTheStorageAndRewritesOnlyTheLayout) {
  SampleBlockPacket packet;
  const std::int32_t first[] = {10, 10};
  ASSERT_TRUE(packet.Build(2, first));
  const std::span<std::byte> block = packet.Block();
  for (std::size_t i = 40; i < block.size(); ++i) block[i] = std::byte(i);
  const Bytes before = Copy(block);

  const std::int32_t second[] = {3};
  ASSERT_TRUE(packet.Build(1, second));
  EXPECT_EQ(packet.Block().data(), block.data());
  EXPECT_EQ(packet.OwnedSize(), 68u + 8 + 40);
  ASSERT_EQ(packet.Block().size(), 78u);
  const Bytes after = Copy(packet.Block());
  EXPECT_TRUE(std::equal(after.begin() + 40, after.begin() + 64, before.begin() + 40));  // reserved
  EXPECT_EQ(Get<std::int32_t>(after.data(), 64), 1);
  EXPECT_EQ(Get<std::int32_t>(after.data(), 68), 3);
  EXPECT_TRUE(std::equal(after.begin() + 72, after.end(), before.begin() + 72));  // samples
  EXPECT_EQ(OffsetOf(packet, 0), 72u);
}

TEST(SampleBlockPacketTest, ChannelTableGrowsByTheNewCountOnlyWhenTooSmall) {
  SampleBlockPacket packet;
  const std::int32_t counts[] = {1, 2, 3, 4, 5};
  const std::pair<std::int32_t, std::uint32_t> steps[] = {{3, 3}, {2, 3}, {5, 8}, {0, 8}, {8, 8}};
  const std::int32_t eight[] = {1, 1, 1, 1, 1, 1, 1, 1};
  for (const auto& [channels, capacity] : steps) {
    ASSERT_TRUE(packet.Build(channels, channels == 8 ? eight : counts));
    EXPECT_EQ(packet.ChannelTableCapacity(), capacity) << channels;
  }
}

TEST(SampleBlockPacketTest, NewPacketHasNoChannels) {
  SampleBlockPacket packet;
  EXPECT_EQ(packet.ChannelCount(), 0);
  EXPECT_EQ(packet.SampleCount(0), 0);
  EXPECT_TRUE(packet.ChannelSamples(0).empty());
}

TEST(SampleBlockPacketTest, ChannelsOutsideTheBlockGiveNothing) {
  SampleBlockPacket packet;
  const std::int32_t counts[] = {2, 3};
  ASSERT_TRUE(packet.Build(2, counts));
  for (const std::int32_t channel : {-1, 2, INT32_MAX}) {
    EXPECT_EQ(packet.SampleCount(channel), 0);
    EXPECT_TRUE(packet.ChannelSamples(channel).empty());
  }
}

struct RefusedCounts {
  const char* name;
  std::int32_t channelCount;
  std::vector<std::int32_t> counts;
};

// Failure messages name the case instead of dumping its bytes.
void PrintTo(const RefusedCounts& param, std::ostream* out) { *out << param.name; }

class SampleBlockBuildRefusesTest : public testing::TestWithParam<RefusedCounts> {};

TEST_P(SampleBlockBuildRefusesTest, FailsAndLeavesTheHeldBlock) {
  SampleBlockPacket packet;
  const std::int32_t held[] = {4, 1};
  ASSERT_TRUE(packet.Build(2, held));
  const std::span<std::byte> block = packet.Block();
  const Bytes before = Copy(block);
  const RefusedCounts& refused = GetParam();
  EXPECT_FALSE(packet.Build(refused.channelCount, refused.counts.data()));
  EXPECT_EQ(packet.Block().data(), block.data());
  EXPECT_EQ(Copy(packet.Block()), before);
  EXPECT_EQ(packet.ChannelTableCapacity(), 2u);
  EXPECT_EQ(OffsetOf(packet, 1), 84u);
}

constexpr std::int32_t kMax = INT32_MAX;
// 68 + 4 + 2 x 2147483614 = 2^32: one sample beyond the largest block.
constexpr std::int32_t kReaches2To32 = 2147483614;

INSTANTIATE_TEST_SUITE_P(
    Counts, SampleBlockBuildRefusesTest,
    testing::Values(RefusedCounts{"NegativeChannelCount", -1, {}},
                    RefusedCounts{"MostNegativeChannelCount", INT32_MIN, {}},
                    RefusedCounts{"NegativeSampleCount", 3, {2, -1, 5}},
                    RefusedCounts{"MostNegativeSampleCount", 1, {INT32_MIN}},
                    RefusedCounts{"BlockOfExactly2To32Bytes", 1, {kReaches2To32}},
                    RefusedCounts{"SumBeyond2To32", 3, {kMax, kMax, kMax}},
                    RefusedCounts{"CountsWithoutArray", 2, {}}),
    [](const testing::TestParamInfo<RefusedCounts>& info) { return info.param.name; });

// A block as the component would hand it over: header, counts and distinct samples.
Bytes ComponentBlock(const GUID& sampleKind, const std::vector<std::int32_t>& counts,
                     std::uint64_t extra = 0) {
  std::uint64_t size = 68 + 4 * counts.size();
  for (const std::int32_t count : counts) size += 2 * std::uint64_t(count);
  size += extra;
  Bytes bytes = Block(reader::kSampleBlockKind, size, static_cast<std::size_t>(size));
  Put(bytes, 24, sampleKind);
  Put(bytes, 64, static_cast<std::int32_t>(counts.size()));
  for (std::size_t i = 0; i < counts.size(); ++i) Put(bytes, 68 + 4 * i, counts[i]);
  return bytes;
}

TEST(SampleBlockPacketTest, AttachIndexesTheAdoptedChannels) {
  Bytes bytes = ComponentBlock(reader::kSixteenBitSampleKind, {1, 3, 2});
  SampleBlockPacket packet;
  ASSERT_TRUE(packet.Attach(WritableView(bytes)));
  EXPECT_FALSE(packet.IsOwned());
  EXPECT_EQ(packet.ChannelCount(), 3);
  EXPECT_EQ(packet.ChannelSamples(0).data(), reinterpret_cast<std::byte*>(bytes.data() + 80));
  EXPECT_EQ(packet.ChannelSamples(1).data(), reinterpret_cast<std::byte*>(bytes.data() + 82));
  EXPECT_EQ(packet.ChannelSamples(2).data(), reinterpret_cast<std::byte*>(bytes.data() + 88));
  EXPECT_EQ(packet.ChannelSamples(2).size(), 4u);
}

TEST(SampleBlockPacketTest, AttachChecksTheSampleKindOnlyForTheSixteenBitClass) {
  Bytes bytes = ComponentBlock(reader::kSampleBlockKind, {2});
  SampleBlockPacket packet;
  EXPECT_FALSE(packet.Attach(WritableView(bytes)));
  EXPECT_TRUE(packet.Block().empty());
  SampleBlockPacketBase base;
  EXPECT_TRUE(base.Attach(WritableView(bytes)));
}

TEST(SampleBlockPacketTest, AssignIsAlwaysRefused) {
  const Bytes bytes = ComponentBlock(reader::kSixteenBitSampleKind, {2});
  SampleBlockPacket packet;
  const std::int32_t counts[] = {1};
  ASSERT_TRUE(packet.Build(1, counts));
  const Bytes before = Copy(packet.Block());
  ASSERT_TRUE(packet.IsValid(View(bytes)));
  EXPECT_FALSE(packet.Assign(View(bytes)));
  EXPECT_EQ(Copy(packet.Block()), before);
}

class SampleBlockAttachRefusesTest : public testing::TestWithParam<RefusedCounts> {};

TEST_P(SampleBlockAttachRefusesTest, HostileLayoutIsRefusedWithoutChange) {
  const RefusedCounts& refused = GetParam();
  Bytes bytes = ComponentBlock(reader::kSixteenBitSampleKind, {});
  bytes.resize(68 + 4 * refused.counts.size() + 4, 0x7F);
  Put(bytes, 16, std::uint64_t(bytes.size()));
  Put(bytes, 64, refused.channelCount);
  for (std::size_t i = 0; i < refused.counts.size(); ++i) Put(bytes, 68 + 4 * i, refused.counts[i]);

  SampleBlockPacket packet;
  const std::int32_t held[] = {1};
  ASSERT_TRUE(packet.Build(1, held));
  const std::byte* before = packet.Block().data();
  EXPECT_FALSE(packet.Attach(WritableView(bytes)));
  EXPECT_EQ(packet.Block().data(), before);
  EXPECT_TRUE(packet.IsOwned());
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, SampleBlockAttachRefusesTest,
    testing::Values(RefusedCounts{"NegativeChannelCount", -1, {}},
                    RefusedCounts{"CountTableBeyondSize", 1000, {1}},
                    RefusedCounts{"SamplesBeyondSize", 1, {3}},
                    RefusedCounts{"NegativeSampleCount", 2, {-1, 1}},
                    RefusedCounts{"HugeSampleCounts", 2, {kMax, kMax}}),
    [](const testing::TestParamInfo<RefusedCounts>& info) { return info.param.name; });

TEST(SampleBlockPacketTest, ShorterThanItsFixedPartIsRefused) {
  Bytes bytes = ComponentBlock(reader::kSixteenBitSampleKind, {});
  bytes.resize(67);
  Put(bytes, 16, std::uint64_t{67});
  SampleBlockPacketBase packet;
  EXPECT_FALSE(packet.Attach(WritableView(bytes)));
}

}  // namespace
}  // namespace packets::test
