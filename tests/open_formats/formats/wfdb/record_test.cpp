// Records opened from files the tests write: channels of several signal files, start dates,
// short files, multi-segment records of both layouts, annotators beside the header.
#include "formats/wfdb/record.h"

#include <gtest/gtest.h>

#include "common/calendar.h"
#include "edf_test_files.h"
#include "wfdb_writer.h"

namespace {

using wfdb::Record;
using wfdb_test::WrittenSignal;

constexpr std::int64_t kSecond = wfdb::kTicksPerSecond;

class RecordTest : public ::testing::Test {
 protected:
  std::unique_ptr<Record> Open(const std::string& headerName) {
    auto opened = Record::Open(directory.path() / headerName);
    EXPECT_TRUE(opened.Ok()) << opened.Reason();
    return opened.Ok() ? std::move(opened.Value()) : nullptr;
  }
  std::string Refusal(const std::string& headerName) {
    auto opened = Record::Open(directory.path() / headerName);
    EXPECT_FALSE(opened.Ok());
    return opened.Ok() ? std::string() : opened.Reason();
  }
  void Write(const std::string& name, const std::string& bytes) { directory.Write(name, bytes); }
  // A one-signal format-16 segment `name` of `frames` frames, its file holding `written` of them.
  void WriteSegment(const std::string& name, const std::string& signals, std::int64_t frames,
                    const std::vector<WrittenSignal>& data, std::int64_t written) {
    Write(name + ".hea", name + " " + std::to_string(data.size()) + " 125 " + std::to_string(frames) + "\n" + signals);
    Write(name + ".dat", wfdb_test::SignalFile(data, written));
  }
  static std::vector<std::int16_t> Read(Record& record, std::size_t segment, std::size_t channel,
                                        std::int64_t first, std::int64_t count) {
    std::vector<std::int16_t> out(static_cast<std::size_t>(count));
    const Record::ChannelRead read{channel, first, count, out.data()};
    EXPECT_TRUE(record.Read(segment, std::span(&read, 1)));
    return out;
  }
  static std::vector<std::int16_t> Joined(std::initializer_list<std::vector<std::int16_t>> parts) {
    std::vector<std::int16_t> all;
    for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
  }

