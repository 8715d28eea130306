// Both fetch paths against the scriptable component: the calls they make, in order and with
// their arguments; each failing step ending the fetch with the packet unchanged; every
// interface released on every path; and a block that declares more than was read refused.
#include "packets/fetch_packet.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <ostream>
#include <span>
#include <string>
#include <vector>

#include "block_bytes.h"
#include "fake_storage_man_test.h"
#include "packets/packet_fetcher.h"
#include "reader/reader_ids.h"

namespace packets::test {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;
using fake::Operation;

const std::string kSensorInfo = "{30950D98-C39C-4352-AF3E-CB17D5B93DED}";
const std::string kTsInfo = "{A271CCCB-515D-4590-B6A1-DC170C8D6EE2}";
const std::string kEventTypeTable = "{C728E565-E5A0-4419-93D2-F6CFC69F3B8F}";

Bytes Table(const GUID& kind, std::uint32_t headerSize, std::uint32_t entrySize,
            std::uint32_t entryCount, std::uint8_t first = 1) {
  const std::uint64_t size = headerSize + std::uint64_t{entrySize} * entryCount;
  Bytes bytes = Block(kind, size, static_cast<std::size_t>(size), first);
  Put(bytes, headerSize - 8, entryCount);
  Put(bytes, headerSize - 4, entryCount);
  return bytes;
}

Bytes SensorInfo(std::uint8_t first = 1) { return Table(SensorInfoPacket::kKind, 752, 440, 2, first); }
Bytes TsInfo(std::uint8_t first = 1) { return Table(TsInfoPacket::kKind, 760, 552, 2, first); }

class FetchTest : public support::FakeStorageManTest {
 protected:
  void SetUp() override {
    FakeStorageManTest::SetUp();
    if (HasFatalFailure()) return;
    component.recording.packets = {{SensorInfoPacket::kKind, SensorInfo(), std::nullopt}};
    component.recording.segments = {{{1.0, 2.0}, {1.5, 2.5}, 100.0},
                                     {{44001.5, 0.25}, {44002.5, 0.75}, 86400.5}};
    component.recording.timedPackets = {{TsInfoPacket::kKind, {44001.5, 0.25}, TsInfo(), std::nullopt, 77u}};
  }
  void TearDown() override {
    FakeStorageManTest::TearDown();
    EXPECT_THAT(component.Faults(), IsEmpty());
  }

