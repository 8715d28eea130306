// tapline-info's physical values on files of each format the writers make: the statistics, the
// JSON's calibration and the CSV's values are checked against each sample's stored value x
// gain + offset, worked out here from what the test wrote into the header; --digital gives the
// stored integers back. Also: event texts longer than GetEvents' 32 bytes arrive whole.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <sstream>

#include "brainvision_writer.h"
#include "edf_writer.h"
#include "info_process.h"
#include "wfdb_writer.h"
#include "written_file.h"

namespace {

namespace fs = std::filesystem;
using info_process::ProcessRun;

constexpr int kMissing = -32768;

struct ExpectedChannel {
  std::string name;
  std::optional<double> gain;  // nullopt: the file gives no physical values
  double offset = 0.0;
  std::string unit;
  std::vector<std::int16_t> stored;  // the segment's samples as the file stores them
  bool hasMissing = false;           // kMissing marks a missing sample

  bool IsMissing(std::int16_t value) const { return hasMissing && value == kMissing; }
  // What tapline-info shows of a stored value: the physical value, or the integer itself.
  double Shown(std::int16_t value) const { return gain ? value * *gain + offset : value; }
};

struct PhysicalCase {
  const char* name;
  std::vector<std::pair<std::string, std::string>> files;  // the first is opened
  double seconds;  // the recording's one segment
  std::vector<ExpectedChannel> channels;
};

void PrintTo(const PhysicalCase& c, std::ostream* out) { *out << c.name; }

PhysicalCase EdfCase() {
  edf_writer::EdfWriter writer;
  const auto a = writer.AddSignal("A", 4);
  writer.signals[a].physicalMinimum = "-100";
  writer.signals[a].physicalMaximum = "100";
  writer.signals[a].digitalMinimum = "-2048";
  writer.signals[a].digitalMaximum = "2047";
  // A physical range written high to low: the gain is negative and the extremes swap.
  const auto inverted = writer.AddSignal("Inv", 2);
  writer.signals[inverted].physicalMinimum = "50";
  writer.signals[inverted].physicalMaximum = "-50";
  writer.signals[inverted].digitalMinimum = "-100";
  writer.signals[inverted].digitalMaximum = "100";
  writer.signals[inverted].physicalDimension = "mV";
  writer.AddRecord({std::vector<std::int16_t>{-2048, 0, 1000, 2047}, std::vector<std::int16_t>{-100, 100}});
  writer.AddRecord({std::vector<std::int16_t>{5, -5, 7, 9}, std::vector<std::int16_t>{3, -3}});
  const double gain = 200.0 / 4095.0;
  return {"edf",
          {{"r.edf", writer.FileBytes()}},
          2.0,
          {{"A", gain, -100.0 + 2048.0 * gain, "uV", {-2048, 0, 1000, 2047, 5, -5, 7, 9}},
           {"Inv", -0.5, 0.0, "mV", {-100, 100, 3, -3}}}};
}

// Resolution 0.5 uV; an empty one (1, in uV); one that is no number, which gives no physical
// values.
PhysicalCase BrainVisionCase() {
  brainvision_writer::TextFile header;
  header.identification = "BrainVision Data Exchange Header File Version 1.0";
  header.sections = {
      {"Common Infos", {"Codepage=UTF-8", "DataFile=r.eeg", "DataOrientation=MULTIPLEXED",
                        "NumberOfChannels=3", "SamplingInterval=250000"}},
      {"Binary Infos", {"BinaryFormat=INT_16"}},
      {"Channel Infos", {"Ch1=Cz,,0.5,uV", "Ch2=Pz,,,", "Ch3=Raw,,abc,uV"}}};
  const std::vector<std::int16_t> frames = {-7, 100, 1, 3, -200, 2, 11, 0, 3, 32767, -32768, 4};
  std::vector<ExpectedChannel> channels = {{"Cz", 0.5, 0.0, "uV", {}},
                                           {"Pz", 1.0, 0.0, "\xC2\xB5V", {}},
                                           {"Raw", std::nullopt, 0.0, "", {}}};
  for (std::size_t i = 0; i < frames.size(); ++i) channels[i % 3].stored.push_back(frames[i]);
  return {"brainvision",
          {{"r.vhdr", brainvision_writer::Text(header)}, {"r.eeg", brainvision_writer::Int16Bytes(frames)}},
          1.0,
          channels};
}

// Gain 200 adu/mV with baseline 5, and gain 0 (uncalibrated: "adu"); -32768 is a missing
// sample in both.
PhysicalCase WfdbCase() {
  const std::vector<std::int16_t> a = {205, -32768, -195, 5, 1000, -32768, 0, 12};
  const std::vector<std::int16_t> b = {1, 2, -32768, 4, 5, 6, 7, -8};
  const std::vector<wfdb_test::WrittenSignal> group = {{16, 1, 0, 0, a}, {16, 1, 0, 0, b}};
  return {"wfdb",
          {{"r.hea", "r 2 4 8\nr.dat 16 200(5)/mV 16 0 0 0 0 A\nr.dat 16 0 16 0 0 0 0 B\n"},
           {"r.dat", wfdb_test::SignalFile(group, 8)}},
          2.0,
          {{"A", 1.0 / 200.0, -5.0 / 200.0, "mV", a, true}, {"B", 1.0, 0.0, "adu", b, true}}};
}

std::vector<PhysicalCase> Cases() { return {EdfCase(), BrainVisionCase(), WfdbCase()}; }

// Prints one line per channel of the report: name|gain|offset|unit|count|missing|min|max|mean,
// "None" for what the JSON gives as null or leaves out.
constexpr const char* kJsonLines =
    "import json, sys\n"
    "report = json.load(sys.stdin)\n"
    "print(report['values'])\n"
    "for channel, stats in zip(report['channels'], report['first_segment_samples']):\n"
    "    print('|'.join(repr(v) if isinstance(v, float) else str(v) for v in (\n"
    "        channel['name'], channel['gain'], channel['offset'], channel['unit'],\n"
    "        stats['count'], stats.get('missing'), stats.get('min'), stats.get('max'),\n"
    "        stats.get('mean'))))\n";

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::string part;
  std::istringstream in(text);
  while (std::getline(in, part, separator)) parts.push_back(part);
  if (!text.empty() && text.back() == separator) parts.emplace_back();
  return parts;
}

