// The GDF header from bytes: versions, the two start date forms, the record duration's two
// forms, the channel fields of both layouts and 2.x's event descriptions.
#include "formats/gdf/gdf_header.h"

#include <gtest/gtest.h>

#include <span>
#include <string>

#include "gdf_writer.h"
#include "model/time_range.h"

namespace {

std::span<const std::byte> AsBytes(const std::string& bytes) {
  return std::as_bytes(std::span(bytes.data(), bytes.size()));
}

common::Result<gdf::Header> Parse(const gdf_writer::File& file) {
  const std::string bytes = gdf_writer::Bytes(file);
  auto fixed = gdf::ParseFixedHeader(AsBytes(bytes));
  if (!fixed.Ok()) return common::Result<gdf::Header>::Refuse(fixed.Reason());
  const auto rest = AsBytes(bytes).subspan(
      gdf::kFixedHeaderBytes,
      static_cast<std::size_t>(fixed.Value().headerBytes) - gdf::kFixedHeaderBytes);
  return gdf::ParseChannelHeaders(fixed.Value(), rest);
}

gdf_writer::File WithVersionField(const std::string& field) {
  gdf_writer::File file;
  file.raw = {{0, field}};
  return file;
}

TEST(GdfHeaderTest, ReadsTheVersionOrSaysWhyNot) {
  struct Case {
    std::string field;
    int version;  // 0: refused with `reason`
    std::string reason;
    std::string written = "2.51";  // the layout the writer uses (the record duration's form)
  };
  for (const Case& c : std::vector<Case>{
           {"GDF 2.51", 251, ""},
           {"GDF 2.20", 220, "", "2.20"},
           {"GDF 1.25", 125, "", "1.25"},
           {"GDF2.1  ", 210, "", "2.10"},
           {"GDF 3.00", 0, "GDF version \"3.00\" is not read: versions 1.x and 2.x are"},
           {"GDF 0.90", 0, "GDF version \"0.90\" is not read: versions 1.x and 2.x are"},
           {"GDF x.51", 0, "the version field \"GDF x.51\" is not GDF's"},
           {"GDF 2,51", 0, "the version field \"GDF 2,51\" is not GDF's"}}) {
    SCOPED_TRACE(c.field);
    gdf_writer::File file;
    file.version = c.written;
    file.raw = {{0, c.field}};
    const auto header = Parse(file);
    if (c.version == 0) {
      ASSERT_FALSE(header.Ok());
      EXPECT_EQ(header.Reason(), c.reason);
    } else {
      ASSERT_TRUE(header.Ok()) << header.Reason();
      EXPECT_EQ(header.Value().fixed.version, c.version);
    }
  }
}

TEST(GdfHeaderTest, ReadsANewer2xVersionAs251WithAWarning) {
  const auto header = Parse(WithVersionField("GDF 2.60"));
  ASSERT_TRUE(header.Ok()) << header.Reason();
  EXPECT_EQ(
      header.Value().warnings,
      std::vector<std::string>{
          "GDF version 2.60 is newer than 2.51, the latest this reader knows; it is read as 2.51"});
}

TEST(GdfHeaderTest, ReadsBothStartDateForms) {
  const auto ticksOf = [](int y, int mo, int d, int h, int mi, int s, int us) {
    return *model::TicksOfDate(y, mo, d, h, mi, s, us);
  };
  struct Case {
    const char* name;
    gdf_writer::File file;
    std::int64_t ticks;
  };
  gdf_writer::File text, undatedText, fixedPoint, halfDay, undated;
  text.version = "1.25";
  text.startText = "2024051409300025";
  undatedText.version = "1.25";
  undatedText.startText = "";
  // BioSig rounds its clock down to a 2^-32 day step; the round time comes back.
  fixedPoint.startTime = gdf_writer::StartTime(2024, 5, 14, 9, 30, 0);
  halfDay.startTime = (std::uint64_t{739386} << 32) | (std::uint64_t{1} << 31);
  // Two steps past BioSig's 10:00:00 is the step from 10:00:00.0000268 to .0000469: the whole
  // microsecond with the fewest digits within it is 10:00:00.00003.
  gdf_writer::File oneStep;
  oneStep.startTime = gdf_writer::StartTime(2024, 5, 14, 10, 0, 0) + 2;
  for (const Case& c :
       std::vector<Case>{{"1.x text", text, ticksOf(2024, 5, 14, 9, 30, 0, 250000)},
                         {"1.x blank", undatedText, 0},
                         {"2.x BioSig's 09:30", fixedPoint, ticksOf(2024, 5, 14, 9, 30, 0, 0)},
                         {"2.x noon", halfDay, ticksOf(2024, 5, 14, 12, 0, 0, 0)},
                         {"2.x two steps", oneStep, ticksOf(2024, 5, 14, 10, 0, 0, 30)},
                         {"2.x none", undated, 0}}) {
    SCOPED_TRACE(c.name);
    const auto header = Parse(c.file);
    ASSERT_TRUE(header.Ok()) << header.Reason();
    EXPECT_EQ(header.Value().fixed.startTicks, c.ticks);
  }
}

TEST(GdfHeaderTest, ReadsTheRecordDurationOfEachVersion) {
  struct Case {
    const char* name;
    std::string version;
    std::uint32_t numerator, denominator;
    double seconds;
    std::int64_t expectedNumerator, expectedDenominator;
  };
  for (const Case& c : std::vector<Case>{{"1.x rational", "1.25", 3, 2, 0, 3, 2},
                                         {"2.20 rational", "2.20", 1, 512, 0, 1, 512},
                                         {"2.21 real", "2.21", 0, 0, 0.1, 1, 10},
                                         {"2.51 real", "2.51", 0, 0, 1.0 / 512, 1, 512},
                                         {"2.51 whole", "2.51", 0, 0, 2.0, 2, 1}}) {
    SCOPED_TRACE(c.name);
    gdf_writer::File file;
    file.version = c.version;
    file.durationNumerator = c.numerator;
    file.durationDenominator = c.denominator;
    file.durationSeconds = c.seconds;
    const auto header = Parse(file);
    ASSERT_TRUE(header.Ok()) << header.Reason();
    EXPECT_EQ(header.Value().fixed.durationNumerator, c.expectedNumerator);
    EXPECT_EQ(header.Value().fixed.durationDenominator, c.expectedDenominator);
  }
}

TEST(GdfHeaderTest, ReadsTheChannelFieldsOfBothLayouts) {
  for (const std::string version : {"1.25", "2.51"}) {
    SCOPED_TRACE(version);
    gdf_writer::File file;
    file.version = version;
    file.channels = {{"Fz", 3, 4, "mV", 4274, -1.5, 2.5, -100, 200, {}},
                     {"Resp", 16, 2, "Ohm", 4288, 0, 1, -7, 9, {}}};
    const auto header = Parse(file);
    ASSERT_TRUE(header.Ok()) << header.Reason();
    const auto& channels = header.Value().channels;
    ASSERT_EQ(channels.size(), 2u);
    EXPECT_EQ(channels[1].label, "Resp");
    EXPECT_EQ(channels[1].physicalDimension, "Ohm");
    EXPECT_EQ(channels[1].dimensionCode, version[0] == '2' ? 4288 : 0);
    EXPECT_EQ(channels[0].physicalMinimum, -1.5);
    EXPECT_EQ(channels[0].physicalMaximum, 2.5);
    EXPECT_EQ(channels[1].digitalMinimum, -7);
    EXPECT_EQ(channels[1].digitalMaximum, 9);
    EXPECT_EQ(channels[1].samplesPerRecord, 2);
    EXPECT_EQ(channels[1].type.code, 16u);
    EXPECT_EQ(channels[1].offsetInRecord, 8);  // after Fz's 4 int16
    EXPECT_EQ(header.Value().recordBytes, 16);
  }
}

TEST(GdfHeaderTest, ReadsTheFilesEventDescriptionsCountedFromCodeZero) {
  gdf_writer::File file;
  file.eventDescriptions = {"", "Lights off", "\xc3\x89lectrode"};
  const auto header = Parse(file);
  ASSERT_TRUE(header.Ok()) << header.Reason();
  EXPECT_EQ(header.Value().eventDescriptions, file.eventDescriptions);
}

TEST(GdfHeaderTest, WarnsOfATaggedFieldThatRunsPastTheHeader) {
  gdf_writer::File file;
  file.eventDescriptions = {"", "x"};  // a 768-byte header, then tag 1 said to be 65535 bytes
  file.raw = {{256 * 2, std::string("\x01\xff\xff\x00", 4)}};
  const auto header = Parse(file);
  ASSERT_TRUE(header.Ok()) << header.Reason();
  EXPECT_TRUE(header.Value().eventDescriptions.empty());
  EXPECT_EQ(header.Value().warnings,
            std::vector<std::string>{"the tagged header field 1 runs past the header's end; "
                                     "it and the fields after it are not read"});
}

}  // namespace
