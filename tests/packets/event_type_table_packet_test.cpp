// Looking types up by GUID and reading their texts within their fields.
#include "packets/event_type_table_packet.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "block_bytes.h"

namespace packets::test {
namespace {

constexpr std::size_t kEntrySize = 1152;

GUID TypeNumber(std::uint8_t n) {
  return GUID{0x11223344u + n, 0x5566, 0x7788, {0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xF0, n}};
}

Bytes TypeTable(const std::vector<GUID>& types, std::uint64_t extra = 0) {
  const std::uint64_t size = 752 + kEntrySize * types.size() + extra;
  Bytes bytes = Block(EventTypeTablePacket::kKind, size, static_cast<std::size_t>(size));
  Put(bytes, 744, static_cast<std::uint32_t>(types.size()));
  for (std::size_t i = 0; i < types.size(); ++i) Put(bytes, 752 + kEntrySize * i, types[i]);
  return bytes;
}

TEST(EventTypeTablePacketTest, FirstMatchingTypeWins) {
  const std::vector<GUID> types = {TypeNumber(0), TypeNumber(1), TypeNumber(7), TypeNumber(3),
                                   TypeNumber(4), TypeNumber(7)};
  EventTypeTablePacket packet;
  ASSERT_TRUE(packet.Assign(View(TypeTable(types))));
  EXPECT_EQ(packet.FindEventType(TypeNumber(7)), 2);
  EXPECT_EQ(packet.FindEventType(TypeNumber(0)), 0);
  EXPECT_EQ(packet.FindEventType(TypeNumber(4)), 4);
}

TEST(EventTypeTablePacketTest, TypeDifferingInTheLastByteIsNotFound) {
  EventTypeTablePacket packet;
  ASSERT_TRUE(packet.Assign(View(TypeTable({TypeNumber(1), TypeNumber(2)}))));
  GUID almost = TypeNumber(2);
  almost.Data4[7] ^= 0x01;
  EXPECT_EQ(packet.FindEventType(almost), -1);
}

TEST(EventTypeTablePacketTest, EmptyTableAndEmptyPacketFindNothing) {
  EventTypeTablePacket empty;
  EXPECT_EQ(empty.FindEventType(TypeNumber(0)), -1);
  EventTypeTablePacket noEntries;
  ASSERT_TRUE(noEntries.Assign(View(TypeTable({}))));
  EXPECT_EQ(noEntries.FindEventType(TypeNumber(0)), -1);
  // A GUID that only the bytes past the (empty) table carry.
  EventTypeTablePacket trimmed;
  Bytes bytes = TypeTable({}, kEntrySize);
  Put(bytes, 752, TypeNumber(9));
  ASSERT_TRUE(trimmed.Assign(View(bytes)));
  EXPECT_EQ(trimmed.FindEventType(TypeNumber(9)), -1);
}

TEST(EventTypeTablePacketTest, ReadsTypeGuidAndBothTexts) {
  Bytes bytes = TypeTable({TypeNumber(1), TypeNumber(2)});
  const std::size_t entry1 = 752 + kEntrySize;
  std::memcpy(bytes.data() + entry1 + 32, u"Spike", 12);
  std::memcpy(bytes.data() + entry1 + 544, u"Marked by hand", 30);
  EventTypeTablePacket packet;
  ASSERT_TRUE(packet.Assign(View(bytes)));
  EXPECT_EQ(packet.TypeGuid(1), TypeNumber(2));
  EXPECT_EQ(packet.Text1(1), PacketText(OLESTR("Spike")));
  EXPECT_EQ(packet.Text2(1), PacketText(OLESTR("Marked by hand")));
}

TEST(EventTypeTablePacketTest, TextsWithoutTerminatorStopAtTheirFieldEnds) {
  // Distinct non-zero bytes: neither text has a terminator; text2 runs to the block's end.
  EventTypeTablePacket packet;
  ASSERT_TRUE(packet.Assign(View(TypeTable({TypeNumber(1)}))));
  EXPECT_EQ(packet.Text1(0)->size(), 256u);
  EXPECT_EQ(packet.Text2(0)->size(), 304u);
  EXPECT_EQ(packet.Block().size(), 752u + kEntrySize);
}

TEST(EventTypeTablePacketTest, IndexOutsideTheTableGivesNothing) {
  EventTypeTablePacket packet;
  ASSERT_TRUE(packet.Assign(View(TypeTable({TypeNumber(1)}))));
  for (const std::int32_t index : {-1, 1, INT32_MAX}) {
    EXPECT_FALSE(packet.TypeGuid(index)) << index;
    EXPECT_FALSE(packet.Text1(index)) << index;
    EXPECT_FALSE(packet.Text2(index)) << index;
  }
}

}  // namespace
}  // namespace packets::test
