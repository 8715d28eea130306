// Channel names and values as the exports read them out of a TsInfo copy.
#include "packets/ts_info_packet.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "block_bytes.h"

namespace packets::test {
namespace {

constexpr std::size_t kEntry0 = 760;
constexpr std::size_t kEntrySize = 552;

Bytes TsInfo(std::uint32_t entryCount, std::uint64_t size) {
  Bytes bytes = Block(TsInfoPacket::kKind, size, static_cast<std::size_t>(size));
  Put(bytes, 752, entryCount);
  return bytes;
}

void PutText(Bytes& bytes, std::size_t offset, const std::u16string& text) {
  std::memcpy(bytes.data() + offset, text.c_str(), (text.size() + 1) * 2);
}

TEST(TsInfoPacketTest, ComponentExampleWithDeclaredSize5000IsCopiedAs1864Bytes) {
  TsInfoPacket packet;
  ASSERT_TRUE(packet.Assign(View(TsInfo(2, 5000))));
  EXPECT_EQ(packet.Block().size(), 1864u);
  EXPECT_EQ(DeclaredSize(packet.Block()), 1864u);
}

TEST(TsInfoPacketTest, ReadsNameAndValueOfEachEntry) {
  Bytes bytes = TsInfo(2, 760 + 2 * 552);
  PutText(bytes, kEntry0 + 128, u"Fp1");
  PutText(bytes, kEntry0 + kEntrySize + 128, u"O2-A1");
  Put(bytes, kEntry0 + 272, 256.0);
  Put(bytes, kEntry0 + kEntrySize + 272, -0.125);
  TsInfoPacket packet;
  ASSERT_TRUE(packet.Assign(View(bytes)));
  EXPECT_EQ(packet.GetEntryCount(), 2);
  EXPECT_EQ(packet.ChannelName(0), PacketText(OLESTR("Fp1")));
  EXPECT_EQ(packet.ChannelName(1), PacketText(OLESTR("O2-A1")));
  EXPECT_EQ(packet.ChannelValue(0), 256.0);
  EXPECT_EQ(packet.ChannelValue(1), -0.125);
}

TEST(TsInfoPacketTest, ValueIsTheEightBytesAt272Unchanged) {
  const Bytes bytes = TsInfo(1, 760 + 552);
  TsInfoPacket packet;
  ASSERT_TRUE(packet.Assign(View(bytes)));
  EXPECT_EQ(packet.ChannelValue(0), Get<double>(bytes.data(), kEntry0 + 272));
}

TEST(TsInfoPacketTest, NameWithoutTerminatorStopsAtTheEndOfItsField) {
  // Distinct non-zero bytes everywhere: no terminator in the 144-byte field.
  const Bytes bytes = TsInfo(1, 760 + 552);
  TsInfoPacket packet;
  ASSERT_TRUE(packet.Assign(View(bytes)));
  const std::optional<PacketText> name = packet.ChannelName(0);
  ASSERT_TRUE(name);
  ASSERT_EQ(name->size(), 72u);
  EXPECT_EQ(static_cast<std::uint16_t>(name->front()), Get<std::uint16_t>(bytes.data(), kEntry0 + 128));
  EXPECT_EQ(static_cast<std::uint16_t>(name->back()), Get<std::uint16_t>(bytes.data(), kEntry0 + 270));
}

TEST(TsInfoPacketTest, ChannelOutsideTheTableGivesNothing) {
  TsInfoPacket packet;
  EXPECT_FALSE(packet.ChannelName(0));
  EXPECT_FALSE(packet.ChannelValue(0));
  ASSERT_TRUE(packet.Assign(View(TsInfo(2, 760 + 2 * 552))));
  for (const std::int32_t channel : {-1, 2, 3, INT32_MAX, INT32_MIN}) {
    EXPECT_FALSE(packet.ChannelName(channel)) << channel;
    EXPECT_FALSE(packet.ChannelValue(channel)) << channel;
  }
}

}  // namespace
}  // namespace packets::test
