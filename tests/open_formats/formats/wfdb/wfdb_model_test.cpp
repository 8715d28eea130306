// A WFDB record in the component's model: frame clock, segments, channels, event kinds and
// groups, and samples filled for any range (invalid where the files hold none).
#include "formats/wfdb/wfdb_model.h"

#include <gtest/gtest.h>

#include <string>

#include "edf_test_files.h"
#include "formats/recording_formats.h"
#include "opened_recording.h"
#include "wfdb_writer.h"

namespace {

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

  std::vector<std::int16_t> first(80), second(40);
  const std::vector<model::ChannelRead> reads{{0, 0, 80, reinterpret_cast<std::byte*>(first.data())},
                                              {1, 0, 40, reinterpret_cast<std::byte*>(second.data())}};
  ASSERT_TRUE(recording.samples->Fill(0, reads));
  EXPECT_EQ(first, signals[0].samples);
  EXPECT_EQ(std::vector<std::int16_t>(second.begin(), second.begin() + 38), signals[1].samples);
  EXPECT_EQ(second[38], -32768);  // the skew's last frames
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
    const auto opened = edf_component::OpenedRecording::Open(folder.path() / "r.hea");
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

}  // namespace
