// GetChannelCount, GetChannelInf and GetSegmentInf through the exports of a loaded library.
#include <algorithm>
#include <array>
#include <climits>
#include <string>
#include <numeric>
#include <ostream>

#include "query_fixture.h"

namespace apitest {
namespace {

using fake::Operation;
using ::testing::ElementsAre;

constexpr fake::Time kSegmentStart{40000.0, 0.5};
constexpr char kUntouched = '\x7E';

// 32-byte host text buffers with room after them, preset to a byte no text contains.
using NameBuffer = std::array<char, 40>;
NameBuffer UntouchedName() {
  NameBuffer name;
  name.fill(kUntouched);
  return name;
}
std::string Untouched(std::size_t count) { return std::string(count, kUntouched); }
std::string AsString(const NameBuffer& name) { return std::string(name.data(), name.size()); }

class ChannelTest : public QueryTest {
 protected:
  void SetUp() override {
    QueryTest::SetUp();
    component.recording.segments = {{kSegmentStart, {40001.0, 0.0}, 60.0}};
  }
  void ServeTsInfo(const std::vector<std::u16string>& names, const std::vector<double>& values = {}) {
    ServeTimedPacket(kTsInfoKind, kSegmentStart, TsInfoBlock(names, values));
  }
};

using GetChannelCountTest = ChannelTest;

TEST_F(GetChannelCountTest, GivesTheTsInfoEntryCountOfTheSegmentsStart) {
  ServeTsInfo({u"Fp1", u"Fp2", u"Cz"});
  OpenRecording();

  EXPECT_EQ(ConsoleOutputOf([&] { EXPECT_EQ(GetChannelCount(0), 3); }), "");

  EXPECT_THAT(component.Calls(),
              ::testing::Contains("Packet#1.GetTimedPacketSize({A271CCCB-515D-4590-B6A1-DC170C8D6EE2}, 40000, 0.5)"));
}

TEST_F(GetChannelCountTest, EmptyTableIsZeroWithoutReport) {
  ServeTsInfo({});
  OpenRecording();
  EXPECT_EQ(ConsoleOutputOf([&] { EXPECT_EQ(GetChannelCount(0), 0); }), "");
}

TEST_F(GetChannelCountTest, RefusedSegmentIsReportedAsTsInfo) {
  ServeTsInfo({u"Fp1"});
  OpenRecording();
  EXPECT_EQ(ConsoleOutputOf([&] { EXPECT_EQ(GetChannelCount(5), 0); }), PacketFailureOutput("TsInfo"));
}

TEST_F(GetChannelCountTest, TableLongerThanItsBlockIsReportedAsTsInfo) {
  Bytes block = TsInfoBlock({u"Fp1", u"Fp2"});
  Put<std::uint32_t>(block, 752, 3);
  ServeTimedPacket(kTsInfoKind, kSegmentStart, block);
  OpenRecording();
  EXPECT_EQ(ConsoleOutputOf([&] { EXPECT_EQ(GetChannelCount(0), 0); }), PacketFailureOutput("TsInfo"));
}

// A name as the component holds it, and the bytes the host finds in its buffer afterwards.
struct NameCase {
  const char* name;
  std::u16string channelName;
  std::string hostBytes;
  bool needsUtf8 = false;  // the bytes are UTF-8, the stand-in's ANSI code page
};

class ChannelNameTest : public ChannelTest, public ::testing::WithParamInterface<NameCase> {};

TEST_P(ChannelNameTest, ArrivesAsAtMost32BytesWithoutTerminator) {
  if (GetParam().needsUtf8 && !support::RunsOnTheStandIn()) {
    GTEST_SKIP() << "the ANSI code page is not UTF-8 (tests/windows checks code page 1252)";
  }
  ServeTsInfo({u"First", GetParam().channelName, u"Third"});
  OpenRecording();
  NameBuffer name = UntouchedName();

  EXPECT_EQ(ConsoleOutputOf([&] { EXPECT_EQ(GetChannelInf(0, 1, name.data()), 1); }), "");

  EXPECT_EQ(AsString(name), GetParam().hostBytes);
}

const std::u16string kFortyLetters = u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmn";
// Twenty euro signs: 60 bytes in UTF-8, more than twice the name's length plus 2.
const std::u16string kTwentyEuros(20, u'\u20AC');
const std::string kEuro = "\xE2\x82\xAC";

INSTANTIATE_TEST_SUITE_P(
    Names, ChannelNameTest,
    ::testing::Values(
        NameCase{"FiveLetters", u"Fp1-A", "Fp1-A" + Untouched(35)},
        NameCase{"FortyLettersCutAt32", kFortyLetters, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdef" + Untouched(8)},
        NameCase{"Empty", u"", Untouched(40)},
        NameCase{"NonAscii", u"Grüße µV", "Gr\xC3\xBC\xC3\x9F" "e \xC2\xB5V" + Untouched(29), true},
        // Ten whole characters, then the first two bytes of the eleventh.
        NameCase{"ThreeByteCharactersCutInsideACharacter", kTwentyEuros,
                 [] {
                   std::string bytes;
                   for (int i = 0; i < 10; ++i) bytes += kEuro;
                   return bytes + "\xE2\x82" + Untouched(8);
                 }(),
                 true},
        NameCase{"SurrogatePair", u"\U0001F600x", "\xF0\x9F\x98\x80x" + Untouched(35), true},
        // All 72 units of the field and no terminator: the read stops at the field's end.
        NameCase{"FieldWithoutTerminator", std::u16string(72, u'N'), std::string(32, 'N') + Untouched(8)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ChannelTest, ChannelOutsideTheTableLeavesTheNameAndReportsNothing) {
  ServeTsInfo({u"Fp1", u"Fp2"});
  OpenRecording();
  for (int channel : {2, -1, 1 << 30}) {
    NameBuffer name = UntouchedName();
    EXPECT_EQ(ConsoleOutputOf([&] { EXPECT_EQ(GetChannelInf(0, channel, name.data()), 0); }), "") << channel;
    EXPECT_EQ(AsString(name), Untouched(40)) << channel;
  }
}

TEST_F(ChannelTest, FailedTsInfoReadIsReportedAndLeavesTheName) {
  OpenRecording();
  NameBuffer name = UntouchedName();
  EXPECT_EQ(ConsoleOutputOf([&] { EXPECT_EQ(GetChannelInf(0, 0, name.data()), 0); }), PacketFailureOutput("TsInfo"));
  EXPECT_EQ(AsString(name), Untouched(40));
}

// Rounds of calls on one recording whose component changes its table between them, each
// fetched anew, often into memory the round before filled. Channels 0 to 3; "-" is a call that returns
// 0 and leaves the name alone.
TEST_F(ChannelTest, TableThatChangesBetweenCallsIsSeenAsItIsOnEveryCall) {
  struct Round {
    std::vector<std::u16string> names;
    bool readWritesNothing;  // ReadTimedPacket returns S_OK without writing
    std::vector<std::string> hostNames;
  };
  const std::vector<Round> rounds = {
      {{u"Fp1", u"Fp2", u"Cz"}, false, {"Fp1", "Fp2", "Cz", "-"}},
      {{u"O1", u"O2"}, false, {"O1", "O2", "-", "-"}},  // shorter: Cz is gone
      {{u"A", u"B"}, true, {"-", "-", "-", "-"}},        // nothing of O1 and O2 shows
      {{}, false, {"-", "-", "-", "-"}},
      {{u"EEG Fp1-Ref", u"", u"ECG"}, false, {"EEG Fp1-Ref", "", "ECG", "-"}},
  };
  ServeTsInfo({});
  OpenRecording();
  for (const Round& round : rounds) {
    component.recording.timedPackets[0].bytes = TsInfoBlock(round.names);
    component.On(Operation::ReadTimedPacket).writesOutValues = !round.readWritesNothing;
    for (int channel = 0; channel < 4; ++channel) {
      const std::string& expected = round.hostNames[static_cast<std::size_t>(channel)];
      const std::string bytes = expected == "-" ? "" : expected;
      NameBuffer name = UntouchedName();
      int result = -1;
      ConsoleOutputOf([&] { result = GetChannelInf(0, channel, name.data()); });
      EXPECT_EQ(result, expected == "-" ? 0 : 1) << expected << " " << channel;
      EXPECT_EQ(AsString(name), bytes + Untouched(40 - bytes.size())) << expected << " " << channel;
    }
  }
}

TEST_F(ChannelTest, NextRecordingNeverShowsTheNamesOfTheOneBefore) {
  // Ten channels: their entries reach past the packet header. The second recording's
  // component announces the same table but writes only its header, so its entries are
  // whatever the fetch's buffer holds before the component writes.
  std::vector<std::u16string> names;
  for (char16_t digit = u'0'; digit <= u'9'; ++digit) {
    names.push_back(u"first recording " + std::u16string(1, digit));
  }
  ServeTsInfo(names);
  OpenRecording();
  for (int channel = 0; channel < 10; ++channel) {
    NameBuffer name = UntouchedName();
    ASSERT_EQ(GetChannelInf(0, channel, name.data()), 1);
  }
  ASSERT_EQ(Close(), 1);

  Bytes headerOnly = TsInfoBlock(names);
  const auto announced = static_cast<std::uint32_t>(headerOnly.size());
  headerOnly.resize(760);
  component.recording.timedPackets[0].bytes = headerOnly;
  component.recording.timedPackets[0].reportedSize = announced;
  OpenRecording();
  NameBuffer name = UntouchedName();
  EXPECT_EQ(GetChannelInf(0, 9, name.data()), 1);
  EXPECT_EQ(AsString(name), Untouched(40));
}

class GetSegmentInfTest : public ChannelTest {
 protected:
  void SetUp() override {
    ChannelTest::SetUp();
    component.recording.segmentFound = VARIANT_TRUE;
    component.recording.sampleChannelCount = 3;
    component.recording.sampleCounts = {3, 0, 2};
    component.recording.samples = {{1, 2, 3}, {}, {4, 5}};
    values.fill(-7.0);
    sampleCounts.fill(-7);
  }

  // Opens a recording whose sample block announces `counts`, with two channels of `channelValues`.
  void OpenWithCounts(const std::vector<std::int32_t>& counts,
                      const std::vector<double>& channelValues) {
    component.recording.sampleChannelCount = static_cast<std::int32_t>(counts.size());
    component.recording.sampleCounts = counts;
    ServePacket(kSensorInfoKind, SensorInfoBlock(0));
    ServeTsInfo({u"A", u"B"}, channelValues);
    OpenRecording();
  }

  std::array<double, 5> values{};
  std::array<int, 5> sampleCounts{};
};

TEST_F(GetSegmentInfTest, WritesEveryChannelsValueAndSampleCount) {
  ServePacket(kSensorInfoKind, SensorInfoBlock(2));
  ServeTsInfo({u"A", u"B", u"C"}, {256.0, 0.125, -512.5});
  OpenRecording();

  EXPECT_EQ(ConsoleOutputOf([&] { EXPECT_EQ(GetSegmentInf(0, values.data(), sampleCounts.data()), 1); }), "");

  EXPECT_THAT(values, ElementsAre(256.0, 0.125, -512.5, -7.0, -7.0));
  EXPECT_THAT(sampleCounts, ElementsAre(3, 0, 2, -7, -7));
  // The whole segment as one window, as GetData reads it.
  EXPECT_THAT(component.Calls(), ::testing::Contains("Packet#3.ReadSamples(40000, 0.5, 60, 90)"));
}

TEST_F(GetSegmentInfTest, AsksTheSegmentsDurationBeforeItsStart) {
  ServePacket(kSensorInfoKind, SensorInfoBlock(0));
  ServeTsInfo({u"A"}, {1.0});
  OpenRecording();

  ASSERT_EQ(GetSegmentInf(0, values.data(), sampleCounts.data()), 1);

  std::vector<std::string> segmentCalls;
  for (const std::string& call : component.Calls()) {
    if (call.find(".GetSegmentDuration(") != std::string::npos || call.find(".GetSegmentStart(") != std::string::npos) {
      segmentCalls.push_back(call.substr(call.find('.') + 1));
    }
  }
  // The TsInfo fetch asks for the start first; the sample read asks duration, then start.
  EXPECT_THAT(segmentCalls, ElementsAre("GetSegmentStart(0)", "GetSegmentDuration(0)", "GetSegmentStart(0)"));
}

TEST_F(GetSegmentInfTest, EmptyTableLeavesTheValuesAndStillWritesTheCounts) {
  ServePacket(kSensorInfoKind, SensorInfoBlock(0));
  ServeTsInfo({});
  OpenRecording();

  EXPECT_EQ(GetSegmentInf(0, values.data(), sampleCounts.data()), 1);

  EXPECT_THAT(values, ElementsAre(-7.0, -7.0, -7.0, -7.0, -7.0));
  EXPECT_THAT(sampleCounts, ElementsAre(3, 0, 2, -7, -7));
}

TEST_F(GetSegmentInfTest, SensorInfoShorterThanItsTableIsReported) {
  Bytes block = SensorInfoBlock(2);
  block.pop_back();  // 1631 bytes for two entries
  Put<std::uint64_t>(block, 16, block.size());
  ServePacket(kSensorInfoKind, block);
  ServeTsInfo({u"A"}, {1.0});
  OpenRecording();

  EXPECT_EQ(ConsoleOutputOf([&] { EXPECT_EQ(GetSegmentInf(0, values.data(), sampleCounts.data()), 0); }),
            PacketFailureOutput("SensorInfo"));
}

// GetSegmentInf reads SensorInfo before TsInfo; the first packet missing is reported and the
// host's arrays stay as they were.
struct MissingPackets {
  const char* name;
  bool servesSensorInfo;
  bool servesTsInfo;
  const char* reported;
};

class GetSegmentInfMissingPacketTest : public GetSegmentInfTest,
                                       public ::testing::WithParamInterface<MissingPackets> {};

TEST_P(GetSegmentInfMissingPacketTest, IsReportedAndWritesNothing) {
  const MissingPackets& missing = GetParam();
  if (missing.servesSensorInfo) ServePacket(kSensorInfoKind, SensorInfoBlock(0));
  if (missing.servesTsInfo) ServeTsInfo({u"A"}, {1.0});
  OpenRecording();

  EXPECT_EQ(
      ConsoleOutputOf([&] { EXPECT_EQ(GetSegmentInf(0, values.data(), sampleCounts.data()), 0); }),
      PacketFailureOutput(missing.reported));

  EXPECT_THAT(values, ::testing::Each(-7.0));
  EXPECT_THAT(sampleCounts, ::testing::Each(-7));
}

INSTANTIATE_TEST_SUITE_P(Packets, GetSegmentInfMissingPacketTest,
                         ::testing::Values(MissingPackets{"SensorInfo", false, true, "SensorInfo"},
                                           MissingPackets{"TsInfo", true, false, "TsInfo"},
                                           MissingPackets{"Both", false, false, "SensorInfo"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(GetSegmentInfTest, FailedSampleReadIsReportedAsGetDataAfterTheValues) {
  ServePacket(kSensorInfoKind, SensorInfoBlock(0));
  ServeTsInfo({u"A", u"B"}, {1.5, 2.5});
  component.recording.segmentFound = VARIANT_FALSE;
  OpenRecording();

  EXPECT_EQ(ConsoleOutputOf([&] { EXPECT_EQ(GetSegmentInf(0, values.data(), sampleCounts.data()), 0); }),
            PacketFailureOutput("GetData"));

  EXPECT_THAT(values, ElementsAre(1.5, 2.5, -7.0, -7.0, -7.0));
  EXPECT_THAT(sampleCounts, ::testing::Each(-7));
}

// How the component answers the count calls and what its read leaves in the block's count
// table; GetSegmentInf must give the counts by which GetData then fills a host's buffer.
struct CountAnswers {
  const char* name;
  std::vector<std::int32_t> answers;
  std::vector<std::int32_t> leftUnwritten;
  std::vector<std::int32_t> rewrittenByRead;
  std::vector<int> layout;
};
void PrintTo(const CountAnswers& answers, std::ostream* out) { *out << answers.name; }

class GetSegmentInfLayoutTest : public GetSegmentInfTest, public ::testing::WithParamInterface<CountAnswers> {};

TEST_P(GetSegmentInfLayoutTest, CountsAreThoseGetDataFillsTheBufferBy) {
  const CountAnswers& answers = GetParam();
  component.recording.sampleChannelCount = static_cast<std::int32_t>(answers.answers.size());
  component.recording.sampleCounts = answers.answers;
  component.recording.countsLeftUnwritten = answers.leftUnwritten;
  component.recording.countsRewrittenByRead = answers.rewrittenByRead;
  component.recording.samples.clear();
  ServePacket(kSensorInfoKind, SensorInfoBlock(0));
  ServeTsInfo({});
  OpenRecording();

  ASSERT_EQ(GetSegmentInf(0, values.data(), sampleCounts.data()), 1);
  std::vector<int> expected = answers.layout;
  expected.resize(sampleCounts.size(), -7);
  EXPECT_THAT(sampleCounts, ::testing::ElementsAreArray(expected));

  constexpr short kUntouchedSample = 0x7E7E;
  std::array<short, 64> samples;
  samples.fill(kUntouchedSample);
  ASSERT_EQ(GetData(0, samples.data()), 1);
  const auto written = static_cast<std::size_t>(std::accumulate(answers.layout.begin(), answers.layout.end(), 0));
  EXPECT_EQ(std::count(samples.begin(), samples.end(), kUntouchedSample),
            static_cast<std::ptrdiff_t>(samples.size() - written));
}

INSTANTIATE_TEST_SUITE_P(
    Answers, GetSegmentInfLayoutTest,
    ::testing::Values(
        // The count is preset once, before the first channel.
        CountAnswers{"UnansweredChannelTakesThePreviousCount", {3, 9, 2}, {1}, {}, {3, 3, 2}},
        CountAnswers{"UnansweredFirstChannelIsEmpty", {3, 2}, {0}, {}, {0, 2}},
        // A host that sized its buffer by the answers before the read would be overrun.
        CountAnswers{"ReadRewritesTheCountTable", {10, 10}, {}, {20, 10}, {20, 10}}),
    [](const auto& info) { return std::string(info.param.name); });

// Counts whose block would reach 2^32 bytes: no read can carry the segment, yet the counts
// tell a host its layout. The fake announces them without any block behind them.
struct LongSegment {
  const char* name;
  std::vector<std::int32_t> counts;
};
void PrintTo(const LongSegment& segment, std::ostream* out) { *out << segment.name; }

class GetSegmentInfOfALongSegmentTest : public GetSegmentInfTest, public ::testing::WithParamInterface<LongSegment> {};

TEST_P(GetSegmentInfOfALongSegmentTest, GivesTheAnnouncedCountsWithoutReading) {
  OpenWithCounts(GetParam().counts, {256.0, 1.0});

  EXPECT_EQ(ConsoleOutputOf([&] { EXPECT_EQ(GetSegmentInf(0, values.data(), sampleCounts.data()), 1); }), "");

  EXPECT_THAT(values, ElementsAre(256.0, 1.0, -7.0, -7.0, -7.0));
  std::vector<int> expected(GetParam().counts.begin(), GetParam().counts.end());
  expected.resize(sampleCounts.size(), -7);
  EXPECT_THAT(sampleCounts, ::testing::ElementsAreArray(expected));
  EXPECT_THAT(component.Calls(), ::testing::Not(::testing::Contains(::testing::HasSubstr("ReadSamples"))));
  // Each count asked once, as a read would ask it.
  EXPECT_EQ(std::count_if(component.Calls().begin(), component.Calls().end(),
                          [](const std::string& call) { return call.find("GetSampleCount(") != std::string::npos; }),
            static_cast<std::ptrdiff_t>(GetParam().counts.size()));
}

INSTANTIATE_TEST_SUITE_P(Counts, GetSegmentInfOfALongSegmentTest,
                         ::testing::Values(
                             // 68 + 4 + 2 x 2147483612 = 2^32 exactly
                             LongSegment{"BlockOfExactly2To32Bytes", {2147483612}},
                             LongSegment{"TwoLargestChannels", {INT_MAX, INT_MAX}},
                             // Summed in 32 bits, the block would wrap to a small one.
                             LongSegment{"WrapsIn32Bits", {INT_MAX, 0, INT_MAX, 4}},
                             LongSegment{"HalfHoursAt1MHzBesideShortChannels", {1800000000, 1800000000, 7, 1800000000, 0}}),
                         [](const auto& info) { return std::string(info.param.name); });

// A failed sample call, or counts that lay out no block, fail the counts as they fail GetData:
// the values are written, the counts are not.
struct FailedCounts {
  const char* name;
  std::vector<std::int32_t> counts;
  fake::Operation failing;
  HRESULT status;
};
void PrintTo(const FailedCounts& counts, std::ostream* out) { *out << counts.name; }

class GetSegmentInfFailedCountsTest : public GetSegmentInfTest, public ::testing::WithParamInterface<FailedCounts> {};

TEST_P(GetSegmentInfFailedCountsTest, IsReportedAsGetDataAfterTheValues) {
  OpenWithCounts(GetParam().counts, {1.5, 2.5});
  component.On(GetParam().failing).result = GetParam().status;

  EXPECT_EQ(ConsoleOutputOf([&] { EXPECT_EQ(GetSegmentInf(0, values.data(), sampleCounts.data()), 0); }),
            PacketFailureOutput("GetData"));

  EXPECT_THAT(values, ElementsAre(1.5, 2.5, -7.0, -7.0, -7.0));
  EXPECT_THAT(sampleCounts, ::testing::Each(-7));
}

INSTANTIATE_TEST_SUITE_P(
    Failures, GetSegmentInfFailedCountsTest,
    ::testing::Values(FailedCounts{"ChannelCountFails", {3, 0, 2}, Operation::GetSampleChannelCount, E_FAIL},
                      FailedCounts{"SampleCountFails", {3, 0, 2}, Operation::GetSampleCount, E_FAIL},
                      FailedCounts{"SampleCountOfALongSegmentFails", {INT_MAX, INT_MAX}, Operation::GetSampleCount,
                                   E_INVALIDARG},
                      FailedCounts{"ReadFails", {3, 0, 2}, Operation::ReadSamples, E_FAIL},
                      FailedCounts{"NegativeCount", {3, -1, 2}, Operation::ReadSamples, S_OK},
                      FailedCounts{"NegativeCountBesideLongOnes", {INT_MAX, INT_MAX, INT_MIN}, Operation::ReadSamples,
                                   S_OK}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace apitest