::testing::AssertionResult Near(const std::string& shown, double expected) {
  char* end = nullptr;
  const double value = std::strtod(shown.c_str(), &end);
  if (shown.empty() || *end != '\0') {
    return ::testing::AssertionFailure() << "\"" << shown << "\" where " << expected << " was due";
  }
  if (std::fabs(value - expected) <= 1e-9 * std::max(1.0, std::fabs(expected))) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure() << shown << " where " << expected << " was due";
}

// Files written into a folder of the suite's, and tapline-info run on them.
class InfoFilesTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder = new fs::path(fs::temp_directory_path() / ("tapline-physical-" + std::to_string(getpid())));
    fs::create_directories(*folder);
    // The private registry of the test's main (XDG_DATA_HOME) is the one the tool searches.
    ASSERT_EQ(Run(std::string("'") + TAPLINE_REGSVR + "' '" + TAPLINE_EDF_MODULE + "'").exitCode, 0);
    recording_writers::WriteFile((*folder / "json_lines.py").string(), kJsonLines);
  }
  static void TearDownTestSuite() {
    fs::remove_all(*folder);
    delete folder;
  }
  static ProcessRun Run(const std::string& command) { return info_process::Execute(*folder, command); }

  // The files in a folder of that name; the quoted path of the first.
  static std::string Written(const std::string& name,
                             const std::vector<std::pair<std::string, std::string>>& files) {
    const fs::path where = *folder / name;
    fs::create_directories(where);
    for (const auto& [file, bytes] : files) recording_writers::WriteFile((where / file).string(), bytes);
    return "'" + (where / files.front().first).string() + "'";
  }
  static std::string Written(const PhysicalCase& c) { return Written(c.name, c.files); }
  static ProcessRun Info(const std::string& arguments) {
    return Run(std::string("'") + TAPLINE_INFO + "' " + arguments);
  }
  // The JSON report as kJsonLines prints it.
  static ProcessRun JsonLines(const std::string& arguments) {
    return Run(std::string("{ '") + TAPLINE_INFO + "' --json " + arguments + " | python3 '" +
               (*folder / "json_lines.py").string() + "'; }");
  }

  static fs::path* folder;
};

fs::path* InfoFilesTest::folder = nullptr;

class PhysicalValuesTest : public InfoFilesTest, public ::testing::WithParamInterface<PhysicalCase> {};

