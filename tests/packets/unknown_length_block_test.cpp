// Blocks whose length only their header declares, placed right before a page that cannot be
// read: validation must find the end through the platform's readability test and refuse a
// declared size that runs into the unreadable page, without touching it.
#include <gtest/gtest.h>

#include <cstdint>

#include "block_bytes.h"
#include "guarded_memory.h"
#include "packets/event_record_packet.h"
#include "packets/sample_block_packet.h"
#include "packets/ts_info_packet.h"
#include "reader/reader_ids.h"

namespace packets::test {
namespace {

Bytes Record(std::uint64_t size, std::int64_t labelCapacity) {
  Bytes bytes = Block(reader::kEventRecordKind, size, static_cast<std::size_t>(size));
  Put(bytes, 128, labelCapacity);
  return bytes;
}

WritableBlockView Unknown(const GuardedMemory& memory) {
  return WritableBlockView::OfUnknownLength(memory.Bytes());
}

TEST(UnknownLengthBlockTest, RecordDeclaringMoreThanIsReadableIsRefused) {
  Bytes bytes = Record(300, 0);
  Put(bytes, 16, std::uint64_t{301});
  GuardedMemory memory(bytes);
  EventRecordPacket packet;
  EXPECT_FALSE(packet.Attach(Unknown(memory)));
  EXPECT_TRUE(packet.Block().empty());
}

TEST(UnknownLengthBlockTest, RecordDeclaringAHugeSizeIsRefused) {
  Bytes bytes = Record(300, 0);
  Put(bytes, 16, std::uint64_t{0xFFFFFFFF});
  GuardedMemory memory(bytes);
  EventRecordPacket packet;
  EXPECT_FALSE(packet.Attach(Unknown(memory)));
}

TEST(UnknownLengthBlockTest, HeaderRunningIntoTheUnreadablePageIsRefused) {
  const Bytes bytes = Record(300, 0);
  GuardedMemory memory(Bytes(bytes.begin(), bytes.begin() + 20));
  EventRecordPacket packet;
  EXPECT_FALSE(packet.Attach(Unknown(memory)));
}

TEST(UnknownLengthBlockTest, RecordEndingAtThePageEndIsAdoptedAndItsLabelReadWithinIt) {
  // A label field of 18 units without terminator that ends exactly at the unreadable page.
  GuardedMemory memory(Record(264 + 36, 18));
  EventRecordPacket packet;
  ASSERT_TRUE(packet.Attach(Unknown(memory)));
  EXPECT_EQ(packet.GetLabel().size(), 18u);
}

TEST(UnknownLengthBlockTest, LabelFieldRunningIntoTheUnreadablePageIsRefused) {
  GuardedMemory memory(Record(264 + 36, 19));
  EventRecordPacket packet;
  EXPECT_FALSE(packet.Attach(Unknown(memory)));
}

TEST(UnknownLengthBlockTest, TableDeclaringMoreThanIsReadableIsRefused) {
  Bytes bytes = Block(TsInfoPacket::kKind, 760 + 552, 760 + 552);
  Put(bytes, 752, std::uint32_t{1});
  TsInfoPacket packet;
  {
    GuardedMemory exact(bytes);
    EXPECT_TRUE(packet.IsValid(BlockView::OfUnknownLength(exact.Bytes())));
  }
  Put(bytes, 16, std::uint64_t{760 + 552 + 1});
  GuardedMemory beyond(bytes);
  EXPECT_FALSE(packet.IsValid(BlockView::OfUnknownLength(beyond.Bytes())));
  EXPECT_FALSE(packet.Assign(BlockView::OfUnknownLength(beyond.Bytes())));
}

TEST(UnknownLengthBlockTest, SampleCountsRunningPastTheBlockAreRefused) {
  Bytes bytes = Block(reader::kSampleBlockKind, 76, 76);
  Put(bytes, 24, reader::kSixteenBitSampleKind);
  Put(bytes, 64, std::int32_t{2});
  Put(bytes, 68, std::int32_t{1});
  Put(bytes, 72, std::int32_t{1});  // two samples need 80 bytes
  GuardedMemory memory(bytes);
  SampleBlockPacket packet;
  EXPECT_FALSE(packet.Attach(Unknown(memory)));
}

}  // namespace
}  // namespace packets::test
