// Blocks whose length only their header declares, placed right before a page that cannot be
// read: validation must find the end through the platform's readability test and refuse a
// declared size that runs into the unreadable page, without touching it.
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>

#include "block_bytes.h"
#include "guarded_memory.h"
#include "packets/event_record_packet.h"
#include "packets/sample_block_packet.h"
#include "packets/ts_info_packet.h"
#include "reader/reader_ids.h"

namespace packets::test {
namespace {

WritableBlockView Unknown(const GuardedMemory& memory) {
  return WritableBlockView::OfUnknownLength(memory.Bytes());
}

TEST(UnknownLengthBlockTest, RecordDeclaringMoreThanIsReadableIsRefused) {
  // One byte past the unreadable page's start, and a size far beyond it.
  for (const std::uint64_t declared : {std::uint64_t{301}, std::uint64_t{0xFFFFFFFF}}) {
    SCOPED_TRACE(declared);
    Bytes bytes = EventRecord(300, 0);
    Put(bytes, 16, declared);
    GuardedMemory memory(bytes);
    EventRecordPacket packet;
    EXPECT_FALSE(packet.Attach(Unknown(memory)));
    EXPECT_TRUE(packet.Block().empty());
  }
}

TEST(UnknownLengthBlockTest, HeaderRunningIntoTheUnreadablePageIsRefused) {
  const Bytes bytes = EventRecord(300, 0);
  GuardedMemory memory(Bytes(bytes.begin(), bytes.begin() + 20));
  EventRecordPacket packet;
  EXPECT_FALSE(packet.Attach(Unknown(memory)));
}

TEST(UnknownLengthBlockTest, RecordEndingAtThePageEndIsAdoptedAndItsLabelReadWithinIt) {
  // A label field of 18 units without terminator that ends exactly at the unreadable page.
  GuardedMemory memory(EventRecord(264 + 36, 18));
  EventRecordPacket packet;
  ASSERT_TRUE(packet.Attach(Unknown(memory)));
  EXPECT_EQ(packet.GetLabel().size(), 18u);
}

TEST(UnknownLengthBlockTest, LabelFieldRunningIntoTheUnreadablePageIsRefused) {
  GuardedMemory memory(EventRecord(264 + 36, 19));
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

// Four pages: readable, unreadable, readable, unreadable. An event record starts `bytesIn`
// bytes from the start of page `pagesIn` and declares pagesLong pages and bytesLong bytes; it
// is adopted exactly when every page it reaches can be read. The header's check covers the
// header's page, so every page after it must still be asked about: past a hole as at its edge.
struct PlacedRecordCase {
  const char* what;
  std::ptrdiff_t pagesIn;
  std::ptrdiff_t bytesIn;
  std::ptrdiff_t pagesLong;
  std::ptrdiff_t bytesLong;
  bool adopted;
};

constexpr PlacedRecordCase kPlacedRecordCases[] = {
    {"ends where the hole starts", 1, -300, 0, 300, true},
    {"reaches one byte into the hole", 1, -300, 0, 301, false},
    {"spans the hole into a readable page", 1, -300, 1, 400, false},
    {"header cut by the hole", 1, -10, 0, 300, false},
    {"fills the page after the hole", 2, 0, 1, 0, true},
    {"starts late in its page and ends with it", 3, -200, 0, 200, true},
    {"header ends its page, the record goes on", 3, -24, 0, 200, false},
};

TEST(UnknownLengthBlockTest, RecordsAreAdoptedOnlyWhenEveryPageTheyReachCanBeRead) {
  const auto page = static_cast<std::ptrdiff_t>(sysconf(_SC_PAGESIZE));
  void* mapped = mmap(nullptr, 4 * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  ASSERT_NE(mapped, MAP_FAILED);
  auto* pages = static_cast<std::uint8_t*>(mapped);
  for (const PlacedRecordCase& c : kPlacedRecordCases) {
    ASSERT_EQ(mprotect(pages, 4 * page, PROT_READ | PROT_WRITE), 0);
    std::memset(pages, 0, 4 * page);  // labelCapacity 0: no label field to check
    std::uint8_t* record = pages + c.pagesIn * page + c.bytesIn;
    const auto size = static_cast<std::uint64_t>(c.pagesLong * page + c.bytesLong);
    const Bytes header = Block(reader::kEventRecordKind, size, 24);
    std::memcpy(record, header.data(), header.size());
    ASSERT_EQ(mprotect(pages + page, page, PROT_NONE), 0);
    ASSERT_EQ(mprotect(pages + 3 * page, page, PROT_NONE), 0);
    EventRecordPacket packet;
    EXPECT_EQ(packet.Attach(WritableBlockView::OfUnknownLength(record)), c.adopted) << c.what;
  }
  munmap(mapped, 4 * page);
}

}  // namespace
}  // namespace packets::test
