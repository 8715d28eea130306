// The BrainVision header parser over header bytes: each refusal's exact reason, and what an
// accepted header gives (channels' fields, storage, interval, file names), from one base
// header changed a line at a time.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "formats/brainvision/header.h"

namespace {

using brainvision::ChannelInfo;
using brainvision::Header;
using Lines = std::vector<std::string>;

Lines BaseLines() {
  return {"Brain Vision Data Exchange Header File Version 1.0",
          "[Common Infos]",
          "Codepage=UTF-8",
          "DataFile=rec.eeg",
          "MarkerFile=rec.vmrk",
          "DataFormat=BINARY",
          "DataOrientation=MULTIPLEXED",
          "NumberOfChannels=2",
          "SamplingInterval=1000",
          "[Binary Infos]",
          "BinaryFormat=INT_16",
          "UseBigEndianOrder=NO",
          "[Channel Infos]",
          "Ch1=Fp1,,0.1,\xC2\xB5V",
          "Ch2=Fp2,,0.1,\xC2\xB5V"};
}

// The line that starts with `key` becomes `line` (goes when `line` is empty).
void Replace(Lines& lines, const std::string& key, const std::string& line) {
  for (auto it = lines.begin(); it != lines.end(); ++it) {
    if (it->rfind(key, 0) != 0) continue;
    if (line.empty()) {
      lines.erase(it);
    } else {
      *it = line;
    }
    return;
  }
  ADD_FAILURE() << "no line starts with " << key;
}

std::string Bytes(const Lines& lines) {
  std::string bytes;
  for (const std::string& line : lines) bytes += line + "\r\n";
  return bytes;
}

// Each (key, line): the line that starts with `key` becomes `line` (goes when it is empty).
using Changes = std::vector<std::pair<std::string, std::string>>;

std::string ChangedBytes(const Changes& changes) {
  Lines lines = BaseLines();
  for (const auto& [key, line] : changes) Replace(lines, key, line);
  return Bytes(lines);
}

struct RefusedHeader {
  const char* name;
  Changes changes;
  const char* reason;  // the whole reason
};

void PrintTo(const RefusedHeader& c, std::ostream* out) { *out << c.name; }

class HeaderRefusalTest : public ::testing::TestWithParam<RefusedHeader> {};

TEST_P(HeaderRefusalTest, RefusesWithTheExactReason) {
  const auto parsed = brainvision::ParseHeader(ChangedBytes(GetParam().changes));
  ASSERT_FALSE(parsed.Ok());
  EXPECT_EQ(parsed.Reason(), GetParam().reason);
}

constexpr const char* kNotAHeader =
    "not a BrainVision header: no identification line, and no [Common Infos] with DataFile=";
constexpr const char* kBadInterval =
    "SamplingInterval is missing or not a positive decimal number of microseconds";
constexpr const char* kBadCount = "NumberOfChannels is missing or not a number from 1 to 65535";

INSTANTIATE_TEST_SUITE_P(
    Rules, HeaderRefusalTest,
    ::testing::Values(
        RefusedHeader{"NoIdentificationNorDataFile",
                      {{"Brain Vision", "; a comment"}, {"DataFile=", ""}},
                      kNotAHeader},
        RefusedHeader{
            "MarkerIdentification",
            {{"Brain Vision", "Brain Vision Data Exchange Marker File"}, {"DataFile=", ""}},
            kNotAHeader},
        RefusedHeader{"Orientation",
                      {{"DataOrientation", "DataOrientation=ROWS"}},
                      "the data orientation ROWS is neither MULTIPLEXED nor VECTORIZED"},
        RefusedHeader{"EightBit",
                      {{"BinaryFormat", "BinaryFormat=INT_8"}},
                      "the binary format INT_8 is not INT_16 or UINT_16"},
        RefusedHeader{
            "DataFormatBeforeType",
            {{"DataFormat", "DataFormat=ASCII"}, {"DataOrientation", "DataType=FREQUENCYDOMAIN"}},
            "the data are ASCII, not BINARY: only binary data are read"},
        RefusedHeader{
            "IntervalTwoPoints", {{"SamplingInterval", "SamplingInterval=1.2.3"}}, kBadInterval},
        RefusedHeader{
            "IntervalZeroDecimal", {{"SamplingInterval", "SamplingInterval=0.000"}}, kBadInterval},
        RefusedHeader{"IntervalTooManyDigits",
                      {{"SamplingInterval", "SamplingInterval=0.0000000000000001"}},
                      kBadInterval},
        RefusedHeader{"NoChannelCount", {{"NumberOfChannels", ""}}, kBadCount},
        RefusedHeader{"ZeroChannels", {{"NumberOfChannels", "NumberOfChannels=0"}}, kBadCount},
        RefusedHeader{
            "TooManyChannels", {{"NumberOfChannels", "NumberOfChannels=65536"}}, kBadCount},
        RefusedHeader{"ChannelPastTheCount",
                      {{"Ch2=", "Ch3=Cz"}},
                      "channel line Ch3 is not one of Ch1 to Ch2 once each"},
        RefusedHeader{"ChannelNotANumber",
                      {{"Ch2=", "Chx=Cz"}},
                      "channel line Chx is not one of Ch1 to Ch2 once each"},
        RefusedHeader{"FewerChannelLines",
                      {{"Ch2=", ""}},
                      "NumberOfChannels is 2 but there are 1 channel lines"},
        RefusedHeader{"ChannelOutsideItsSection",
                      {{"Ch2=", ""}, {"Codepage", "Ch2=Fp2"}},
                      "NumberOfChannels is 2 but there are 1 channel lines"}),
    [](const auto& info) { return std::string(info.param.name); });

Header BaseHeader() {
  Header header;
  header.codepage = brainvision::Codepage::Utf8;
  header.frameTicks = {10000, 1};
  header.channels = {{"Fp1", "", "0.1", "\xC2\xB5V"}, {"Fp2", "", "0.1", "\xC2\xB5V"}};
  header.dataFile = "rec.eeg";
  header.markerFile = "rec.vmrk";
  return header;
}

void ExpectSameHeader(const Header& actual, const Header& expected) {
  EXPECT_EQ(actual.codepage, expected.codepage);
  EXPECT_EQ(actual.vectorized, expected.vectorized);
  EXPECT_EQ(actual.format, expected.format);
  EXPECT_EQ(actual.bigEndian, expected.bigEndian);
  EXPECT_EQ(actual.frameTicks.numerator, expected.frameTicks.numerator);
  EXPECT_EQ(actual.frameTicks.denominator, expected.frameTicks.denominator);
  EXPECT_EQ(actual.channels, expected.channels);
  EXPECT_EQ(actual.dataFile, expected.dataFile);
  EXPECT_EQ(actual.markerFile, expected.markerFile);
}

struct AcceptedHeader {
  const char* name;
  Changes changes;
  void (*expect)(Header&);  // from BaseHeader()
};

void PrintTo(const AcceptedHeader& c, std::ostream* out) { *out << c.name; }

class HeaderFieldsTest : public ::testing::TestWithParam<AcceptedHeader> {};

TEST_P(HeaderFieldsTest, GivesTheHeadersFields) {
  const auto parsed = brainvision::ParseHeader(ChangedBytes(GetParam().changes));
  ASSERT_TRUE(parsed.Ok()) << parsed.Reason();
  Header expected = BaseHeader();
  GetParam().expect(expected);
  ExpectSameHeader(parsed.Value(), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, HeaderFieldsTest,
    ::testing::Values(
        AcceptedHeader{"Base", {}, [](Header&) {}},
        AcceptedHeader{"ByteOrderMarkAndOtherSpelling",
                       {{"Brain Vision",
                         "\xEF\xBB\xBF"
                         "BrainVision Data Exchange Header File Version 2.0"},
                        {"DataFile=", ""}},
                       [](Header& h) { h.dataFile.reset(); }},
        AcceptedHeader{"DataFileWithoutIdentification",
                       {{"Brain Vision", ""}, {"MarkerFile=", ""}},
                       [](Header& h) { h.markerFile.reset(); }},
        AcceptedHeader{"ChannelsPlacedByNumber",
                       {{"Ch1=", "Ch2=Cz,Ref,0.5,mV"}, {"Ch2=F", "Ch 1 =Pz\\1a,Ref"}},
                       [](Header& h) {
                         h.channels = {{"Pz\\1a", "Ref", "", ""}, {"Cz", "Ref", "0.5", "mV"}};
                       }},
        AcceptedHeader{"NameOnly",
                       {{"Ch2=", "Ch2=Fp2"}},
                       [](Header& h) {
                         h.channels[1] = {"Fp2", "", "", ""};
                       }},
        AcceptedHeader{"VectorizedUnsignedBigEndian",
                       {{"DataOrientation", "DataOrientation=VECTORIZED"},
                        {"BinaryFormat", "BinaryFormat=UINT_16"},
                        {"UseBigEndianOrder", "UseBigEndianOrder=YES"}},
                       [](Header& h) {
                         h.vectorized = true;
                         h.format = brainvision::SampleFormat::UInt16;
                         h.bigEndian = true;
                       }},
        AcceptedHeader{"StorageLeftOut",
                       {{"DataFormat", ""}, {"DataOrientation", ""}, {"BinaryFormat", ""}},
                       [](Header&) {}},
        AcceptedHeader{"FractionalInterval",
                       {{"SamplingInterval", "SamplingInterval=1953.125"}},
                       [](Header& h) {
                         h.frameTicks = {78125, 4};
                       }},
        AcceptedHeader{"ThirdOfATick",
                       {{"SamplingInterval", "SamplingInterval=0.0333"}},
                       [](Header& h) {
                         h.frameTicks = {333, 1000};
                       }},
        AcceptedHeader{"AnsiCodepage",
                       {{"Codepage", "Codepage=ANSI"}},
                       [](Header& h) { h.codepage = brainvision::Codepage::Ansi; }},
        AcceptedHeader{
            "CountWithSpaces", {{"NumberOfChannels", "NumberOfChannels= 2 "}}, [](Header&) {}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
