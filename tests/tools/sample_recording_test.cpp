// The sample recording as the EDF parser reads it: what the README's main job shows depends
// on it having three segments, mixed rates and the annotations it promises.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <optional>

#include "edf_test_files.h"
#include "formats/edf/edf_format.h"
#include "formats/edf/numeric_fields.h"
#include "formats/edf/recording.h"
#include "model/day_number_precision.h"
#include "model/window_rule.h"
#include "sample_recording.h"
#include "written_file.h"

namespace {

using sample_writer::SampleRecordingBytes;

class SampleRecordingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path = (std::filesystem::temp_directory_path() /
            ("tapline-sample-" + std::to_string(::getpid()) + ".edf")).string();
    recording_writers::WriteFile(path, SampleRecordingBytes());
    auto opened = edf::Recording::Open(path);
    ASSERT_TRUE(opened.Ok()) << opened.Reason();
    recording = std::move(opened.Value());
    auto served = edf::Open(path);
    ASSERT_TRUE(served.Ok()) << served.Reason();
    model = std::move(served.Value());
  }
  // Where a host's window from `start` (ticks from the header's start second) falls.
  std::optional<model::WindowStart> Locate(std::int64_t start, std::int64_t duration) const {
    const std::int64_t ticks = model->originTicks + start;
    return model::LocateWindowStart(*model, model::DayNumberOfTicks(ticks - ticks % kSecondTicks),
                                    static_cast<double>(ticks % kSecondTicks) / kSecondTicks,
                                    static_cast<double>(duration) / kSecondTicks);
  }
  void TearDown() override { std::filesystem::remove(path); }

  static constexpr std::int64_t kSecondTicks = edf::kTicksPerSecond;
  std::string path;
  std::unique_ptr<edf::Recording> recording;
  std::optional<model::Recording> model;
};

constexpr std::int64_t kTicks = edf::kTicksPerSecond;

TEST_F(SampleRecordingTest, HasThreeSegmentsWithGaps) {
  const auto& segments = recording->Segments();
  ASSERT_EQ(segments.size(), 3u);
  const std::int64_t starts[] = {0, 90, 180};
  const std::int64_t durations[] = {60, 45, 75};
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(segments[i].startTicks, starts[i] * kTicks) << i;
    EXPECT_EQ(segments[i].durationTicks, durations[i] * kTicks) << i;
  }
}

TEST_F(SampleRecordingTest, HasEightChannelsAtMixedRates) {
  const double rates[] = {256, 256, 256, 256, 256, 128, 128, 1};
  const char* labels[] = {"EEG Fp1", "EEG C3", "EEG O1", "EEG O2", "ECG", "Resp", "Pleth", "SpO2"};
  ASSERT_EQ(recording->ChannelSignals().size(), 8u);
  for (std::size_t i = 0; i < 8; ++i) {
    EXPECT_EQ(recording->SamplingRate(i), rates[i]) << i;
    EXPECT_EQ(recording->ChannelHeader(i).label, labels[i]) << i;
  }
}

TEST_F(SampleRecordingTest, HasEveryAnnotationWithItsDuration) {
  const auto& events = recording->Events();
  ASSERT_EQ(events.size(), 21u);
  EXPECT_EQ(events[0].text, "Lights off");
  EXPECT_EQ(events[0].onsetTicks, 2 * kTicks);
  EXPECT_EQ(events[0].durationTicks, 1 * kTicks);
  EXPECT_EQ(events[4].text, "Hyperventilation");
  EXPECT_EQ(events[4].onsetTicks, 33 * kTicks + kTicks / 4);
  EXPECT_EQ(events[4].durationTicks, 2 * kTicks + kTicks / 2);
  EXPECT_EQ(events[6].text, "\xC3\x89lectrode O1 d\xC3\xA9plac\xC3\xA9\x65");
  // One TAL, two texts: two events at the same time.
  EXPECT_EQ(events[7].text, "Arousal");
  EXPECT_EQ(events[8].text, "Snoring");
  EXPECT_EQ(events[7].onsetTicks, events[8].onsetTicks);
  EXPECT_EQ(events[8].durationTicks, 6 * kTicks);
  for (const edf::Event& event : events) EXPECT_GT(event.durationTicks, 0) << event.text;
}

// Every annotation lies inside a segment, so a host can read the samples around it.
TEST_F(SampleRecordingTest, AnnotationsFallInSegments) {
  for (const edf::Event& event : recording->Events()) {
    EXPECT_TRUE(Locate(event.onsetTicks, 0).has_value()) << event.text;
  }
}

TEST_F(SampleRecordingTest, SignalsMoveAndStayInRange) {
  const auto window = model::WindowIn(*model, 0, 0, 60 * kTicks);
  ASSERT_TRUE(window.has_value());
  const auto read = edf_test::ReadWindow(*model, *window);
  ASSERT_TRUE(read.has_value());
  const auto& samples = *read;
  for (std::size_t i = 0; i < samples.size(); ++i) {
    const auto [low, high] = std::minmax_element(samples[i].begin(), samples[i].end());
    EXPECT_LT(*low, *high) << "channel " << i << " is flat";
    EXPECT_GT(*low, -32768) << "channel " << i << " clips";
    EXPECT_LT(*high, 32767) << "channel " << i << " clips";
  }
  // SpO2 (0-100 % over 0-10000) reads in the nineties.
  for (std::int16_t value : samples[7]) EXPECT_NEAR(value, 9700, 150);
}

// GetSampleCount asks for one channel's range; it must be that channel's part of the window.
TEST_F(SampleRecordingTest, ChannelWindowAgreesWithWholeWindow) {
  const std::int64_t quarter = kTicks / 4;
  for (std::int64_t start = -quarter; start < 260 * kTicks; start += 7 * quarter + 13) {
    for (std::int64_t duration : {std::int64_t{0}, quarter + 1, 3 * kTicks, 100 * kTicks}) {
      const auto located = Locate(start, duration);
      const auto window =
          located ? model::WindowIn(*model, located->segment, located->from, located->length)
                  : std::nullopt;
      for (std::size_t channel = 0; channel < 9; ++channel) {
        const auto range = located ? model::ChannelWindowIn(*model, channel, located->segment,
                                                            located->from, located->length)
                                   : std::nullopt;
        if (!window || channel >= window->channels.size()) {
          EXPECT_FALSE(range.has_value()) << start << " " << duration << " " << channel;
          continue;
        }
        ASSERT_TRUE(range.has_value()) << start << " " << duration << " " << channel;
        EXPECT_EQ(range->first, window->channels[channel].first);
        EXPECT_EQ(range->count, window->channels[channel].count);
      }
    }
  }
}

TEST_F(SampleRecordingTest, IsTheSameOnEveryCall) {
  EXPECT_EQ(SampleRecordingBytes(), SampleRecordingBytes());
}

}  // namespace
