// The table layer, run for each of its three kinds: validation boundaries, trimming copies,
// comparison, and counts that would wrap a 32-bit bound.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <ostream>
#include <cstring>
#include <functional>
#include <memory>

#include "block_bytes.h"
#include "packets/event_type_table_packet.h"
#include "packets/sensor_info_packet.h"
#include "packets/ts_info_packet.h"
#include "platform/memory.h"

namespace packets::test {
namespace {

struct TableKind {
  const char* name;
  GUID kind;
  std::uint32_t headerSize;
  std::uint32_t entrySize;
  std::function<std::unique_ptr<InfoPacket>()> make;
  std::function<std::int32_t(const InfoPacket&)> entryCount;
};

template <typename Packet>
TableKind KindOf(const char* name, std::uint32_t headerSize, std::uint32_t entrySize) {
  return TableKind{name, Packet::kKind, headerSize, entrySize,
                   [] { return std::make_unique<Packet>(); },
                   [](const InfoPacket& packet) {
                     return static_cast<const Packet&>(packet).GetEntryCount();
                   }};
}

// Failure messages name the case instead of dumping its bytes.
void PrintTo(const TableKind& param, std::ostream* out) { *out << param.name; }

class TablePacketTest : public testing::TestWithParam<TableKind> {
 protected:
  std::uint32_t H() const { return GetParam().headerSize; }
  std::uint32_t E() const { return GetParam().entrySize; }
  std::uint64_t TableSize(std::uint32_t entryCount) const {
    return H() + std::uint64_t{E()} * entryCount;
  }
  // `length` bytes declaring `size` and `entryCount`, entry capacity 77.
  Bytes Table(std::uint32_t entryCount, std::uint64_t size, std::size_t length,
              std::uint8_t first = 1) const {
    Bytes bytes = Block(GetParam().kind, size, length, first);
    Put(bytes, H() - 8, entryCount);
    Put(bytes, H() - 4, std::uint32_t{77});
    return bytes;
  }
  Bytes Table(std::uint32_t entryCount, std::uint64_t size) const {
    return Table(entryCount, size, static_cast<std::size_t>(size));
  }
  std::unique_ptr<InfoPacket> packet = GetParam().make();
};

TEST_P(TablePacketTest, ExactlyTheHeaderWithNoEntriesIsValidAndCopiedWithCapacityZero) {
  const Bytes block = Table(0, H());
  ASSERT_TRUE(packet->IsValid(View(block)));
  ASSERT_TRUE(packet->Assign(View(block)));
  EXPECT_EQ(packet->OwnedSize(), H());
  EXPECT_EQ(DeclaredSize(packet->Block()), H());
  EXPECT_EQ(Get<std::uint32_t>(packet->Block().data(), H() - 4), 0u);
  EXPECT_EQ(GetParam().entryCount(*packet), 0);
}

TEST_P(TablePacketTest, OneByteShortOfTheHeaderIsRefused) {
  EXPECT_FALSE(packet->IsValid(View(Table(0, H() - 1, H()))));
  Bytes shortBlock = Table(0, H());
  shortBlock.pop_back();
  Put(shortBlock, 16, std::uint64_t{H() - 1});
  EXPECT_FALSE(packet->IsValid(View(shortBlock)));
}

TEST_P(TablePacketTest, ThreeEntriesNeedTheirLastByte) {
  EXPECT_FALSE(packet->IsValid(View(Table(3, TableSize(3) - 1))));
  EXPECT_TRUE(packet->IsValid(View(Table(3, TableSize(3)))));
}

TEST_P(TablePacketTest, ASizeBeyondTheBytesThatExistIsRefused) {
  // The table fits the declared size, but the buffer ends before it.
  const Bytes block = Table(1, TableSize(1), static_cast<std::size_t>(TableSize(1) - 1));
  EXPECT_FALSE(packet->IsValid(View(block)));
  EXPECT_FALSE(packet->Assign(View(block)));
  EXPECT_TRUE(packet->Block().empty());
}

TEST_P(TablePacketTest, ACountWhoseBoundWraps32BitsIsRefused) {
  // E x count is a multiple of 2^32: in 32 bits the bound would come back to H.
  const std::uint32_t lowestBit = E() & (~E() + 1);
  const auto wrappingCount = static_cast<std::uint32_t>((std::uint64_t{1} << 32) / lowestBit);
  EXPECT_FALSE(packet->IsValid(View(Table(wrappingCount, H()))));
  EXPECT_FALSE(packet->IsValid(View(Table(0xFFFFFFFFu, TableSize(2)))));
}

TEST_P(TablePacketTest, OversizeBlockIsTrimmedToItsTable) {
  const Bytes block = Table(2, TableSize(2) + 100);
  ASSERT_TRUE(packet->Assign(View(block)));
  const std::uint64_t table = TableSize(2);
  EXPECT_EQ(packet->OwnedSize(), table);
  ASSERT_EQ(packet->Block().size(), table);
  EXPECT_EQ(DeclaredSize(packet->Block()), table);
  EXPECT_EQ(Get<GUID>(packet->Block().data(), 0), GetParam().kind);
  const Bytes copy = Copy(packet->Block());
  EXPECT_TRUE(std::equal(copy.begin() + 24, copy.begin() + H() - 4, block.begin() + 24));
  EXPECT_TRUE(std::equal(copy.begin() + H(), copy.end(), block.begin() + H()));
  EXPECT_EQ(Get<std::uint32_t>(copy.data(), H() - 4), 2u);
  EXPECT_EQ(GetParam().entryCount(*packet), 2);
}

TEST_P(TablePacketTest, TakenBlockIsTheTrimmedTableAssignCopies) {
  // Oversize, as a component that announced more than its table needs fills it.
  const Bytes block = Table(2, TableSize(2) + 100);
  auto taken = [&](const Bytes& bytes) {
    std::byte* buffer = platform::AllocateBuffer(bytes.size());
    std::memcpy(buffer, bytes.data(), bytes.size());
    return buffer;
  };
  std::byte* buffer = taken(block);
  ASSERT_TRUE(packet->TakeBlock(buffer, block.size()));
  EXPECT_EQ(packet->Block().data(), buffer);  // no copy
  const std::unique_ptr<InfoPacket> copied = GetParam().make();
  ASSERT_TRUE(copied->Assign(View(block)));
  EXPECT_EQ(Copy(packet->Block()), Copy(copied->Block()));

  // A refused block stays the caller's; the held one stays as it was.
  const Bytes before = Copy(packet->Block());
  const Bytes cutShort = Table(2, TableSize(2), static_cast<std::size_t>(TableSize(2) - 1));
  std::byte* refused = taken(cutShort);
  EXPECT_FALSE(packet->TakeBlock(refused, cutShort.size()));
  platform::FreeBuffer(refused, cutShort.size());
  EXPECT_EQ(Copy(packet->Block()), before);
}

TEST_P(TablePacketTest, RefusedAssignKeepsTheHeldTable) {
  const Bytes held = Table(1, TableSize(1));
  ASSERT_TRUE(packet->Assign(View(held)));
  const Bytes before = Copy(packet->Block());
  EXPECT_FALSE(packet->Assign(View(Table(2, TableSize(2) - 1))));
  EXPECT_EQ(Copy(packet->Block()), before);
  Bytes otherKind = held;
  Put(otherKind, 0, kOtherKind);
  EXPECT_FALSE(packet->Assign(View(otherKind)));
  EXPECT_EQ(Copy(packet->Block()), before);
}

TEST_P(TablePacketTest, AssignOfTheOwnOwnedBlockChangesNothing) {
  ASSERT_TRUE(packet->Assign(View(Table(1, TableSize(1)))));
  const std::span<std::byte> own = packet->Block();
  // A fresh copy would set the capacity back to the count.
  std::memcpy(own.data() + H() - 4, "\x63\0\0\0", 4);
  const Bytes before = Copy(own);
  ASSERT_TRUE(packet->Assign(BlockView::OfLength(own.data(), own.size())));
  EXPECT_EQ(packet->Block().data(), own.data());
  EXPECT_EQ(Copy(packet->Block()), before);
}

TEST_P(TablePacketTest, AssignOfTheOwnAdoptedBlockMakesAnOwnedCopy) {
  Bytes caller = Table(1, TableSize(1));
  const Bytes before = caller;
  ASSERT_TRUE(packet->Attach(WritableView(caller)));
  ASSERT_TRUE(packet->Assign(View(caller)));
  EXPECT_TRUE(packet->IsOwned());
  EXPECT_NE(packet->Block().data(), reinterpret_cast<std::byte*>(caller.data()));
  EXPECT_EQ(caller, before);
  EXPECT_EQ(Get<std::uint32_t>(packet->Block().data(), H() - 4), 1u);
}

TEST_P(TablePacketTest, EqualsIgnoresCapacityAndSizeFromHOn) {
  const Bytes block = Table(2, TableSize(2));
  ASSERT_TRUE(packet->Assign(View(block)));
  EXPECT_TRUE(packet->Equals(View(block)));  // source capacity 77, copy 2

  Bytes longer = Table(2, TableSize(2) + 8);
  std::copy(block.begin() + 24, block.end(), longer.begin() + 24);
  EXPECT_TRUE(packet->Equals(View(longer)));

  Bytes sizeOfHeaderOnly = block;
  Put(sizeOfHeaderOnly, 16, std::uint64_t{H()});
  EXPECT_TRUE(packet->Equals(View(sizeOfHeaderOnly)));
}

TEST_P(TablePacketTest, EqualsSeesEveryComparedByte) {
  const Bytes block = Table(2, TableSize(2));
  ASSERT_TRUE(packet->Assign(View(block)));
  struct Change {
    const char* what;
    std::size_t offset;
  };
  for (const Change change : {Change{"first byte of headerData1", 24},
                              Change{"last byte of headerData2", H() - 9},
                              Change{"first entry byte", H()},
                              Change{"last entry byte", block.size() - 1}}) {
    Bytes changed = block;
    changed[change.offset] ^= 0xFF;
    EXPECT_FALSE(packet->Equals(View(changed))) << change.what;
  }
  Bytes otherKind = block;
  Put(otherKind, 0, kOtherKind);
  EXPECT_FALSE(packet->Equals(View(otherKind)));
  Bytes tooShort = block;
  Put(tooShort, 16, std::uint64_t{H() - 1});
  EXPECT_FALSE(packet->Equals(View(tooShort)));
  EXPECT_FALSE(packet->Equals(View(Table(1, TableSize(2)))));
  EXPECT_FALSE(packet->Equals(BlockView::OfLength(nullptr, 0)));
}

TEST_P(TablePacketTest, EqualsRefusesEntriesBeyondTheOtherBlocksBytes) {
  const Bytes block = Table(2, TableSize(2));
  ASSERT_TRUE(packet->Assign(View(block)));
  EXPECT_FALSE(packet->Equals(BlockView::OfLength(block.data(), block.size() - 1)));
}

TEST_P(TablePacketTest, EmptyPacketEqualsOnlyNullAndCountsNoEntries) {
  EXPECT_TRUE(packet->Equals(BlockView::OfLength(nullptr, 0)));
  EXPECT_FALSE(packet->Equals(View(Table(0, H()))));
  EXPECT_EQ(GetParam().entryCount(*packet), 0);
}

INSTANTIATE_TEST_SUITE_P(Kinds, TablePacketTest,
                         testing::Values(KindOf<TsInfoPacket>("TsInfo", 760, 552),
                                         KindOf<SensorInfoPacket>("SensorInfo", 752, 440),
                                         KindOf<EventTypeTablePacket>("EventTypeTable", 752, 1152)),
                         [](const testing::TestParamInfo<TableKind>& info) { return info.param.name; });

}  // namespace
}  // namespace packets::test
