// MIT-format annotation files: every pseudo-code, metadata notes, modification labels, tables of
// type definitions, and files that stop before their end (kept up to there, or refused).
#include "formats/wfdb/mit_annotations.h"

#include <gtest/gtest.h>

#include "wfdb_writer.h"

namespace {

using wfdb::DecodeMitAnnotations;
using wfdb_test::WrittenAnnotation;

wfdb::AnnotationFile Decoded(const std::string& bytes) {
  auto file = DecodeMitAnnotations(std::as_bytes(std::span(bytes)));
  EXPECT_TRUE(file.Ok()) << file.Reason();
  return file.Ok() ? file.Value() : wfdb::AnnotationFile{};
}

std::string Words(std::initializer_list<int> bytes) {
  std::string out;
  for (int b : bytes) out.push_back(static_cast<char>(b));
  return out;
}

void ExpectAnnotation(const wfdb::Annotation& a, const WrittenAnnotation& w) {
  EXPECT_EQ(a.ticks, w.ticks);
  EXPECT_EQ(a.code, w.code) << "at " << w.ticks;
  EXPECT_EQ(a.subtype, w.subtype) << "at " << w.ticks;
  EXPECT_EQ(a.channel, w.channel) << "at " << w.ticks;
  EXPECT_EQ(a.number, w.number) << "at " << w.ticks;
  EXPECT_EQ(a.aux, w.aux) << "at " << w.ticks;
}

TEST(MitAnnotationsTest, ReadsTheTextAfterItsAnnotation) {
  // Rhythm change "(N" at tick 18, then a normal beat 59 ticks later, as a real file starts.
  const auto file = Decoded(Words({0x12, 0x70, 0x03, 0xFC, '(', 'N', 0, 0, 0x3B, 0x04, 0, 0}));
  ASSERT_EQ(file.annotations.size(), 2u);
  ExpectAnnotation(file.annotations[0], {18, 28, 0, 0, 0, "(N"});
  ExpectAnnotation(file.annotations[1], {77, 1, 0, 0, 0, ""});
}

TEST(MitAnnotationsTest, DecodesEveryPseudoCode) {
  const std::vector<WrittenAnnotation> written{
      {18, 28, 0, 0, 0, "(AFIB"},
      {1041, 1, 0, 0, 0, ""},          // increment 1023: the largest without a skip
      {2065, 5, 3, 1, 2, ""},          // skip; subtype, channel, num
      {2066, 1, 0, 1, 2, ""},          // channel and num carry over, the subtype does not
      {70'002'066, 14, 0, 4, 2, "ab"},  // a skip beyond 16 bits
      {70'002'100, 22, 0, 4, 1000, "odd"},
  };
  const auto file = Decoded(wfdb_test::AnnotationFile(written));
  ASSERT_EQ(file.annotations.size(), written.size());
  for (std::size_t i = 0; i < written.size(); ++i) ExpectAnnotation(file.annotations[i], written[i]);
  EXPECT_FALSE(file.ticksPerSecond);
}

TEST(MitAnnotationsTest, FollowsASkipBackwards) {
  const std::vector<WrittenAnnotation> written{{3000, 1, 0, 0, 0, ""}, {1500, 5, 0, 0, 0, ""}};
  const auto file = Decoded(wfdb_test::AnnotationFile(written));
  ASSERT_EQ(file.annotations.size(), 2u);
  EXPECT_EQ(file.annotations[1].ticks, 1500);
}

TEST(MitAnnotationsTest, ReadsLatin1TextsAsText) {
  const std::vector<WrittenAnnotation> written{{5, 22, 0, 0, 0, "\xB5V"}, {6, 22, 0, 0, 0, "\xC2\xB5V"}};
  const auto file = Decoded(wfdb_test::AnnotationFile(written));
  EXPECT_EQ(file.annotations[0].aux, "\xC2\xB5V");
  EXPECT_EQ(file.annotations[1].aux, "\xC2\xB5V");
}

TEST(MitAnnotationsTest, TakesMetadataNotesOutOfTheEvents) {
  const std::vector<WrittenAnnotation> written{
      {0, 22, 0, 0, 0, "## time resolution: 1000"},
      {0, 22, 0, 0, 0, "## 42 Z Zone change"},
      {0, 22, 0, 0, 0, "## 1 n   lower-case normal"},
      {0, 22, 0, 0, 0, "not metadata"},
      {0, 42, 0, 0, 0, ""},
      {7, 22, 0, 0, 0, "## late, so a comment"},
  };
  const auto file = Decoded(wfdb_test::AnnotationFile(written));
  ASSERT_EQ(file.annotations.size(), 3u);
  EXPECT_EQ(file.annotations[0].aux, "not metadata");
  EXPECT_EQ(file.annotations[2].aux, "## late, so a comment");
  EXPECT_EQ(file.ticksPerSecond, (wfdb::ExactRate{1000, 1}));
  EXPECT_EQ(file.LabelOf(42).mnemonic, "Z");
  EXPECT_EQ(file.LabelOf(42).description, "Zone change");
  EXPECT_EQ(file.LabelOf(1).mnemonic, "n");
  EXPECT_EQ(file.LabelOf(1).description, "lower-case normal");
  EXPECT_EQ(file.LabelOf(5).description, "Premature ventricular contraction");
  EXPECT_EQ(file.LabelOf(45).mnemonic, "[45]");
}

TEST(MitAnnotationsTest, ReadsATimeResolutionWrittenWithAnExponentOrAFraction) {
  for (const auto& [text, rate] : std::vector<std::pair<std::string, wfdb::ExactRate>>{
           {"## time resolution: 1e+06", {1000000, 1}}, {"## time resolution: 62.5", {125, 2}}}) {
    const std::vector<WrittenAnnotation> written{{0, 22, 0, 0, 0, text}};
    EXPECT_EQ(Decoded(wfdb_test::AnnotationFile(written)).ticksPerSecond, rate) << text;
  }
}

TEST(MitAnnotationsTest, AllowsZeroBytesAfterTheEndWord) {
  EXPECT_EQ(Decoded(Words({0x05, 0x04, 0, 0, 0, 0})).annotations.size(), 1u);
}

TEST(MitAnnotationsTest, ReadsATableOfTypeDefinitionsAndANullAnnotationAfterIt) {
  // As writers put a table: definition notes at time 0 between two markers, then a null
  // annotation (a skip back one tick and a code-0 word one tick on) before the beats.
  std::string bytes = wfdb_test::AnnotationFile(std::vector<WrittenAnnotation>{
      {0, 22, 0, 0, 0, "## annotation type definitions"},
      {0, 22, 0, 0, 0, "15 c calibration pulse"},
      {0, 22, 0, 0, 0, "43 XY two-letter code"},
      {0, 22, 0, 0, 0, "## end of definitions"}});
  bytes.resize(bytes.size() - 2);  // the end word
  bytes += Words({0x00, 0xEC, 0xFF, 0xFF, 0xFF, 0xFF, 0x01, 0x00});
  bytes += Words({0x10, 0x3C, 0x20, 0xAC, 0x05, 0x04, 0, 0});  // code 15 at 16, 43 at 48, N at 53
  const auto file = Decoded(bytes);
  ASSERT_EQ(file.annotations.size(), 3u);
  ExpectAnnotation(file.annotations[0], {16, 15, 0, 0, 0, ""});
  ExpectAnnotation(file.annotations[1], {48, 43, 0, 0, 0, ""});
  EXPECT_EQ(file.LabelOf(15).mnemonic, "c");
  EXPECT_EQ(file.LabelOf(15).description, "calibration pulse");
  EXPECT_EQ(file.LabelOf(43).mnemonic, "XY");
  EXPECT_EQ(file.LabelOf(1).mnemonic, "N");
  EXPECT_TRUE(file.stopped.empty());
}

TEST(MitAnnotationsTest, MovesTheTimeByACodeZeroWordWithoutAnAnnotation) {
  const auto file = Decoded(Words({0x05, 0x04, 0x05, 0x00, 0x01, 0x04, 0, 0}));
  ASSERT_EQ(file.annotations.size(), 2u);
  EXPECT_EQ(file.annotations[1].ticks, 11);
}

struct StopCase {
  std::string bytes;
  std::size_t kept;  // annotations before the stop; 0: the file is refused
  std::string reason;
};

class MitStopTest : public ::testing::TestWithParam<StopCase> {};

TEST_P(MitStopTest, KeepsTheAnnotationsBeforeItStopsAndSaysWhere) {
  const StopCase& c = GetParam();
  const auto file = DecodeMitAnnotations(std::as_bytes(std::span(c.bytes)));
  if (c.kept == 0) {
    ASSERT_FALSE(file.Ok());
    EXPECT_EQ(file.Reason(), c.reason);
    return;
  }
  ASSERT_TRUE(file.Ok()) << file.Reason();
  EXPECT_EQ(file.Value().annotations.size(), c.kept);
  EXPECT_EQ(file.Value().stopped, c.reason);
}

INSTANTIATE_TEST_SUITE_P(
    Files, MitStopTest,
    ::testing::Values(
        StopCase{Words({0x05, 0x04, 0}), 1, "the annotation file ends inside a word at byte 2"},
        StopCase{Words({0x00, 0xEC, 0x00, 0x00}), 0, "a skip runs past the end at byte 0"},
        StopCase{Words({0x05, 0x04, 0x00, 0xEC, 0x00}), 1, "a skip runs past the end at byte 2"},
        StopCase{Words({0x00, 0xEC, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x04, 0, 0}), 0,
                 "an annotation before the record's start at byte 6"},
        StopCase{Words({0x05, 0x04, 0x05, 0xFC, 'a', 'b', 0, 0}), 1, "a text runs past the end at byte 2"},
        StopCase{Words({0x05, 0xF8, 0x05, 0x04, 0, 0}), 0, "a field word before any annotation at byte 0"},
        StopCase{Words({0x05, 0x04}), 1, "the annotation file has no end word"},
        StopCase{Words({}), 0, "the annotation file has no end word"},
        StopCase{Words({0x05, 0x04, 0, 0, 0, 1}), 1, "bytes follow the end word at byte 5"}));

}  // namespace