  edf_test::TemporaryDirectory directory;
};

TEST_F(RecordTest, ReadsChannelsOfSeveralFilesWithExactRates) {
  const std::vector<WrittenSignal> first{{212, 2, 0, 0, wfdb_test::DistinctSamples(0, 2 * 50, 12)},
                                         {212, 1, 0, 0, wfdb_test::DistinctSamples(1, 50, 12)}};
  const std::vector<WrittenSignal> second{{16, 1, 1, 0, wfdb_test::DistinctSamples(2, 49, 16)}};
  Write("r.hea", "r 3 62.4725 50 10:20:30.5 02/01/1900\n"
                 "r.dat 212x2 200/mV 12 0 0 0 0 ECG lead I\n"
                 "r.dat 212 200/mV 12 0 0 0 0 ECG lead II\n"
                 "s.dat 16:1 1000(5)/uV\n");
  Write("r.dat", wfdb_test::SignalFile(first, 50));
  Write("s.dat", wfdb_test::SignalFile(second, 50));
  const auto record = Open("r.hea");
  ASSERT_TRUE(record);
  ASSERT_EQ(record->Segments().size(), 1u);
  const auto& segment = record->Segments()[0];
  EXPECT_EQ(segment.startTicks, 3 * wfdb::kTicksPerDay + (10 * 3600 + 20 * 60 + 30) * kSecond + kSecond / 2);
  ASSERT_EQ(segment.channels.size(), 3u);
  EXPECT_EQ(segment.channels[0].name, "ECG lead I");
  EXPECT_EQ(segment.channels[0].samplesPerSecond, (wfdb::ExactRate{24989, 200}));
  EXPECT_EQ(segment.channels[1].samplesPerSecond, (wfdb::ExactRate{24989, 400}));
  EXPECT_EQ(segment.channels[2].name, "record r, signal 2");
  EXPECT_EQ(segment.channels[2].units, "uV");
  EXPECT_EQ(segment.channels[2].baseline, 5);
  EXPECT_EQ(segment.channels[2].sampleCount, 49);  // skew 1 leaves the last frame out
  EXPECT_EQ(Read(*record, 0, 0, 0, 100), first[0].samples);
  EXPECT_EQ(Read(*record, 0, 1, 0, 50), first[1].samples);
  EXPECT_EQ(Read(*record, 0, 2, 0, 49), second[0].samples);
}

struct StartCase {
  std::string timeAndDate;
  std::int64_t ticks;
};

class RecordStartTest : public RecordTest, public ::testing::WithParamInterface<StartCase> {};

TEST_P(RecordStartTest, StartsAtBaseDateAndTimeElseDayZeroElseMidnight) {
  Write("r.hea", "r 1 100 10 " + GetParam().timeAndDate + "\nr.dat 16\n");
  Write("r.dat", std::string(20, '\0'));
  const auto record = Open("r.hea");
  ASSERT_TRUE(record);
  EXPECT_EQ(record->Segments()[0].startTicks, GetParam().ticks);
}

INSTANTIATE_TEST_SUITE_P(
    Headers, RecordStartTest,
    ::testing::Values(StartCase{"", 0}, StartCase{"06:00:00", wfdb::kTicksPerDay / 4},
                      StartCase{"00:00:01 10/10/2896",
                                common::DayNumberOf({2896, 10, 10}) * wfdb::kTicksPerDay + kSecond},
                      StartCase{"12:00:00 30/12/1899", wfdb::kTicksPerDay / 2}));

TEST_F(RecordTest, EndsWithTheLastWholeFrameOfEveryFile) {
  for (const char* frames : {"0", "25", "5000"}) {  // 0: the header does not say
    Write("r.hea", std::string("r 2 100 ") + frames + "\nr.dat 16\ns.dat 16:3\n");
    Write("r.dat", std::string(2 * 30 + 1, '\0'));
    Write("s.dat", std::string(2 * 20, '\0'));
    auto record = Open("r.hea");
    ASSERT_TRUE(record);
    const auto& segment = record->Segments()[0];
    EXPECT_EQ(segment.frames, 20) << frames;
    EXPECT_EQ(segment.channels[0].sampleCount, 20) << frames;
    EXPECT_EQ(segment.channels[1].sampleCount, 17) << frames;
    // The skew leaves the channel's last three frames out: nothing to read there.
    EXPECT_EQ(Read(*record, 0, 1, 16, 1), (std::vector<std::int16_t>{0})) << frames;
    std::int16_t beyond[2];
    const Record::ChannelRead past{1, 16, 2, beyond};
    EXPECT_FALSE(record->Read(0, std::span(&past, 1))) << frames;
  }
}

TEST_F(RecordTest, MakesOneSegmentOfEachRunOfTheSameSignalsBetweenGaps) {
  const auto x = [](int n, int seed) { return WrittenSignal{16, 1, 0, 0, wfdb_test::DistinctSamples(seed, n, 16)}; };
  const auto a = x(40, 1), b1 = x(30, 2), b2 = x(30, 3), c1 = x(20, 4), c2 = x(20, 5), d1 = x(10, 6), d2 = x(10, 7);
  Write("v.hea", "v/7 3 125 175 08:00:00 01/01/2000\n"
                 "v_layout 0\n~ 25\nv_a 40\nv_b 30\nv_c 20\n~ 50\nv_d 10\n");
  Write("v_layout.hea", "v_layout 3 125 0\n~ 0 100/mV 16 0 0 0 0 X\n~ 0 100/mV 16 0 0 0 0 Y\n~ 0 1/mV 16 0 0 0 0 Z\n");
  WriteSegment("v_a", "v_a.dat 16 100/mV 16 0 0 0 0 X\n", 40, {a}, 40);
  // The file of v_b holds 25 of its 30 frames: the other 5 read as invalid, v_c keeps its times.
  WriteSegment("v_b", "v_b.dat 16 100/mV 16 0 0 0 0 Y\nv_b.dat 16 100/mV 16 0 0 0 0 X\n", 30, {b1, b2}, 25);
  WriteSegment("v_c", "v_c.dat 16 100/mV 16 0 0 0 0 Y\nv_c.dat 16 100/mV 16 0 0 0 0 X\n", 20, {c1, c2}, 20);
  WriteSegment("v_d", "v_d.dat 16 100/mV 16 0 0 0 0 Y\nv_d.dat 16 50/mV 16 0 0 0 0 X\n", 10, {d1, d2}, 10);
  const auto record = Open("v.hea");
  ASSERT_TRUE(record);
  const auto& segments = record->Segments();
  ASSERT_EQ(segments.size(), 3u);
  const std::int64_t start =
      common::DayNumberOf({2000, 1, 1}) * wfdb::kTicksPerDay + 8 * 3600 * kSecond;
  const std::int64_t frame = kSecond / 125;
  EXPECT_EQ(segments[0].startTicks, start + 25 * frame);
  EXPECT_EQ(segments[1].startTicks, start + 65 * frame);
  EXPECT_EQ(segments[2].startTicks, start + 165 * frame);  // after the 50-frame gap
  EXPECT_EQ(segments[1].frames, 50);
  ASSERT_EQ(segments[1].channels.size(), 2u);
  EXPECT_EQ(segments[1].channels[0].name, "Y");
  EXPECT_EQ(segments[1].channels[0].sampleCount, 50);
  EXPECT_EQ(segments[2].channels[1].gain, 50);

  std::vector<std::int16_t> missing(5, -32768);
  const auto b1Held = std::vector<std::int16_t>(b1.samples.begin(), b1.samples.begin() + 25);
  EXPECT_EQ(Read(*record, 1, 0, 0, 50), Joined({b1Held, missing, c1.samples}));
  EXPECT_EQ(Read(*record, 1, 1, 24, 8), Joined({{b2.samples[24]}, missing, {c2.samples[0], c2.samples[1]}}));
  EXPECT_EQ(Read(*record, 2, 1, 0, 10), d2.samples);
  EXPECT_EQ(Read(*record, 0, 0, 0, 40), a.samples);
}

TEST_F(RecordTest, MakesAFixedLayoutRecordOneSegment) {
  const WrittenSignal s1{212, 1, 0, 0, wfdb_test::DistinctSamples(1, 30, 12)};
  const WrittenSignal s2{16, 1, 0, 0, wfdb_test::DistinctSamples(2, 20, 16)};
  Write("f.hea", "f/2 1 125 50\nf_1 30\nf_2 20\n");
  WriteSegment("f_1", "f_1.dat 212 100/mV 12 0 0 0 0 II\n", 30, {s1}, 30);
  WriteSegment("f_2", "f_2.dat 16 100/mV 16 0 0 0 0 II\n", 20, {s2}, 20);
  const auto record = Open("f.hea");
  ASSERT_TRUE(record);
  ASSERT_EQ(record->Segments().size(), 1u);
  EXPECT_EQ(Read(*record, 0, 0, 0, 50), Joined({s1.samples, s2.samples}));
}

struct RecordRefusal {
  std::string header;
  std::string reason;
};

class RecordRefusalTest : public RecordTest, public ::testing::WithParamInterface<RecordRefusal> {};

TEST_P(RecordRefusalTest, SaysWhichSegmentOrFileDisagrees) {
  Write("s1.hea", "s1 1 125 30\ns1.dat 16 100 16 0 0 0 0 II\n");
  Write("s1.dat", std::string(60, '\0'));
  Write("m.hea", "m/1 1 125 30\nm 30\n");
  Write("s4.hea", "s4 1 125 30\ns4.dat 16x4 100 16 0 0 0 0 II\n");
  Write("s4.dat", std::string(240, '\0'));
  Write("huge.hea", "huge 1 125 3000000000000000000\nhuge.dat 16x4 100 16 0 0 0 0 II\n");
  Write("huge.dat", "");
  Write("r.hea", GetParam().header);
  EXPECT_EQ(Refusal("r.hea"), GetParam().reason);
}

INSTANTIATE_TEST_SUITE_P(
    Headers, RecordRefusalTest,
    ::testing::Values(
        RecordRefusal{"r/1 1 125 31\ns1 31\n", "segment 0 (s1) has 30 frames in its header but 31 in the record's"},
        RecordRefusal{"r/1 2 125 30\ns1 30\n", "segment 0 (s1) has 1 signals where the record has 2"},
        RecordRefusal{"r/1 1 250 30\ns1 30\n", "segment 0 (s1) has another frame rate than the record"},
        RecordRefusal{"r/2 1 125 60\ns1 30\nm 30\n", "segment 1 (m) is itself a multi-segment record"},
        // 3 x 10^18 frames of 4 samples: the frames fit in 64 bits, their samples do not.
        RecordRefusal{"r/2 1 125 3000000000000000030\nhuge 3000000000000000000\ns4 30\n",
                      "a segment of the record holds too many samples of II"},
        RecordRefusal{"r/2 1 125 60\nnone 30\n~ 30\n", "no segment of the record is there: segment 0 (none) lacks none.hea"},
        RecordRefusal{"r 1\n../s1.dat 16\n", "\"../s1.dat\" is not a file name of the record's folder"}));

TEST_F(RecordTest, ServesWideSignalsThatFitSixteenBitsAndLeavesOutTheOthers) {
  // Format 24 within 16 bits (its invalid value aside), format 32 beyond, and a 16-bit signal.
  const std::vector<std::int32_t> fitting{-32767, 5, -8388608, 32767};
  const std::vector<std::int32_t> wide{1, -70000, 2, 40000};
  Write("r.hea", "r 3 100 4\nr.d0 24 100 16 0 0 0 0 ABP\nr.d1 32 100 16 0 0 0 0 CO2\n"
                 "r.d2 16 100 16 0 0 0 0 ECG\n");
  Write("r.d0", wfdb_test::EncodeStream(24, fitting));
  Write("r.d1", wfdb_test::EncodeStream(32, wide));
  Write("r.d2", wfdb_test::EncodeStream(16, std::vector<std::int32_t>{7, 8, 9, 10}));
  const auto record = Open("r.hea");
  ASSERT_TRUE(record);
  const auto& channels = record->Segments().at(0).channels;
  ASSERT_EQ(channels.size(), 2u);
  EXPECT_EQ(channels[0].name, "ABP");
  EXPECT_EQ(channels[1].name, "ECG");
  EXPECT_EQ(channels[1].signalIndex, 2u);
  EXPECT_EQ(Read(*record, 0, 0, 0, 4), (std::vector<std::int16_t>{-32767, 5, -32768, 32767}));
  EXPECT_EQ(Read(*record, 0, 1, 1, 3), (std::vector<std::int16_t>{8, 9, 10}));
  EXPECT_EQ(record->Warnings(),
            std::vector<std::string>{"signal 1 (CO2) (format 32) holds values from -70000 to 40000, beyond 16 bits: left out"});
}

TEST_F(RecordTest, ChecksAWideSignalOnlyOverTheFramesItServes) {
  // The value beyond 16 bits lies in a frame past the header's count, and in the frame a skew
  // of 1 gives the signal none of its samples.
  Write("r.hea", "r 2 100 3\nr.dat 24 100 16 0 0 0 0 A\nr.dat 24:1 100 16 0 0 0 0 B\n");
  Write("r.dat", wfdb_test::EncodeStream(24, std::vector<std::int32_t>{1, 99999, 2, 3, 4, 5, 99999, 6}));
  const auto record = Open("r.hea");
  ASSERT_TRUE(record);
  ASSERT_EQ(record->Segments().at(0).channels.size(), 2u);
  EXPECT_EQ(Read(*record, 0, 1, 0, 2), (std::vector<std::int16_t>{3, 5}));
  EXPECT_TRUE(record->Warnings().empty());
}

TEST_F(RecordTest, TakesEveryFileThatParsesAsAnnotationsAsAnAnnotator) {
  Write("r.hea", "r 1 100 1000 00:00:10\nr.dat 16\n");
  // The signal file parses as annotations too, but is no annotator.
  Write("r.dat", wfdb_test::AnnotationFile(std::vector<wfdb_test::WrittenAnnotation>{{1, 1, 0, 0, 0, ""}}) +
                     std::string(1996, '\0'));
  Write("r.atr", wfdb_test::AnnotationFile(std::vector<wfdb_test::WrittenAnnotation>{
                     {50, 28, 0, 0, 0, "(AFIB"}, {150, 1, 0, 0, 0, ""}}));
  Write("r.qrs", wfdb_test::AnnotationFile(std::vector<wfdb_test::WrittenAnnotation>{
                     {0, 22, 0, 0, 0, "## time resolution: 1000"}, {0, 22, 0, 0, 0, "## 42 Z Zone"},
                     {1000, 42, 0, 0, 0, ""}}));
  Write("r.txt", "not annotations\n");
  Write("rr.atr", wfdb_test::AnnotationFile(std::vector<wfdb_test::WrittenAnnotation>{{1, 1, 0, 0, 0, ""}}));
  const auto record = Open("r.hea");
  ASSERT_TRUE(record);
  const auto& events = record->Events();
  ASSERT_EQ(events.size(), 3u);
  const auto expect = [&](const wfdb::Event& e, std::int64_t ticks, const char* annotator, const char* mnemonic,
                          const char* label) {
    EXPECT_EQ(e.ticks, ticks);
    EXPECT_EQ(record->Annotators().at(e.annotator), annotator);
    EXPECT_EQ(record->Mnemonic(e), mnemonic);
    EXPECT_EQ(record->Label(e), label);
  };
  expect(events[0], 10 * kSecond + kSecond / 2, "atr", "+", "(AFIB");
  expect(events[1], 11 * kSecond, "qrs", "Z", "Zone");  // 1000 ticks at 1 kHz
  expect(events[2], 10 * kSecond + 3 * kSecond / 2, "atr", "N", "Normal beat");
}

}  // namespace

