// The BrainVision marker parser over marker-file bytes: each refusal's exact reason, and the
// markers an accepted file gives, field by field and in the order written.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "formats/brainvision/markers.h"
#include "model/time_range.h"

namespace {

using brainvision::Marker;

// A marker file of the lines under [Marker Infos], LF-ended.
std::string MarkerBytes(const std::vector<std::string>& markerLines) {
  std::string bytes =
      "Brain Vision Data Exchange Marker File, Version 1.0\n[Common Infos]\nDataFile=rec.eeg\n"
      "[Marker Infos]\n";
  for (const std::string& line : markerLines) bytes += line + "\n";
  return bytes;
}

struct RefusedMarkers {
  const char* name;
  std::vector<std::string> lines;
  std::string reason;  // the whole reason
};

void PrintTo(const RefusedMarkers& c, std::ostream* out) { *out << c.name; }

class MarkerRefusalTest : public ::testing::TestWithParam<RefusedMarkers> {};

TEST_P(MarkerRefusalTest, RefusesWithTheExactReason) {
  const auto parsed = brainvision::ParseMarkers(MarkerBytes(GetParam().lines));
  ASSERT_FALSE(parsed.Ok());
  EXPECT_EQ(parsed.Reason(), GetParam().reason);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, MarkerRefusalTest,
    ::testing::Values(
        RefusedMarkers{"ShortDate",
                       {"Mk1=New Segment,,1,1,0,2020010203040512345"},
                       "marker Mk1's date 2020010203040512345 is not a date YYYYMMDDhhmmssuuuuuu"},
        RefusedMarkers{"DateWithALetter",
                       {"Mk1=New Segment,,1,1,0,2020010203040512345x"},
                       "marker Mk1's date 2020010203040512345x is not a date "
                       "YYYYMMDDhhmmssuuuuuu"},
        RefusedMarkers{"February30",
                       {"Mk1=New Segment,,1,1,0,20230230000000000000"},
                       "marker Mk1's date 20230230000000000000 is not a date "
                       "YYYYMMDDhhmmssuuuuuu"}),
    [](const auto& info) { return std::string(info.param.name); });

struct LeftOutMarkers {
  const char* name;
  std::vector<std::string> lines;
  std::vector<std::string> kept;     // keys, in order
  std::vector<std::string> leftOut;  // keys, in order
};

void PrintTo(const LeftOutMarkers& c, std::ostream* out) { *out << c.name; }

class MarkerLeftOutTest : public ::testing::TestWithParam<LeftOutMarkers> {};

// A line that is no marker costs that marker, not the file.
TEST_P(MarkerLeftOutTest, KeepsTheOthers) {
  const auto parsed = brainvision::ParseMarkers(MarkerBytes(GetParam().lines));
  ASSERT_TRUE(parsed.Ok()) << parsed.Reason();
  std::vector<std::string> kept;
  for (const Marker& marker : parsed.Value().markers) kept.push_back(marker.key);
  EXPECT_EQ(kept, GetParam().kept);
  EXPECT_EQ(parsed.Value().leftOut, GetParam().leftOut);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, MarkerLeftOutTest,
    ::testing::Values(
        LeftOutMarkers{"FourFields", {"Mk1=Stimulus,S  1,2,1"}, {}, {"Mk1"}},
        LeftOutMarkers{"PositionZero", {"Mk1=Stimulus,S  1,0,1,0"}, {}, {"Mk1"}},
        LeftOutMarkers{"NegativePoints", {"Mk1=Stimulus,S  1,2,-1,0"}, {}, {"Mk1"}},
        LeftOutMarkers{"PositionNotANumber", {"Mk1=Stimulus,S  1,2x,1,0"}, {}, {"Mk1"}},
        LeftOutMarkers{"AmongGoodOnes",
                       {"Mk1=Stimulus,S  1,2,1,0", "Mk12=Response,R  1,,1,0",
                        "Mk13=Stimulus,S 1,abc,1,0", "Mk14=Stimulus,S  1,3,1,0"},
                       {"Mk1", "Mk14"},
                       {"Mk12", "Mk13"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MarkerLeftOutTest, TheWarningNamesTheFirstFiveAndCountsTheRest) {
  brainvision::MarkerFile file;
  EXPECT_EQ(brainvision::LeftOutWarning(file), std::nullopt);
  file.leftOut = {"Mk3"};
  EXPECT_EQ(brainvision::LeftOutWarning(file),
            "marker Mk3 is left out: not type,description,position,points,channel with a "
            "position from 1 and points from 0");
  file.leftOut = {"Mk1", "Mk2", "Mk3", "Mk4", "Mk5", "Mk6", "Mk7"};
  EXPECT_EQ(brainvision::LeftOutWarning(file)->substr(0, 52),
            "markers Mk1, Mk2, Mk3, Mk4, Mk5 and 2 more are left ");
}

struct AcceptedMarkers {
  const char* name;
  std::vector<std::string> lines;
  std::vector<Marker> markers;
};

void PrintTo(const AcceptedMarkers& c, std::ostream* out) { *out << c.name; }

class MarkerFieldsTest : public ::testing::TestWithParam<AcceptedMarkers> {};

TEST_P(MarkerFieldsTest, GivesEveryMarkerInOrder) {
  const auto parsed = brainvision::ParseMarkers(MarkerBytes(GetParam().lines));
  ASSERT_TRUE(parsed.Ok()) << parsed.Reason();
  EXPECT_EQ(parsed.Value().markers, GetParam().markers);
}

const std::int64_t kDated = *model::TicksOfDate(2020, 1, 2, 3, 4, 5, 123456);

INSTANTIATE_TEST_SUITE_P(
    Rules, MarkerFieldsTest,
    ::testing::Values(
        AcceptedMarkers{"None", {}, {}},
        AcceptedMarkers{
            "EveryField",
            {"Mk1=New Segment,,1,1,0,20200102030405123456", "Mk2=Response,R  1, 20 ,3,2"},
            {{"Mk1", "New Segment", "", 1, 1, 0, kDated},
             {"Mk2", "Response", "R  1", 20, 3, 2, std::nullopt}}},
        AcceptedMarkers{"OrderAsWrittenNotByNumber",
                        {"Mk9=Stimulus,S  9,9,0,0", "Mk2=Stimulus,S  2,2,0,0"},
                        {{"Mk9", "Stimulus", "S  9", 9, 0, 0, std::nullopt},
                         {"Mk2", "Stimulus", "S  2", 2, 0, 0, std::nullopt}}},
        AcceptedMarkers{"February29In2000",
                        {"Mk1=New Segment,,1,1,0,20000229000000000000"},
                        {{"Mk1", "New Segment", "", 1, 1, 0, *model::TicksOfDate(2000, 2, 29, 0, 0, 0, 0)}}},
        AcceptedMarkers{"ZeroAndEmptyDatesAreNone",
                        {"Mk1=New Segment,,1,1,0,00000000000000000000", "Mk2=New Segment,,5,1,0,"},
                        {{"Mk1", "New Segment", "", 1, 1, 0, std::nullopt},
                         {"Mk2", "New Segment", "", 5, 1, 0, std::nullopt}}},
        AcceptedMarkers{"ChannelNotANumberIsEvery",
                        {"Mk1=Stimulus,S  1,2,0,x", "Mk2=Stimulus,S  1,3,0,-4"},
                        {{"Mk1", "Stimulus", "S  1", 2, 0, 0, std::nullopt},
                         {"Mk2", "Stimulus", "S  1", 3, 0, 0, std::nullopt}}},
        AcceptedMarkers{"PlaceholdersAndEqualsKept",
                        {"Mk1=Comment,a=b\\1c\001d,4,0,0"},
                        {{"Mk1", "Comment", "a=b\\1c\001d", 4, 0, 0, std::nullopt}}},
        AcceptedMarkers{"OtherKeysAndCommentsSkipped",
                        {"; Mk0=Stimulus,,1,0,0", "Mk=Stimulus,,1,0,0", "Xk1=Stimulus,,1,0,0",
                         "Mk3=Stimulus,,7,0,0", "no equals sign"},
                        {{"Mk3", "Stimulus", "", 7, 0, 0, std::nullopt}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MarkerFileTest, CodepageAndLinesOutsideMarkerInfos) {
  const auto parsed = brainvision::ParseMarkers(
      "Brain Vision Data Exchange Marker File, Version 1.0\r\n[Common Infos]\r\nCodepage=ANSI\r\n"
      "Mk1=Stimulus,,1,0,0\r\n");
  ASSERT_TRUE(parsed.Ok()) << parsed.Reason();
  EXPECT_EQ(parsed.Value().codepage, brainvision::Codepage::Ansi);
  EXPECT_TRUE(parsed.Value().markers.empty());
}

}  // namespace
