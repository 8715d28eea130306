// GDF files written by BioSig's save2gdf (Debian's biosig-tools) from EDF+ files the tests
// write, read back: the same segments, channels, samples and annotations as the EDF+ file
// itself. Skipped where save2gdf is not installed.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "common/text_encoding.h"
#include "formats/format_registry.h"
#include "gdf_test_files.h"

namespace {

bool HasSave2Gdf() {
  return std::system("save2gdf -v >/dev/null 2>&1 </dev/null") == 0 ||
         std::system("command -v save2gdf >/dev/null 2>&1") == 0;
}

void ExpectSameRecording(model::Recording& edf, model::Recording& gdf) {
  ASSERT_EQ(gdf.segments.size(), edf.segments.size());
  for (std::size_t s = 0; s < edf.segments.size(); ++s) {
    SCOPED_TRACE(s);
    EXPECT_EQ(gdf.segments[s].startTicks, edf.segments[s].startTicks);
    EXPECT_EQ(gdf.segments[s].durationTicks, edf.segments[s].durationTicks);
    const model::Layout& edfLayout = edf.LayoutOf(s);
    const model::Layout& gdfLayout = gdf.LayoutOf(s);
    ASSERT_EQ(gdfLayout.channels.size(), edfLayout.channels.size());
    for (std::size_t c = 0; c < edfLayout.channels.size(); ++c) {
      EXPECT_EQ(gdfLayout.channels[c].name, edfLayout.channels[c].name);
      EXPECT_EQ(model::SamplingRate(gdfLayout, c), model::SamplingRate(edfLayout, c));
      EXPECT_EQ(gdf_test::ChannelSamples(gdf, s, c), gdf_test::ChannelSamples(edf, s, c));
    }
  }
  // BioSig adds a break (0x7FFE) at every EDF+ data record; the annotations are the rest. It
  // counts EDF+ onsets from the first data record, not from the header's start second as EDF+
  // does (it reads the EDF+C file that starts 0.5 s after its second so too): their distance
  // from the first record is the EDF+ onset.
  std::vector<const model::Event*> annotations;
  for (const model::Event& event : gdf.events) {
    if (gdf.eventKinds[event.kind].text2 != u"0x7FFE") annotations.push_back(&event);
  }
  ASSERT_EQ(annotations.size(), edf.events.size());
  for (std::size_t i = 0; i < annotations.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(annotations[i]->label, edf.events[i].label);
    EXPECT_EQ(annotations[i]->timeTicks - gdf.segments[0].startTicks,
              edf.events[i].timeTicks - edf.originTicks);
    EXPECT_EQ(annotations[i]->durationTicks, edf.events[i].durationTicks);
  }
}

TEST(Save2GdfTest, ReadsWhatBioSigWritesFromEdfPlus) {
  if (!HasSave2Gdf()) GTEST_SKIP() << "save2gdf (Debian's biosig-tools) is not installed";
  struct Case {
    const char* name;
    edf_writer::EdfWriter writer;
  };
  for (Case& c : std::vector<Case>{{"EDF+D", edf_test::EdfPlusDiscontinuousThreeSegments()},
                                   {"EDF+C", edf_test::EdfPlusContinuousSubSecond()},
                                   {"EDF", edf_test::PlainEdf()}}) {
    SCOPED_TRACE(c.name);
    edf_test::TemporaryDirectory folder;
    const std::string edfPath = folder.Write("in.edf", c.writer.FileBytes());
    const std::string gdfPath = (folder.path() / "out.gdf").string();
    ASSERT_EQ(std::system(
                  ("save2gdf -f=GDF '" + edfPath + "' '" + gdfPath + "' >/dev/null 2>&1").c_str()),
              0);
    auto edf = formats::OpenRecordingFile(edfPath);
    auto gdf = formats::OpenRecordingFile(gdfPath);
    ASSERT_TRUE(edf.Ok()) << edf.Reason();
    ASSERT_TRUE(gdf.Ok()) << gdf.Reason();
    ExpectSameRecording(edf.Value(), gdf.Value());
  }
}

}  // namespace
