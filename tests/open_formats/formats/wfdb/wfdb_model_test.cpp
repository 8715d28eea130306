// A WFDB record in the component's model: frame clock, segments, channels, event kinds and
// groups, each channel's samples (fewer than the frames give after a skew) filled for any range.
#include "formats/wfdb/wfdb_format.h"

#include <gtest/gtest.h>

#include <string>

#include "com/opened_recording.h"
#include "edf_test_files.h"
#include "formats/format_registry.h"
#include "model/sample_grid.h"
#include "wfdb_writer.h"

namespace {

TEST(WfdbModelTest, CalibratesAWideSignalItServesAsItsSixteenBitNeighbours) {
  edf_test::TemporaryDirectory folder;
  folder.Write("r.hea", "r 3 100 3\nr.d0 24 100(5)/uV 16 0 0 0 0 A\nr.d1 32 200 16 0 0 0 0 B\n"
                        "r.d2 16 0 16 0 0 0 0 C\n");
  folder.Write("r.d0", wfdb_test::EncodeStream(24, std::vector<std::int32_t>{1, 2, 3}));
  folder.Write("r.d1", wfdb_test::EncodeStream(32, std::vector<std::int32_t>{1, 1 << 20, 3}));
  folder.Write("r.d2", wfdb_test::EncodeStream(16, std::vector<std::int32_t>{1, 2, 3}));
  auto opened = formats::OpenRecordingFile(folder.path() / "r.hea");
  ASSERT_TRUE(opened.Ok()) << opened.Reason();
  const model::Layout& layout = opened.Value().LayoutOf(0);
  ASSERT_EQ(layout.channels.size(), 2u);  // B is beyond 16 bits
  const model::Calibration& a = layout.channels[0].details.calibration;
  EXPECT_TRUE(a.known);
  EXPECT_DOUBLE_EQ(a.gain, 0.01);
  EXPECT_DOUBLE_EQ(a.offset, -0.05);
  EXPECT_EQ(a.unit, "uV");
  EXPECT_EQ(a.invalidValue, std::int16_t{-32768});
  EXPECT_EQ(layout.channels[1].details.calibration.unit, "adu");
  EXPECT_EQ(layout.channels[1].details.signalIndex, 2);
  EXPECT_EQ(opened.Value().warnings.size(), 1u);
}

TEST(WfdbModelTest, GivesSegmentsChannelsEventsAndSamples) {
  edf_test::TemporaryDirectory folder;
  const std::vector<wfdb_test::WrittenSignal> signals{
      {212, 2, 0, 0, wfdb_test::DistinctSamples(0, 2 * 40, 12)},
      {212, 1, 2, 0, wfdb_test::DistinctSamples(1, 38, 12)}};
  folder.Write("r.hea", "# a comment first\nr 2 62.5 40 01:00:00\nr.dat 212x2 200/mV 12 0 0 0 0 ECG\n"
                        "r.dat 212:2 0 12 0 0 0 0\n");
  folder.Write("r.dat", wfdb_test::SignalFile(signals, 40));
  folder.Write("r.atr", wfdb_test::AnnotationFile(std::vector<wfdb_test::WrittenAnnotation>{
                            {10, 28, 0, 0, 0, "(N"}, {20, 1, 0, 0, 0, ""}, {30, 1, 0, 0, 0, ""}}));
  auto opened = formats::OpenRecordingFile(folder.path() / "r.hea");  // found by its content
  ASSERT_TRUE(opened.Ok()) << opened.Reason();
  model::Recording& recording = opened.Value();
  ASSERT_EQ(recording.segments.size(), 1u);
  const auto& segment = recording.segments[0];
  EXPECT_EQ(segment.startTicks, 3600 * model::kTicksPerSecond);
  EXPECT_EQ(segment.frameCount, 40);
  EXPECT_EQ(segment.durationTicks, 40 * model::kTicksPerSecond * 2 / 125);
  const model::Layout& layout = recording.LayoutOf(0);
  EXPECT_EQ(layout.frameTicks.numerator, 160000);  // 16 ms
  EXPECT_EQ(layout.frameTicks.denominator, 1);
  ASSERT_EQ(layout.channels.size(), 2u);
  EXPECT_EQ(layout.channels[0].name, u"ECG");
  EXPECT_EQ(layout.channels[0].samplesPerFrame, 2);
  EXPECT_EQ(layout.channels[1].name, u"record r, signal 1");
  EXPECT_EQ(layout.channels[1].details.physicalDimension, "adu");  // gain 0: uncalibrated

  ASSERT_EQ(recording.events.size(), 3u);
  ASSERT_EQ(recording.eventKinds.size(), 2u);
  EXPECT_EQ(recording.eventKinds[0].text1, u"+");
  EXPECT_EQ(recording.eventKinds[0].text2, u"atr");
  EXPECT_EQ(recording.events[0].label, u"(N");
  EXPECT_EQ(recording.events[1].label, u"Normal beat");
  EXPECT_EQ(recording.events[1].kind, recording.events[2].kind);
  EXPECT_EQ(recording.events[2].timeTicks, 3600 * model::kTicksPerSecond + 30 * 160000);

  // Skew 2: the channel's last two frames hold none of its samples, so it has 38.
  EXPECT_EQ(model::GridOf(recording, 0, 1).sampleCount, 38);
  std::vector<std::int16_t> first(80), second(38);
  const std::vector<model::ChannelRead> reads{{0, 0, 80, reinterpret_cast<std::byte*>(first.data())},
                                              {1, 0, 38, reinterpret_cast<std::byte*>(second.data())}};
  ASSERT_TRUE(recording.samples->Fill(0, reads));
  EXPECT_EQ(first, signals[0].samples);
  EXPECT_EQ(second, signals[1].samples);
}

// Each segment's channels hold what the record's last WFDB segment in it leaves them: a skew
// there ends the channel early; one in an earlier WFDB segment keeps the later samples' times.
TEST(WfdbModelTest, ASkewInTheLastPartEndsTheChannelEarly) {
  struct Case {
    const char* name;
    std::vector<std::pair<std::string, std::string>> headers;  // name, text
    std::vector<std::vector<std::int64_t>> counts;             // per segment, per channel
  };
  for (const Case& c : std::vector<Case>{
           {"single", {{"r", "r 2 100 20\nr.dat 16x2:3 100 16 0 0 0 0 X\nr.dat 16 100 16 0 0 0 0 Y\n"}},
            {{34, 20}}},
           {"fixed",
            {{"r", "r/2 1 100 30\nf_1 20\nf_2 10\n"},
             {"f_1", "f_1 1 100 20\nf_1.dat 16:2 100 16 0 0 0 0 X\n"},
             {"f_2", "f_2 1 100 10\nf_2.dat 16:3 100 16 0 0 0 0 X\n"}},
            {{27}}},
           {"variable",
            {{"r", "r/3 2 100 30\nv_layout 0\nv_a 20\nv_b 10\n"},
             {"v_layout", "v_layout 2 100 0\n~ 0 100 16 0 0 0 0 X\n~ 0 100 16 0 0 0 0 Y\n"},
             {"v_a", "v_a 1 100 20\nv_a.dat 16:1 100 16 0 0 0 0 X\n"},
             {"v_b", "v_b 2 100 10\nv_b.dat 16 100 16 0 0 0 0 Y\nv_b.dat 16:2 100 16 0 0 0 0 X\n"}},
            {{19}, {10, 8}}}}) {
    edf_test::TemporaryDirectory folder;
    for (const auto& [name, text] : c.headers) {
      folder.Write(name + ".hea", text);
      // Format 16: every frame of these headers (20 at most, of 3 samples at most), or more.
      folder.Write(name + ".dat", std::string(2 * 3 * 20, '\1'));
    }
    auto opened = formats::OpenRecordingFile(folder.path() / "r.hea");
    ASSERT_TRUE(opened.Ok()) << c.name << ": " << opened.Reason();
    const model::Recording& recording = opened.Value();
    std::vector<std::vector<std::int64_t>> counts(recording.segments.size());
    for (std::size_t s = 0; s < counts.size(); ++s) {
      for (std::size_t ch = 0; ch < recording.LayoutOf(s).channels.size(); ++ch) {
        counts[s].push_back(model::GridOf(recording, s, ch).sampleCount);
      }
    }
    EXPECT_EQ(counts, c.counts) << c.name;
  }
}

// The component refuses, as for every format, samples closer than the day numbers at the
// record's dates place (2 us apart today, 128 us in the year 9000) and times before day 0.
TEST(WfdbModelTest, TheComponentKeepsEveryFormatsLimits) {
  struct Case {
    const char* recordLine;
    const char* reason;
  };
  for (const Case& c : {Case{"r 1 1000000 40", "lie closer than 2 us apart"},
                        Case{"r 1 250 40 23:00:00 29/12/1899", "1899-12-29 23:00:00 lies outside"},
                        Case{"r 1 10000 40 00:00:00 01/02/9000", "lie closer than 128 us apart"}}) {
    edf_test::TemporaryDirectory folder;
    folder.Write("r.hea", std::string(c.recordLine) + "\nr.dat 16 200 16 0 0 0 0 ECG\n");
    folder.Write("r.dat", std::string(80, '\0'));
    const auto opened = open_formats::OpenedRecording::Open(folder.path() / "r.hea");
    ASSERT_FALSE(opened.Ok()) << c.recordLine;
    EXPECT_NE(opened.Reason().find(c.reason), std::string::npos) << opened.Reason();
  }
}

// A signal file shorter than its header says opens with the whole frames it holds, and says
// so; a header without a length takes the file's frames and has nothing to say.
TEST(WfdbModelTest, ShortSignalFilesAreSaid) {
  struct Case {
    const char* recordLine;
    std::int64_t frames;
    std::vector<std::string> warnings;
  };
  for (const Case& c :
       {Case{"r 1 250 40", 30, {"the signal files hold 30 whole frames of the 40 the header gives; "
                                "the rest read as invalid samples or are left out"}},
        Case{"r 1 250 30", 30, {}}, Case{"r 1 250", 30, {}}}) {
    edf_test::TemporaryDirectory folder;
    folder.Write("r.hea", std::string(c.recordLine) + "\nr.dat 16 200 16 0 0 0 0 ECG\n");
    folder.Write("r.dat", std::string(2 * 30 + 1, '\0'));  // and half a frame
    auto opened = formats::OpenRecordingFile(folder.path() / "r.hea");
    ASSERT_TRUE(opened.Ok()) << opened.Reason();
    EXPECT_EQ(opened.Value().segments.at(0).frameCount, c.frames) << c.recordLine;
    EXPECT_EQ(opened.Value().warnings, c.warnings) << c.recordLine;
  }
}

// Format 16 bytes of the values.
std::string Int16File(std::initializer_list<std::int16_t> values) {
  std::string bytes;
  for (const std::int16_t v : values) recording_writers::AppendLittleEndian16(bytes, static_cast<std::uint16_t>(v));
  return bytes;
}

// Every segment's start and every channel's samples, as the headers declare them: a null
// signal is a channel of invalid samples, a null segment a gap between two segments.
TEST(WfdbModelTest, SegmentsAndChannelsAreTheOnesDeclared) {
  constexpr std::int16_t kInvalid = -32768;
  struct Expected {
    std::int64_t startTicks;
    std::vector<std::vector<std::int16_t>> samples;  // per channel
  };
  struct Case {
    const char* name;
    std::vector<std::pair<std::string, std::string>> files;
    std::vector<Expected> segments;
  };
  for (const Case& c : std::vector<Case>{
           {"NullSignal",
            {{"r.hea", "r 3 100 4\nr.dat 16 100 16 0 0 0 0 X\n~ 0 100 16 0 0 0 0 N\n"
                       "s.dat 16 100 16 0 0 0 0 Y\n"},
             {"r.dat", Int16File({1, 2, 3, 4})},
             {"s.dat", Int16File({5, 6, 7, 8})}},
            {{0, {{1, 2, 3, 4}, {kInvalid, kInvalid, kInvalid, kInvalid}, {5, 6, 7, 8}}}}},
           {"NullSegmentBetween",
            {{"r.hea", "r/3 1 100 8\nsa 3\n~ 2\nsb 3\n"},
             {"sa.hea", "sa 1 100 3\nsa.dat 16 100 16 0 0 0 0 X\n"},
             {"sb.hea", "sb 1 100 3\nsb.dat 16 100 16 0 0 0 0 X\n"},
             {"sa.dat", Int16File({1, 2, 3})},
             {"sb.dat", Int16File({4, 5, 6})}},
            {{0, {{1, 2, 3}}}, {5 * 100'000, {{4, 5, 6}}}}}}) {
    edf_test::TemporaryDirectory folder;
    for (const auto& [name, bytes] : c.files) folder.Write(name, bytes);
    auto opened = formats::OpenRecordingFile(folder.path() / "r.hea");
    ASSERT_TRUE(opened.Ok()) << c.name << ": " << opened.Reason();
    model::Recording& recording = opened.Value();
    ASSERT_EQ(recording.segments.size(), c.segments.size()) << c.name;
    for (std::size_t s = 0; s < c.segments.size(); ++s) {
      EXPECT_EQ(recording.segments[s].startTicks, c.segments[s].startTicks) << c.name << " " << s;
      const auto& expected = c.segments[s].samples;
      ASSERT_EQ(recording.LayoutOf(s).channels.size(), expected.size()) << c.name << " " << s;
      std::vector<std::vector<std::int16_t>> samples;
      std::vector<model::ChannelRead> reads;
      for (std::size_t ch = 0; ch < expected.size(); ++ch) {
        samples.emplace_back(static_cast<std::size_t>(model::GridOf(recording, s, ch).sampleCount));
      }
      for (std::size_t ch = 0; ch < expected.size(); ++ch) {
        reads.push_back({ch, 0, static_cast<std::int64_t>(samples[ch].size()),
                         reinterpret_cast<std::byte*>(samples[ch].data())});
      }
      ASSERT_TRUE(recording.samples->Fill(s, reads)) << c.name;
      EXPECT_EQ(samples, expected) << c.name << " " << s;
    }
  }
}

}  // namespace