// Statistics over the samples that are no missing ones, each taken to its physical value here.
TEST_P(PhysicalValuesTest, JsonGivesCalibrationAndPhysicalStatistics) {
  const PhysicalCase& c = GetParam();
  const ProcessRun run = JsonLines(Written(c));
  const std::vector<std::string> lines = Split(run.out, '\n');
  ASSERT_EQ(lines.size(), c.channels.size() + 2) << run.out << run.err;
  EXPECT_EQ(lines[0], "physical");
  for (std::size_t i = 0; i < c.channels.size(); ++i) {
    const ExpectedChannel& channel = c.channels[i];
    const std::vector<std::string> field = Split(lines[i + 1], '|');
    ASSERT_EQ(field.size(), 9u) << lines[i + 1];
    EXPECT_EQ(field[0], channel.name);
    if (channel.gain) {
      EXPECT_TRUE(Near(field[1], *channel.gain)) << channel.name;
      EXPECT_TRUE(Near(field[2], channel.offset)) << channel.name;
      EXPECT_EQ(field[3], channel.unit) << channel.name;
    } else {
      EXPECT_EQ(field[1] + field[2] + field[3], "NoneNoneNone") << channel.name;
    }
    std::vector<double> values;
    for (std::int16_t stored : channel.stored) {
      if (!channel.IsMissing(stored)) values.push_back(channel.Shown(stored));
    }
    EXPECT_EQ(field[4], std::to_string(values.size())) << channel.name;
    EXPECT_EQ(field[5], std::to_string(channel.stored.size() - values.size())) << channel.name;
    double sum = 0.0;
    for (double value : values) sum += value;
    EXPECT_TRUE(Near(field[6], *std::min_element(values.begin(), values.end()))) << channel.name;
    EXPECT_TRUE(Near(field[7], *std::max_element(values.begin(), values.end()))) << channel.name;
    EXPECT_TRUE(Near(field[8], sum / static_cast<double>(values.size()))) << channel.name;
  }
}

// --digital: the stored integers of every sample, a missing one's included.
TEST_P(PhysicalValuesTest, DigitalStatisticsAreTheStoredIntegers) {
  const PhysicalCase& c = GetParam();
  const ProcessRun run = JsonLines("--digital " + Written(c));
  const std::vector<std::string> lines = Split(run.out, '\n');
  ASSERT_EQ(lines.size(), c.channels.size() + 2) << run.out << run.err;
  EXPECT_EQ(lines[0], "digital");
  for (std::size_t i = 0; i < c.channels.size(); ++i) {
    const std::vector<std::int16_t>& stored = c.channels[i].stored;
    const std::vector<std::string> field = Split(lines[i + 1], '|');
    ASSERT_EQ(field.size(), 9u) << lines[i + 1];
    double sum = 0.0;
    for (std::int16_t value : stored) sum += value;
    EXPECT_EQ(field[4], std::to_string(stored.size()));
    EXPECT_EQ(field[5], "None");
    EXPECT_TRUE(Near(field[6], *std::min_element(stored.begin(), stored.end())));
    EXPECT_TRUE(Near(field[7], *std::max_element(stored.begin(), stored.end())));
    EXPECT_TRUE(Near(field[8], sum / static_cast<double>(stored.size())));
  }
}

// The CSV of the whole segment: each stored value x gain + offset with its unit, a missing
// sample's value empty, a channel without calibration its integers with an empty unit; with
// --digital the integers alone.
TEST_P(PhysicalValuesTest, CsvGivesEachSamplesPhysicalValue) {
  const PhysicalCase& c = GetParam();
  const std::string window = " --window 0 " + std::to_string(c.seconds) + " --csv -";
  const ProcessRun physical = Info(Written(c) + window);
  const ProcessRun digital = Info("--digital " + Written(c) + window);
  ASSERT_EQ(physical.exitCode, 0) << physical.err;
  ASSERT_EQ(digital.exitCode, 0) << digital.err;
  const std::vector<std::string> rows = Split(physical.out, '\n');
  const std::vector<std::string> digitalRows = Split(digital.out, '\n');
  std::size_t samples = 0;
  for (const ExpectedChannel& channel : c.channels) samples += channel.stored.size();
  ASSERT_EQ(rows.size(), samples + 2) << physical.out;
  ASSERT_EQ(digitalRows.size(), samples + 2) << digital.out;
  EXPECT_EQ(rows[0], "channel,time_s,value,unit");
  EXPECT_EQ(digitalRows[0], "channel,time_s,value");
  std::size_t row = 1;
  for (const ExpectedChannel& channel : c.channels) {
    for (std::int16_t stored : channel.stored) {
      const std::vector<std::string> field = Split(rows[row], ',');
      const std::vector<std::string> digitalField = Split(digitalRows[row], ',');
      ++row;
      ASSERT_EQ(field.size(), 4u) << rows[row - 1];
      ASSERT_EQ(digitalField.size(), 3u) << digitalRows[row - 1];
      EXPECT_EQ(field[0], channel.name);
      EXPECT_EQ(field[3], channel.gain ? channel.unit : "") << rows[row - 1];
      if (channel.IsMissing(stored)) {
        EXPECT_EQ(field[2], "") << rows[row - 1];
      } else {
        EXPECT_TRUE(Near(field[2], channel.Shown(stored))) << rows[row - 1];
      }
      EXPECT_EQ(digitalField[2], std::to_string(stored)) << digitalRows[row - 1];
    }
  }
}

