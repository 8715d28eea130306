// The rules every packet kind inherits: ownership, Allocate/Resize reuse and growth, the
// checks of IsValid, and Equals.
#include "packets/info_packet.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <limits>

#include "block_bytes.h"

namespace packets::test {
namespace {

constexpr GUID kPlainKind = {0xA1B2C3D4, 0xE5F6, 0x0718, {0x29, 0x3A, 0x4B, 0x5C, 0x6D, 0x7E, 0x8F, 0x90}};

// InfoPacket with nothing of its own, to see the base rules alone.
class PlainPacket final : public InfoPacket {
 public:
  PlainPacket() { SetGuid(kPlainKind); }
};

Bytes PlainBlock(std::uint64_t size, std::uint8_t first = 1) {
  return Block(kPlainKind, size, static_cast<std::size_t>(size), first);
}

TEST(InfoPacketTest, NewPacketHoldsNothing) {
  PlainPacket packet;
  EXPECT_TRUE(packet.Block().empty());
  EXPECT_FALSE(packet.IsOwned());
  EXPECT_EQ(packet.OwnedSize(), 0u);
}

struct RefusedBlock {
  const char* name;
  Bytes bytes;
};

// Failure messages name the case instead of dumping its bytes.
void PrintTo(const RefusedBlock& param, std::ostream* out) { *out << param.name; }

class InfoPacketRefusesTest : public testing::TestWithParam<RefusedBlock> {};

TEST_P(InfoPacketRefusesTest, RefusedByIsValidAttachAndAssignWithoutChange) {
  PlainPacket packet;
  const Bytes held = PlainBlock(40, 200);
  ASSERT_TRUE(packet.Assign(View(held)));
  const std::byte* before = packet.Block().data();

  Bytes bytes = GetParam().bytes;
  EXPECT_FALSE(packet.IsValid(View(bytes)));
  EXPECT_FALSE(packet.Attach(WritableView(bytes)));
  EXPECT_FALSE(packet.Assign(View(bytes)));
  EXPECT_EQ(packet.Block().data(), before);
  EXPECT_EQ(Copy(packet.Block()), held);
  EXPECT_EQ(packet.OwnedSize(), 40u);
}

INSTANTIATE_TEST_SUITE_P(
    Blocks, InfoPacketRefusesTest,
    testing::Values(RefusedBlock{"OtherKind", Block(kOtherKind, 40, 40)},
                    RefusedBlock{"ShorterThanHeader", Bytes(23, 1)},
                    RefusedBlock{"SizeBelowHeader", Block(kPlainKind, 23, 40)},
                    RefusedBlock{"SizeZero", Block(kPlainKind, 0, 40)},
                    RefusedBlock{"SizeBeyondBytes", Block(kPlainKind, 41, 40)},
                    RefusedBlock{"SizeFrom2To32", Block(kPlainKind, std::uint64_t{1} << 32, 40)},
                    RefusedBlock{"SizeWrapsTo40", Block(kPlainKind, (std::uint64_t{1} << 32) + 40, 40)},
                    RefusedBlock{"SizeAllOnes", Block(kPlainKind, ~std::uint64_t{0}, 40)}),
    [](const testing::TestParamInfo<RefusedBlock>& info) { return info.param.name; });

TEST(InfoPacketTest, NullBlockIsRefused) {
  PlainPacket packet;
  EXPECT_FALSE(packet.IsValid(BlockView::OfLength(nullptr, 100)));
  EXPECT_FALSE(packet.Attach(WritableBlockView::OfLength(nullptr, 100)));
  EXPECT_FALSE(packet.Assign(BlockView::OfLength(nullptr, 100)));
}

TEST(InfoPacketTest, AssignCopiesTheWholeBlockIntoAnOwnedBuffer) {
  PlainPacket packet;
  const Bytes source = PlainBlock(50);
  ASSERT_TRUE(packet.Assign(View(source)));
  EXPECT_TRUE(packet.IsOwned());
  EXPECT_EQ(packet.OwnedSize(), 50u);
  EXPECT_NE(packet.Block().data(), reinterpret_cast<const std::byte*>(source.data()));
  EXPECT_EQ(Copy(packet.Block()), source);
}

TEST(InfoPacketTest, AssignReusesAnOwnedBufferLargeEnough) {
  PlainPacket packet;
  ASSERT_TRUE(packet.Allocate(200));
  const std::byte* buffer = packet.Block().data();
  const Bytes source = PlainBlock(60, 9);
  ASSERT_TRUE(packet.Assign(View(source)));
  EXPECT_EQ(packet.Block().data(), buffer);
  EXPECT_EQ(packet.OwnedSize(), 200u);
  EXPECT_EQ(Copy(packet.Block()), source);
}

TEST(InfoPacketTest, AttachAdoptsWithoutCopyingAndFreesTheOwnedBuffer) {
  PlainPacket packet;
  ASSERT_TRUE(packet.Allocate(64));
  Bytes caller = PlainBlock(48);
  ASSERT_TRUE(packet.Attach(WritableView(caller)));
  EXPECT_FALSE(packet.IsOwned());
  EXPECT_EQ(packet.Block().data(), reinterpret_cast<std::byte*>(caller.data()));
  EXPECT_EQ(packet.Block().size(), 48u);
}

TEST(InfoPacketTest, AttachOfTheOwnedBufferKeepsItOwned) {
  PlainPacket packet;
  ASSERT_TRUE(packet.Allocate(64));
  std::span<std::byte> own = packet.Block();
  ASSERT_TRUE(packet.Attach(WritableBlockView::OfLength(own.data(), own.size())));
  EXPECT_TRUE(packet.IsOwned());
  EXPECT_EQ(packet.Block().data(), own.data());
}

TEST(InfoPacketTest, ClearOfAdoptedBytesLeavesThemAlone) {
  PlainPacket packet;
  Bytes caller = PlainBlock(48);
  const Bytes before = caller;
  ASSERT_TRUE(packet.Attach(WritableView(caller)));
  packet.Clear();
  EXPECT_TRUE(packet.Block().empty());
  EXPECT_FALSE(packet.IsOwned());
  EXPECT_EQ(caller, before);
}

TEST(InfoPacketTest, ClearOfAnOwnedBufferDropsIt) {
  PlainPacket packet;
  ASSERT_TRUE(packet.Allocate(64));
  packet.Clear();
  EXPECT_TRUE(packet.Block().empty());
  EXPECT_EQ(packet.OwnedSize(), 0u);
}

TEST(InfoPacketTest, AllocateWritesGuidAndSize) {
  PlainPacket packet;
  ASSERT_TRUE(packet.Allocate(100));
  EXPECT_EQ(packet.OwnedSize(), 100u);
  EXPECT_EQ(packet.Block().size(), 100u);
  EXPECT_EQ(Get<GUID>(packet.Block().data(), 0), kPlainKind);
  EXPECT_EQ(DeclaredSize(packet.Block()), 100u);
}

TEST(InfoPacketTest, AllocateReusesUpToItsCapacityAndReplacesBeyond) {
  PlainPacket packet;
  ASSERT_TRUE(packet.Allocate(200));
  std::byte* buffer = packet.Block().data();
  buffer[150] = std::byte{0x5A};

  ASSERT_TRUE(packet.Allocate(100));
  EXPECT_EQ(packet.Block().data(), buffer);
  EXPECT_EQ(packet.OwnedSize(), 200u);
  EXPECT_EQ(DeclaredSize(packet.Block()), 100u);

  ASSERT_TRUE(packet.Allocate(200));
  EXPECT_EQ(packet.Block().data(), buffer);
  EXPECT_EQ(buffer[150], std::byte{0x5A});

  ASSERT_TRUE(packet.Allocate(201));
  EXPECT_NE(packet.Block().data(), buffer);
  EXPECT_EQ(packet.OwnedSize(), 201u);
  EXPECT_EQ(DeclaredSize(packet.Block()), 201u);
}

TEST(InfoPacketTest, AllocateAndResizeRefuseSizesWithoutRoomOrBeyond32Bits) {
  for (const std::uint64_t n : {std::uint64_t{0}, std::uint64_t{23}, std::uint64_t{1} << 32,
                                std::numeric_limits<std::uint64_t>::max()}) {
    PlainPacket packet;
    ASSERT_TRUE(packet.Allocate(30));
    const std::byte* buffer = packet.Block().data();
    EXPECT_FALSE(packet.Allocate(n)) << n;
    EXPECT_FALSE(packet.Resize(n)) << n;
    EXPECT_EQ(packet.Block().data(), buffer);
    EXPECT_EQ(packet.OwnedSize(), 30u);
    EXPECT_EQ(DeclaredSize(packet.Block()), 30u);
  }
}

TEST(InfoPacketTest, ResizeOfAdoptedBytesCopiesThemAndLeavesThemAlone) {
  PlainPacket packet;
  Bytes caller = PlainBlock(300);
  const Bytes before = caller;
  ASSERT_TRUE(packet.Attach(WritableView(caller)));

  ASSERT_TRUE(packet.Resize(400));
  EXPECT_TRUE(packet.IsOwned());
  EXPECT_EQ(packet.OwnedSize(), 400u);
  EXPECT_EQ(DeclaredSize(packet.Block()), 400u);
  const Bytes grown = Copy(packet.Block());
  EXPECT_TRUE(std::equal(before.begin() + 24, before.end(), grown.begin() + 24));
  EXPECT_EQ(caller, before);
}

TEST(InfoPacketTest, ResizeBelowTheHeldSizeCopiesOnlyThatMuch) {
  PlainPacket packet;
  Bytes caller = PlainBlock(300);
  ASSERT_TRUE(packet.Attach(WritableView(caller)));
  ASSERT_TRUE(packet.Resize(250));
  EXPECT_EQ(packet.OwnedSize(), 250u);
  ASSERT_EQ(packet.Block().size(), 250u);
  const Bytes shrunk = Copy(packet.Block());
  EXPECT_TRUE(std::equal(shrunk.begin() + 24, shrunk.end(), caller.begin() + 24));
}

TEST(InfoPacketTest, ResizeWithinCapacityKeepsBufferAndBytes) {
  PlainPacket packet;
  const Bytes source = PlainBlock(100);
  ASSERT_TRUE(packet.Assign(View(source)));
  const std::byte* buffer = packet.Block().data();
  ASSERT_TRUE(packet.Resize(60));
  ASSERT_TRUE(packet.Resize(100));
  EXPECT_EQ(packet.Block().data(), buffer);
  EXPECT_EQ(Copy(packet.Block()), source);
}

TEST(InfoPacketTest, ResizeOfAnEmptyPacketStartsAFreshBlock) {
  PlainPacket packet;
  ASSERT_TRUE(packet.Resize(32));
  EXPECT_EQ(Get<GUID>(packet.Block().data(), 0), kPlainKind);
  EXPECT_EQ(DeclaredSize(packet.Block()), 32u);
}

TEST(InfoPacketTest, EqualsOfNullDependsOnWhetherThePacketHoldsABlock) {
  PlainPacket packet;
  const Bytes block = PlainBlock(40);
  EXPECT_TRUE(packet.Equals(BlockView::OfLength(nullptr, 0)));
  EXPECT_FALSE(packet.Equals(View(block)));
  ASSERT_TRUE(packet.Assign(View(block)));
  EXPECT_FALSE(packet.Equals(BlockView::OfLength(nullptr, 0)));
}

TEST(InfoPacketTest, EqualsComparesSizeAndEveryByte) {
  PlainPacket packet;
  const Bytes block = PlainBlock(40);
  ASSERT_TRUE(packet.Assign(View(block)));
  EXPECT_TRUE(packet.Equals(View(block)));

  Bytes lastByte = block;
  lastByte[39] ^= 0xFF;
  EXPECT_FALSE(packet.Equals(View(lastByte)));

  Bytes otherKind = block;
  Put(otherKind, 0, kOtherKind);
  EXPECT_FALSE(packet.Equals(View(otherKind)));

  Bytes longer = block;
  longer.push_back(41);
  Put(longer, 16, std::uint64_t{41});
  EXPECT_FALSE(packet.Equals(View(longer)));
}

TEST(InfoPacketTest, EqualsRefusesABlockShorterThanItsSize) {
  PlainPacket packet;
  const Bytes block = PlainBlock(40);
  ASSERT_TRUE(packet.Assign(View(block)));
  EXPECT_FALSE(packet.Equals(BlockView::OfLength(block.data(), 39)));
}

}  // namespace
}  // namespace packets::test