  // A packet that already holds a block, to see that a failed fetch leaves it alone.
  template <typename Packet>
  void Preload(Packet& packet, const Bytes& bytes) {
    ASSERT_TRUE(packet.Assign(View(bytes)));
    component.ClearCalls();
  }
};

TEST_F(FetchTest, RecordingPacketIsAskedForReadAndCopied) {
  SensorInfoPacket packet;
  ASSERT_TRUE(FetchPacket(SensorInfoPacket::kKind, storageMan.get(), packet));
  EXPECT_TRUE(packet.Equals(View(SensorInfo())));
  EXPECT_TRUE(packet.IsOwned());
  EXPECT_THAT(component.Calls(),
              ElementsAre("StorageMan#1.GetPacketInterface()", "Packet#1.GetPacketSize(" + kSensorInfo + ")",
                          "Packet#1.ReadPacket(" + kSensorInfo + ", 1632)", "Packet#1.Release() = 0"));
}

TEST_F(FetchTest, SegmentPacketIsAskedForAtTheSegmentStartAndReadByItsReference) {
  TsInfoPacket packet;
  ASSERT_TRUE(FetchSegmentPacket(TsInfoPacket::kKind, storageMan.get(), 1, packet));
  EXPECT_TRUE(packet.Equals(View(TsInfo())));
  EXPECT_THAT(component.Calls(),
              ElementsAre("StorageMan#1.GetPacketInterface()", "StorageMan#1.GetSegmentInterface()",
                          "Segment#1.GetSegmentStart(1)",
                          "Packet#1.GetTimedPacketSize(" + kTsInfo + ", 44001.5, 0.25)",
                          "Packet#1.ReadTimedPacket(77, 1864)", "Segment#1.Release() = 0",
                          "Packet#1.Release() = 0"));
}

TEST_F(FetchTest, EachFetcherReadsItsOwnKindByItsOwnPath) {
  component.recording.packets.push_back({EventTypeTablePacket::kKind, Table(EventTypeTablePacket::kKind, 752, 1152, 1), std::nullopt});
  TsInfoPacket tsInfo;
  SensorInfoPacket sensorInfo;
  EventTypeTablePacket eventTypes;
  EXPECT_TRUE(TsInfoFetcher().Fetch(storageMan.get(), 1, tsInfo));
  EXPECT_TRUE(SensorInfoFetcher().Fetch(storageMan.get(), sensorInfo));
  EXPECT_TRUE(EventTypeTableFetcher().Fetch(storageMan.get(), eventTypes));
  EXPECT_EQ(tsInfo.GetEntryCount(), 2);
  EXPECT_EQ(sensorInfo.GetEntryCount(), 2);
  EXPECT_EQ(eventTypes.GetEntryCount(), 1);
  std::vector<std::string> sizeCalls;
  for (const std::string& call : component.Calls()) {
    if (call.find("Size(") != std::string::npos) sizeCalls.push_back(call);
  }
  EXPECT_THAT(sizeCalls, ElementsAre("Packet#1.GetTimedPacketSize(" + kTsInfo + ", 44001.5, 0.25)",
                                     "Packet#2.GetPacketSize(" + kSensorInfo + ")",
                                     "Packet#3.GetPacketSize(" + kEventTypeTable + ")"));
}

struct FailingStep {
  const char* name;
  Operation operation;
  bool writesOutValues;  // the component fails but hands out a pointer anyway
  std::vector<std::string> calls;
};

// Failure messages name the case instead of dumping its bytes.
void PrintTo(const FailingStep& param, std::ostream* out) { *out << param.name; }

class FetchPacketFailureTest : public FetchTest, public ::testing::WithParamInterface<FailingStep> {};

TEST_P(FetchPacketFailureTest, FailsWithPacketUnchangedAndEverythingReleased) {
  SensorInfoPacket packet;
  Preload(packet, SensorInfo(50));
  const Bytes before = Copy(packet.Block());
  fake::Outcome& outcome = component.On(GetParam().operation);
  outcome.result = E_FAIL;
  outcome.writesOutValues = GetParam().writesOutValues;

  EXPECT_FALSE(FetchPacket(SensorInfoPacket::kKind, storageMan.get(), packet));
  EXPECT_EQ(Copy(packet.Block()), before);
  EXPECT_THAT(component.Calls(), ElementsAreArray(GetParam().calls));
}

INSTANTIATE_TEST_SUITE_P(
    Steps, FetchPacketFailureTest,
    ::testing::Values(
        FailingStep{"PacketInterface", Operation::GetPacketInterface, false,
                    {"StorageMan#1.GetPacketInterface()"}},
        FailingStep{"PacketInterfaceHandedOutAnyway", Operation::GetPacketInterface, true,
                    {"StorageMan#1.GetPacketInterface()", "Packet#1.Release() = 0"}},
        FailingStep{"PacketSize", Operation::GetPacketSize, false,
                    {"StorageMan#1.GetPacketInterface()", "Packet#1.GetPacketSize(" + kSensorInfo + ")",
                     "Packet#1.Release() = 0"}},
        FailingStep{"ReadPacket", Operation::ReadPacket, false,
                    {"StorageMan#1.GetPacketInterface()", "Packet#1.GetPacketSize(" + kSensorInfo + ")",
                     "Packet#1.ReadPacket(" + kSensorInfo + ", 1632)", "Packet#1.Release() = 0"}},
        FailingStep{"ReadPacketAfterWriting", Operation::ReadPacket, true,
                    {"StorageMan#1.GetPacketInterface()", "Packet#1.GetPacketSize(" + kSensorInfo + ")",
                     "Packet#1.ReadPacket(" + kSensorInfo + ", 1632)", "Packet#1.Release() = 0"}}),
    [](const ::testing::TestParamInfo<FailingStep>& info) { return info.param.name; });

class FetchSegmentPacketFailureTest : public FetchTest, public ::testing::WithParamInterface<FailingStep> {};

TEST_P(FetchSegmentPacketFailureTest, FailsWithPacketUnchangedAndEverythingReleased) {
  TsInfoPacket packet;
  Preload(packet, TsInfo(50));
  const Bytes before = Copy(packet.Block());
  fake::Outcome& outcome = component.On(GetParam().operation);
  outcome.result = E_FAIL;
  outcome.writesOutValues = GetParam().writesOutValues;

  EXPECT_FALSE(FetchSegmentPacket(TsInfoPacket::kKind, storageMan.get(), 1, packet));
  EXPECT_EQ(Copy(packet.Block()), before);
  EXPECT_THAT(component.Calls(), ElementsAreArray(GetParam().calls));
}

const std::string kTimedSize = "Packet#1.GetTimedPacketSize(" + kTsInfo + ", 44001.5, 0.25)";

INSTANTIATE_TEST_SUITE_P(
    Steps, FetchSegmentPacketFailureTest,
    ::testing::Values(
        FailingStep{"PacketInterface", Operation::GetPacketInterface, false,
                    {"StorageMan#1.GetPacketInterface()"}},
        FailingStep{"PacketInterfaceHandedOutAnyway", Operation::GetPacketInterface, true,
                    {"StorageMan#1.GetPacketInterface()", "Packet#1.Release() = 0"}},
        FailingStep{"SegmentInterface", Operation::GetSegmentInterface, false,
                    {"StorageMan#1.GetPacketInterface()", "StorageMan#1.GetSegmentInterface()",
                     "Packet#1.Release() = 0"}},
        FailingStep{"SegmentInterfaceHandedOutAnyway", Operation::GetSegmentInterface, true,
                    {"StorageMan#1.GetPacketInterface()", "StorageMan#1.GetSegmentInterface()",
                     "Segment#1.Release() = 0", "Packet#1.Release() = 0"}},
        FailingStep{"SegmentStart", Operation::GetSegmentStart, false,
                    {"StorageMan#1.GetPacketInterface()", "StorageMan#1.GetSegmentInterface()",
                     "Segment#1.GetSegmentStart(1)", "Segment#1.Release() = 0", "Packet#1.Release() = 0"}},
        FailingStep{"TimedPacketSize", Operation::GetTimedPacketSize, false,
                    {"StorageMan#1.GetPacketInterface()", "StorageMan#1.GetSegmentInterface()",
                     "Segment#1.GetSegmentStart(1)", kTimedSize, "Segment#1.Release() = 0",
                     "Packet#1.Release() = 0"}},
        FailingStep{"ReadTimedPacket", Operation::ReadTimedPacket, true,
                    {"StorageMan#1.GetPacketInterface()", "StorageMan#1.GetSegmentInterface()",
                     "Segment#1.GetSegmentStart(1)", kTimedSize, "Packet#1.ReadTimedPacket(77, 1864)",
                     "Segment#1.Release() = 0", "Packet#1.Release() = 0"}}),
    [](const ::testing::TestParamInfo<FailingStep>& info) { return info.param.name; });

TEST_F(FetchTest, RecordingSizeOfZeroOrBelowIsNotRead) {
  for (const std::int32_t size : {0, -1, INT32_MIN}) {
    component.recording.packets[0].reportedSize = size;
    component.ClearCalls();
    SensorInfoPacket packet;
    EXPECT_FALSE(FetchPacket(SensorInfoPacket::kKind, storageMan.get(), packet)) << size;
    EXPECT_TRUE(packet.Block().empty());
    const std::string packets = "Packet#" + std::to_string(component.ObjectsCreated(fake::ObjectKind::Packet));
    EXPECT_THAT(component.Calls(),
                ElementsAre("StorageMan#1.GetPacketInterface()", packets + ".GetPacketSize(" + kSensorInfo + ")",
                            packets + ".Release() = 0"));
  }
}

TEST_F(FetchTest, SegmentSizeOfZeroIsNotRead) {
  component.recording.timedPackets[0].reportedSize = 0u;
  TsInfoPacket packet;
  EXPECT_FALSE(FetchSegmentPacket(TsInfoPacket::kKind, storageMan.get(), 1, packet));
  EXPECT_TRUE(packet.Block().empty());
  for (const std::string& call : component.Calls()) EXPECT_EQ(call.find("ReadTimedPacket"), std::string::npos);
}

TEST_F(FetchTest, SegmentSizeAbove2To31IsAcceptedAsUnsigned) {
  // Not above 0 as a signed number, yet a size: the segment path asks for it (and the
  // component here then fails the read).
  component.recording.timedPackets[0].reportedSize = 0x80000000u;
  component.Refuse(Operation::ReadTimedPacket, E_FAIL);
  TsInfoPacket packet;
  EXPECT_FALSE(FetchSegmentPacket(TsInfoPacket::kKind, storageMan.get(), 1, packet));
  EXPECT_THAT(component.Calls(), ::testing::Contains("Packet#1.ReadTimedPacket(77, 2147483648)"));
}

TEST_F(FetchTest, BlockDeclaringMoreThanTheReportedSizeIsRefused) {
  // The component fills 1000 bytes of a block that says it has 1632: copying by the block's
  // own size would read past the temporary buffer.
  component.recording.packets[0].reportedSize = 1000;
  SensorInfoPacket packet;
  EXPECT_FALSE(FetchPacket(SensorInfoPacket::kKind, storageMan.get(), packet));
  EXPECT_TRUE(packet.Block().empty());

  component.recording.timedPackets[0].reportedSize = 1863u;
  TsInfoPacket tsInfo;
  EXPECT_FALSE(FetchSegmentPacket(TsInfoPacket::kKind, storageMan.get(), 1, tsInfo));
  EXPECT_TRUE(tsInfo.Block().empty());
}

TEST_F(FetchTest, ReportedSizeBeyondTheBlockIsReadAndTrimmed) {
  component.recording.packets[0].reportedSize = 5000;
  SensorInfoPacket packet;
  ASSERT_TRUE(FetchPacket(SensorInfoPacket::kKind, storageMan.get(), packet));
  EXPECT_EQ(packet.Block().size(), 1632u);
}

TEST_F(FetchTest, OtherKindOfBlockIsRefused) {
  component.recording.packets = {{SensorInfoPacket::kKind, TsInfo(), std::nullopt}};
  SensorInfoPacket packet;
  EXPECT_FALSE(FetchPacket(SensorInfoPacket::kKind, storageMan.get(), packet));
  EXPECT_TRUE(packet.Block().empty());
}

TEST_F(FetchTest, ComponentErrorPassesThroughWithEverythingReleased) {
  component.Raise(Operation::ReadTimedPacket, fake::RaisedError{E_OUTOFMEMORY});
  TsInfoPacket packet;
  EXPECT_THROW(FetchSegmentPacket(TsInfoPacket::kKind, storageMan.get(), 1, packet), _com_error);
  EXPECT_TRUE(packet.Block().empty());
  EXPECT_THAT(component.Calls(), ::testing::IsSupersetOf({"Segment#1.Release() = 0", "Packet#1.Release() = 0"}));
}

// The entries of a table that the component announced whole but wrote only the header of.
std::span<const std::byte> UnwrittenEntries(const InfoPacket& packet, std::size_t headerSize) {
  return packet.Block().subspan(headerSize);
}

bool AllZero(std::span<const std::byte> bytes) {
  return std::all_of(bytes.begin(), bytes.end(), [](std::byte b) { return b == std::byte{0}; });
}

TEST_F(FetchTest, ComponentWritingLessThanItAnnouncedLeavesZerosNotAnEarlierFetch) {
  // Each round first fetches the whole table (its entries patterned, never 0) and drops it,
  // then the same announced size of which only the header is written: the memory of the first
  // fetch is the likeliest to come back for the second.
  const Bytes sensorInfo = SensorInfo(9);
  const Bytes tsInfo = TsInfo(9);
  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE(round);
    component.recording.packets[0] = {SensorInfoPacket::kKind, sensorInfo, std::nullopt};
    component.recording.timedPackets[0].bytes = tsInfo;
    component.recording.timedPackets[0].reportedSize.reset();
    {
      SensorInfoPacket whole;
      TsInfoPacket wholeTs;
      ASSERT_TRUE(FetchPacket(SensorInfoPacket::kKind, storageMan.get(), whole));
      ASSERT_TRUE(FetchSegmentPacket(TsInfoPacket::kKind, storageMan.get(), 1, wholeTs));
      ASSERT_FALSE(AllZero(UnwrittenEntries(whole, 752)));
      ASSERT_FALSE(AllZero(UnwrittenEntries(wholeTs, 760)));
    }
    component.recording.packets[0] = {SensorInfoPacket::kKind, Bytes(sensorInfo.begin(), sensorInfo.begin() + 752),
                                      static_cast<std::int32_t>(sensorInfo.size())};
    component.recording.timedPackets[0].bytes.resize(760);
    component.recording.timedPackets[0].reportedSize = static_cast<std::uint32_t>(tsInfo.size());
    SensorInfoPacket headerOnly;
    TsInfoPacket headerOnlyTs;
    ASSERT_TRUE(FetchPacket(SensorInfoPacket::kKind, storageMan.get(), headerOnly));
    ASSERT_TRUE(FetchSegmentPacket(TsInfoPacket::kKind, storageMan.get(), 1, headerOnlyTs));
    EXPECT_EQ(headerOnly.Block().size(), sensorInfo.size());
    EXPECT_EQ(headerOnlyTs.Block().size(), tsInfo.size());
    EXPECT_TRUE(AllZero(UnwrittenEntries(headerOnly, 752)));
    EXPECT_TRUE(AllZero(UnwrittenEntries(headerOnlyTs, 760)));
  }
}