// The text report: the unit column names each channel's unit, "(digital)" where there is none.
TEST_P(PhysicalValuesTest, ReportNamesEachChannelsUnit) {
  const PhysicalCase& c = GetParam();
  const ProcessRun run = Info(Written(c));
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const std::size_t table = run.out.find("Samples of segment 0:\n");
  ASSERT_NE(table, std::string::npos) << run.out;
  const std::vector<std::string> rows = Split(run.out.substr(table), '\n');
  ASSERT_GE(rows.size(), c.channels.size() + 2) << run.out;
  for (std::size_t i = 0; i < c.channels.size(); ++i) {
    const std::string unit = c.channels[i].gain ? c.channels[i].unit : "(digital)";
    EXPECT_TRUE(rows[i + 2].ends_with("  " + unit)) << rows[i + 2];
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, PhysicalValuesTest, ::testing::ValuesIn(Cases()),
                         [](const auto& info) { return std::string(info.param.name); });

// A file whose event text passes GetEvents' 32 bytes, the cut falling inside a two-byte
// character; the text is checked in the report and the JSON.
struct LongTextCase {
  const char* name;
  std::vector<std::pair<std::string, std::string>> files;
  std::string text;
  std::string typeText2;
};

void PrintTo(const LongTextCase& c, std::ostream* out) { *out << c.name; }

// 31 ASCII bytes, then "é" across bytes 32 and 33, then more.
const std::string kLongText = "Electrode Fp1 came off; replace\xC3\xA9 it before the next trial";

LongTextCase EdfLongText() {
  edf_writer::EdfWriter writer;
  writer.header.reserved = "EDF+C";
  writer.AddSignal("X", 4);
  writer.AddAnnotationSignal(64);
  for (int second = 0; second < 2; ++second) {
    writer.AddRecord({std::vector<std::int16_t>{1, 2, 3, 4},
                      edf_writer::TimeKeepingTal("+" + std::to_string(second)) +
                          (second == 0 ? edf_writer::Tal("+0.5", std::nullopt, {kLongText}) : "")});
  }
  return {"edf", {{"r.edf", writer.FileBytes()}}, kLongText, "EDF Annotations"};
}

LongTextCase BrainVisionLongText() {
  brainvision_writer::TextFile header;
  header.identification = "BrainVision Data Exchange Header File Version 1.0";
  header.sections = {
      {"Common Infos", {"Codepage=UTF-8", "DataFile=r.eeg", "MarkerFile=r.vmrk",
                        "DataOrientation=MULTIPLEXED", "NumberOfChannels=1", "SamplingInterval=1000"}},
      {"Binary Infos", {"BinaryFormat=INT_16"}},
      {"Channel Infos", {"Ch1=Cz,,1,uV"}}};
  brainvision_writer::TextFile markers;
  markers.identification = "BrainVision Data Exchange Marker File, Version 1.0";
  markers.sections = {{"Common Infos", {"Codepage=UTF-8", "DataFile=r.eeg"}},
                      {"Marker Infos", {"Mk1=Comment," + kLongText + ",3,1,0"}}};
  const std::vector<std::int16_t> samples(10, 1);
  return {"brainvision",
          {{"r.vhdr", brainvision_writer::Text(header)},
           {"r.vmrk", brainvision_writer::Text(markers)},
           {"r.eeg", brainvision_writer::Int16Bytes(samples)}},
          kLongText,
          "Comment"};
}

class LongEventTextTest : public InfoFilesTest, public ::testing::WithParamInterface<LongTextCase> {};

TEST_P(LongEventTextTest, EventTextsArriveWhole) {
  const LongTextCase& c = GetParam();
  const std::string path = Written(std::string("text-") + c.name, c.files);
  const ProcessRun report = Info("--header " + path);
  ASSERT_EQ(report.exitCode, 0) << report.err;
  EXPECT_NE(report.out.find("\"" + c.text + "\" (" + c.typeText2 + ")  label \"" + c.text + "\"\n"),
            std::string::npos)
      << report.out;
  const ProcessRun json = Info("--json --header " + path);
  EXPECT_NE(json.out.find("\"type_text1\": \"" + c.text + "\", \"type_text2\": \"" + c.typeText2 +
                          "\", \"label\": \"" + c.text + "\"}"),
            std::string::npos)
      << json.out;
}

INSTANTIATE_TEST_SUITE_P(Formats, LongEventTextTest,
                         ::testing::Values(EdfLongText(), BrainVisionLongText()),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
