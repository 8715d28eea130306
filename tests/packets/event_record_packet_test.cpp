// Event records adopted from the component: fixed fields, the label within its field, and
// SetLabel moving the bytes behind the field without ever leaving the record.
#include "packets/event_record_packet.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <ostream>
#include <cstring>
#include <string>

#include "block_bytes.h"
#include "reader/reader_ids.h"

namespace packets::test {
namespace {

PacketText Units(std::span<const std::byte> block, std::size_t offset, std::size_t count) {
  PacketText units(count, OLECHAR{0});
  std::memcpy(units.data(), block.data() + offset, count * 2);
  return units;
}

TEST(EventRecordPacketTest, AttachAdoptsWithoutCopying) {
  Bytes bytes = EventRecord(300, 0);
  EventRecordPacket packet;
  ASSERT_TRUE(packet.Attach(WritableView(bytes)));
  EXPECT_FALSE(packet.IsOwned());
  EXPECT_EQ(packet.Block().data(), reinterpret_cast<std::byte*>(bytes.data()));
}

TEST(EventRecordPacketTest, ReadsTimeDurationAndTypeAtTheirOffsets) {
  Bytes bytes = EventRecord(300, 0);
  const GUID type = {0xCAFEF00D, 0x1234, 0x5678, {1, 2, 3, 4, 5, 6, 7, 8}};
  Put(bytes, 32, 1.0);
  Put(bytes, 40, 3661.5);
  Put(bytes, 48, 2.25);
  Put(bytes, 136, type);
  EventRecordPacket packet;
  ASSERT_TRUE(packet.Attach(WritableView(bytes)));
  EXPECT_EQ(packet.Time()->days, 1.0);
  EXPECT_EQ(packet.Time()->seconds, 3661.5);
  EXPECT_EQ(packet.Duration(), 2.25);
  EXPECT_EQ(packet.TypeGuid(), type);
}

TEST(EventRecordPacketTest, EmptyPacketHasNoFields) {
  EventRecordPacket packet;
  EXPECT_FALSE(packet.Time());
  EXPECT_FALSE(packet.Duration());
  EXPECT_FALSE(packet.TypeGuid());
  EXPECT_EQ(packet.GetLabel(), PacketText());
  EXPECT_FALSE(packet.SetLabel(OLESTR("x")));
}

TEST(EventRecordPacketTest, NoLabelForCapacityZeroOrNegative) {
  for (const std::int64_t capacity : {std::int64_t{0}, std::int64_t{-1}, INT64_MIN}) {
    Bytes bytes = EventRecord(300, capacity);
    EventRecordPacket packet;
    ASSERT_TRUE(packet.Attach(WritableView(bytes))) << capacity;
    EXPECT_EQ(packet.GetLabel(), PacketText()) << capacity;
  }
}

TEST(EventRecordPacketTest, LabelIsTheTextAt264UpToItsTerminator) {
  Bytes bytes = EventRecord(300, 8);
  std::memcpy(bytes.data() + 264, u"Blink\0\0\0", 16);
  EventRecordPacket packet;
  ASSERT_TRUE(packet.Attach(WritableView(bytes)));
  EXPECT_EQ(packet.GetLabel(), PacketText(OLESTR("Blink")));
}

TEST(EventRecordPacketTest, LabelWithoutTerminatorStopsAtItsCapacity) {
  // Field of 4 units, all non-zero, followed by non-zero bytes up to the record's end.
  Bytes bytes = EventRecord(300, 4);
  EventRecordPacket packet;
  ASSERT_TRUE(packet.Attach(WritableView(bytes)));
  EXPECT_EQ(packet.GetLabel(), Units(packet.Block(), 264, 4));
}

TEST(EventRecordPacketTest, LabelFieldEndingAtTheRecordEndIsRead) {
  Bytes bytes = EventRecord(264 + 2 * 6, 6);
  EventRecordPacket packet;
  ASSERT_TRUE(packet.Attach(WritableView(bytes)));
  EXPECT_EQ(packet.GetLabel(), Units(packet.Block(), 264, 6));
}

struct RefusedRecord {
  const char* name;
  Bytes bytes;
};

// Failure messages name the case instead of dumping its bytes.
void PrintTo(const RefusedRecord& param, std::ostream* out) { *out << param.name; }

class EventRecordRefusesTest : public testing::TestWithParam<RefusedRecord> {};

TEST_P(EventRecordRefusesTest, AttachAndAssignRefuseWithoutChange) {
  Bytes held = EventRecord(280, 4);
  EventRecordPacket packet;
  ASSERT_TRUE(packet.Attach(WritableView(held)));
  Bytes bytes = GetParam().bytes;
  EXPECT_FALSE(packet.Attach(WritableView(bytes)));
  EXPECT_FALSE(packet.Assign(View(bytes)));
  EXPECT_EQ(packet.Block().data(), reinterpret_cast<std::byte*>(held.data()));
  EXPECT_FALSE(packet.IsOwned());
}

Bytes WithSize(Bytes bytes, std::uint64_t size) {
  Put(bytes, 16, size);
  return bytes;
}

INSTANTIATE_TEST_SUITE_P(
    Records, EventRecordRefusesTest,
    testing::Values(
        RefusedRecord{"OtherKind", WithSize(Block(kOtherKind, 300, 300), 300)},
        RefusedRecord{"EndsBeforeTypeGuidEnds", EventRecord(151, 0)},
        RefusedRecord{"SizeBeyondBytes", WithSize(EventRecord(300, 0), 301)},
        RefusedRecord{"LabelFieldOneUnitPastSize", EventRecord(264 + 2 * 6, 7)},
        RefusedRecord{"LabelFieldWithoutRoomForIt", EventRecord(200, 1)},
        RefusedRecord{"CapacityDoublingOverflows", EventRecord(300, (std::int64_t{1} << 62) + 2)},
        RefusedRecord{"CapacityMax", EventRecord(300, INT64_MAX)},
        RefusedRecord{"CapacityWrapping32Bits", EventRecord(300, (std::int64_t{1} << 32) + 4)}),
    [](const testing::TestParamInfo<RefusedRecord>& info) { return info.param.name; });

TEST(EventRecordPacketTest, RecordEndingRightAfterTheTypeGuidIsValid) {
  Bytes bytes = EventRecord(152, 0);
  EventRecordPacket packet;
  ASSERT_TRUE(packet.Attach(WritableView(bytes)));
  EXPECT_EQ(packet.GetLabel(), PacketText());
}

TEST(EventRecordPacketTest, SetLabelGrowsTheFieldAndMovesTheTail) {
  Bytes bytes = EventRecord(300, 0);
  const Bytes before = bytes;
  EventRecordPacket packet;
  ASSERT_TRUE(packet.Attach(WritableView(bytes)));
  ASSERT_TRUE(packet.SetLabel(OLESTR("abc")));

  EXPECT_TRUE(packet.IsOwned());
  EXPECT_EQ(bytes, before);  // the adopted bytes are not touched
  const std::span<const std::byte> record = packet.Block();
  ASSERT_EQ(record.size(), 308u);
  EXPECT_EQ(DeclaredSize(record), 308u);
  EXPECT_EQ(Get<std::int64_t>(record.data(), 128), 4);
  EXPECT_EQ(Units(record, 264, 4), PacketText(OLESTR("abc\0"), 4));
  const Bytes copy = Copy(record);
  EXPECT_TRUE(std::equal(copy.begin() + 24, copy.begin() + 128, before.begin() + 24));
  EXPECT_TRUE(std::equal(copy.begin() + 136, copy.begin() + 264, before.begin() + 136));
  EXPECT_TRUE(std::equal(copy.begin() + 272, copy.end(), before.begin() + 264));
  EXPECT_EQ(packet.GetLabel(), PacketText(OLESTR("abc")));
}

TEST(EventRecordPacketTest, SetLabelWithinALargerFieldWritesInPlaceAndKeepsTheRest) {
  Bytes bytes = EventRecord(300, 16);
  const Bytes before = bytes;
  EventRecordPacket packet;
  ASSERT_TRUE(packet.Attach(WritableView(bytes)));
  ASSERT_TRUE(packet.SetLabel(OLESTR("fives")));

  EXPECT_FALSE(packet.IsOwned());
  EXPECT_EQ(Get<std::int64_t>(bytes.data(), 128), 16);
  EXPECT_EQ(DeclaredSize(packet.Block()), 300u);
  EXPECT_EQ(Units(packet.Block(), 264, 8), PacketText(OLESTR("fives\0\0\0"), 8));
  EXPECT_TRUE(std::equal(bytes.begin() + 280, bytes.end(), before.begin() + 280));
  EXPECT_TRUE(std::equal(bytes.begin(), bytes.begin() + 264, before.begin()));
}

TEST(EventRecordPacketTest, SetLabelOfNullGivesFourZeroUnits) {
  Bytes bytes = EventRecord(300, 0);
  EventRecordPacket packet;
  ASSERT_TRUE(packet.Attach(WritableView(bytes)));
  ASSERT_TRUE(packet.SetLabel(nullptr));
  EXPECT_EQ(Get<std::int64_t>(packet.Block().data(), 128), 4);
  EXPECT_EQ(Units(packet.Block(), 264, 4), PacketText(4, OLECHAR{0}));
  EXPECT_EQ(packet.Block().size(), 308u);
}

TEST(EventRecordPacketTest, SetLabelRoundsCapacityToTheMultipleOfFourAboveTheLength) {
  const std::pair<PacketText, std::int64_t> cases[] = {{OLESTR(""), 4},
                                                      {OLESTR("abc"), 4},
                                                      {OLESTR("abcd"), 8},
                                                      {OLESTR("abcdefg"), 8},
                                                      {OLESTR("abcdefgh"), 12}};
  for (const auto& [text, capacity] : cases) {
    Bytes bytes = EventRecord(300, 0);
    EventRecordPacket packet;
    ASSERT_TRUE(packet.Attach(WritableView(bytes)));
    ASSERT_TRUE(packet.SetLabel(text.c_str()));
    EXPECT_EQ(Get<std::int64_t>(packet.Block().data(), 128), capacity) << text.size();
    EXPECT_EQ(packet.Block().size(), 300u + 2 * capacity) << text.size();
    EXPECT_EQ(packet.GetLabel(), text);
  }
}

TEST(EventRecordPacketTest, SetLabelGrowsAnExistingFieldByTheDifference) {
  Bytes bytes = EventRecord(300, 4);
  const Bytes before = bytes;
  EventRecordPacket packet;
  ASSERT_TRUE(packet.Attach(WritableView(bytes)));
  ASSERT_TRUE(packet.SetLabel(OLESTR("longer label")));  // 12 units: field of 16
  const Bytes copy = Copy(packet.Block());
  ASSERT_EQ(copy.size(), 300u + 24);
  EXPECT_EQ(Get<std::int64_t>(copy.data(), 128), 16);
  EXPECT_TRUE(std::equal(copy.begin() + 296, copy.end(), before.begin() + 272));
  EXPECT_EQ(packet.GetLabel(), PacketText(OLESTR("longer label")));
}

TEST(EventRecordPacketTest, SetLabelOnARecordEndingBeforeTheFieldStaysInside) {
  Bytes bytes = EventRecord(200, 0);
  const Bytes before = bytes;
  EventRecordPacket packet;
  ASSERT_TRUE(packet.Attach(WritableView(bytes)));
  ASSERT_TRUE(packet.SetLabel(OLESTR("hi")));
  const Bytes copy = Copy(packet.Block());
  ASSERT_EQ(copy.size(), 272u);
  EXPECT_EQ(DeclaredSize(packet.Block()), 272u);
  EXPECT_TRUE(std::equal(copy.begin() + 24, copy.begin() + 128, before.begin() + 24));
  EXPECT_TRUE(std::all_of(copy.begin() + 200, copy.begin() + 264, [](std::uint8_t b) { return b == 0; }));
  EXPECT_EQ(packet.GetLabel(), PacketText(OLESTR("hi")));
}

TEST(EventRecordPacketTest, SetLabelReusesAnOwnedBufferWithRoom) {
  const Bytes source = EventRecord(300, 0);
  EventRecordPacket packet;
  ASSERT_TRUE(packet.Assign(View(source)));
  ASSERT_TRUE(packet.Resize(400));
  ASSERT_TRUE(packet.Resize(300));
  const std::byte* buffer = packet.Block().data();
  ASSERT_TRUE(packet.SetLabel(OLESTR("ab")));
  EXPECT_EQ(packet.Block().data(), buffer);
  EXPECT_EQ(packet.Block().size(), 308u);
  const Bytes copy = Copy(packet.Block());
  EXPECT_TRUE(std::equal(copy.begin() + 272, copy.end(), source.begin() + 264));
}

TEST(EventRecordPacketTest, SetLabelRefusesAFieldThatRunsPastTheRecord) {
  // An owned buffer whose capacity field no longer matches its size, as raw Allocate leaves.
  EventRecordPacket packet;
  ASSERT_TRUE(packet.Allocate(300));
  std::span<std::byte> record = packet.Block();
  std::memset(record.data() + 24, 0, record.size() - 24);
  const std::int64_t capacity = 100;  // 264 + 200 > 300
  std::memcpy(record.data() + 128, &capacity, sizeof capacity);
  const Bytes before = Copy(record);
  EXPECT_FALSE(packet.SetLabel(OLESTR("x")));
  EXPECT_EQ(Copy(packet.Block()), before);
  EXPECT_EQ(packet.GetLabel(), PacketText());
}

}  // namespace
}  // namespace packets::test