TEST_F(FetchTest, PacketsAliveAtOnceKeepTheirOwnBytesRoundAfterRound) {
  // Each fetch has a buffer of its own: a buffer shared by two packets at once would show the
  // second packet's bytes in the first.
  for (const std::uint8_t first : {1, 40, 90}) {
    component.recording.packets[0].bytes = SensorInfo(first);
    component.recording.timedPackets[0].bytes = TsInfo(static_cast<std::uint8_t>(first + 7));
    SensorInfoPacket sensorInfo;
    TsInfoPacket tsInfo;
    SensorInfoPacket sensorInfoAgain;
    ASSERT_TRUE(FetchPacket(SensorInfoPacket::kKind, storageMan.get(), sensorInfo));
    ASSERT_TRUE(FetchSegmentPacket(TsInfoPacket::kKind, storageMan.get(), 1, tsInfo));
    ASSERT_TRUE(FetchPacket(SensorInfoPacket::kKind, storageMan.get(), sensorInfoAgain));
    EXPECT_TRUE(sensorInfo.Equals(View(SensorInfo(first)))) << int{first};
    EXPECT_TRUE(tsInfo.Equals(View(TsInfo(static_cast<std::uint8_t>(first + 7))))) << int{first};
    EXPECT_TRUE(sensorInfoAgain.Equals(View(SensorInfo(first)))) << int{first};
  }
}

TEST_F(FetchTest, NoComponentIsAFailedFetch) {
  SensorInfoPacket packet;
  EXPECT_FALSE(FetchPacket(SensorInfoPacket::kKind, nullptr, packet));
  EXPECT_FALSE(FetchSegmentPacket(SensorInfoPacket::kKind, nullptr, 0, packet));
  EXPECT_THAT(component.Calls(), IsEmpty());
}

}  // namespace
}  // namespace packets::test