namespace {

TEST_F(RecordTest, OpensANumericsRecordOfOneValueAMinuteWrittenWithManyDigits) {
  // A day of values; an annotator whose time resolution is finer than the grid and would move
  // its last annotation by more than half a tick is left out, saying so.
  Write("n.hea", "n 1 0.0166666666667/0.0166666666667 1440 08:00:00\nn.dat 16 1/bpm 16 0 0 0 0 HR\n");
  Write("n.dat", wfdb_test::SignalFile(std::vector<WrittenSignal>{{16, 1, 0, 0, wfdb_test::DistinctSamples(0, 1440, 16)}}, 1440));
  Write("n.atr", wfdb_test::AnnotationFile(std::vector<wfdb_test::WrittenAnnotation>{
                     {0, 22, 0, 0, 0, "## time resolution: 1000.0000000001"}, {600'000'000, 1, 0, 0, 0, ""}}));
  const auto record = Open("n.hea");
  ASSERT_TRUE(record);
  EXPECT_EQ(record->FramesPerSecond(), (wfdb::ExactRate{1, 60}));
  ASSERT_EQ(record->Segments().size(), 1u);
  EXPECT_EQ(record->Segments()[0].channels.at(0).samplesPerSecond, (wfdb::ExactRate{1, 60}));
  EXPECT_EQ(wfdb::FramesToTicks(1440, record->FramesPerSecond()), 86'400 * kSecond);
  EXPECT_TRUE(record->Events().empty());
  EXPECT_EQ(record->Warnings(),
            std::vector<std::string>{"the time resolution 1000.0000000001 has a period of 9999.999999999 ticks of "
                                     "100 ns; the nearest whole period, 10000 ticks, would move tick 600000000 by "
                                     "0.6000 ticks, more than half a tick: the annotations of n.atr are left out"});
}

}  // namespace

namespace {

TEST_F(RecordTest, ServesTheSegmentsThatAreThereAndMakesAnAbsentOneAGap) {
  const auto data = [](int signal) {
    return std::vector<WrittenSignal>{{16, 1, 0, 0, wfdb_test::DistinctSamples(signal, 30, 16)}};
  };
  WriteSegment("s1", "s1.dat 16 200 16 0 0 0 0 II\n", 30, data(1), 30);
  WriteSegment("s3", "s3.dat 16 200 16 0 0 0 0 II\n", 30, data(3), 30);
  WriteSegment("s4", "s4.dat 16 200 16 0 0 0 0 II\n", 30, data(4), 30);
  std::filesystem::remove(directory.path() / "s3.dat");  // its header is there, its signal file not
  Write("r.hea", "r/4 1 125 120\ns1 30\ns2 30\ns3 30\ns4 30\n");
  const auto record = Open("r.hea");
  ASSERT_TRUE(record);
  ASSERT_EQ(record->Segments().size(), 2u);
  EXPECT_EQ(record->Segments()[1].startTicks - record->Segments()[0].startTicks, 90 * kSecond / 125);
  EXPECT_EQ(Read(*record, 1, 0, 0, 30), data(4)[0].samples);
  EXPECT_EQ(record->Warnings(), (std::vector<std::string>{"segment 1 (s2): s2.hea is absent; its 30 frames are a gap",
                                                          "segment 2 (s3): s3.dat is absent; its 30 frames are a gap"}));
}

TEST_F(RecordTest, KeepsTheEventsOfAnAnnotatorCutShortSayingWhere) {
  Write("r.hea", "r 1 100 1000\nr.dat 16\n");
  Write("r.dat", std::string(2000, '\0'));
  const std::string whole = wfdb_test::AnnotationFile(std::vector<wfdb_test::WrittenAnnotation>{
      {10, 1, 0, 0, 0, ""}, {20, 28, 0, 0, 0, "(AFIB"}, {30, 5, 0, 0, 0, ""}});
  Write("r.atr", whole.substr(0, 9));  // the first beat, then the rhythm change's word and half its text
  Write("r.txt", "no annotations, though its first words parse as some\n");
  const auto record = Open("r.hea");
  ASSERT_TRUE(record);
  ASSERT_EQ(record->Events().size(), 2u);
  EXPECT_EQ(record->Mnemonic(record->Events()[1]), "+");
  EXPECT_EQ(record->Annotators(), std::vector<std::string>{"atr"});
  EXPECT_EQ(record->Warnings(),
            std::vector<std::string>{"r.atr cannot be read to its end: a text runs past the end at byte 4; "
                                     "the 2 annotations before are kept"});
}

}  // namespace
