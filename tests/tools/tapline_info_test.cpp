// tapline-info run as a user runs it, on the sample recording, with the EDF component
// registered in the test's private class registry. What it prints is checked against the
// recording's definition and against the EDF parser, an independent reading of the file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "command_line.h"
#include "day_number.h"
#include "edf_test_files.h"
#include "edf_writer.h"
#include "formats/edf/edf_format.h"
#include "formats/edf/numeric_fields.h"
#include "formats/edf/recording.h"
#include "info_process.h"
#include "sample_recording.h"

namespace {

namespace fs = std::filesystem;

using info_process::ProcessRun;
using info_process::ReadFile;

// 2024-05-14 09:30:00, the sample recording's start.
constexpr double kStartDay = 45426.0 + 34200.0 / 86400.0;

class TaplineInfoTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder = new fs::path(fs::temp_directory_path() / ("tapline-info-" + std::to_string(getpid())));
    fs::create_directories(*folder);
    recording_writers::WriteFile((*folder / "sample.edf").string(), sample_writer::SampleRecordingBytes());
    // The private registry of the test's main (XDG_DATA_HOME) is the one the tool searches.
    ASSERT_EQ(Execute(std::string("'") + TAPLINE_REGSVR + "' '" + TAPLINE_EDF_MODULE + "'").exitCode, 0);
  }
  static void TearDownTestSuite() {
    fs::remove_all(*folder);
    delete folder;
  }

  static ProcessRun Execute(const std::string& command) {
    return info_process::Execute(*folder, command);
  }
  static ProcessRun Info(const std::string& arguments) {
    return Execute(std::string("'") + TAPLINE_INFO + "' " + arguments);
  }
  static std::string Sample() { return "'" + (*folder / "sample.edf").string() + "'"; }

  // The model of the sample and its samples of the window `from` ticks into the segment.
  static std::optional<std::vector<std::vector<std::int16_t>>> Samples(std::size_t segment,
                                                                       std::int64_t from,
                                                                       std::int64_t length,
                                                                       model::Window* window) {
    auto served = edf::Open(*folder / "sample.edf");
    if (!served.Ok()) return std::nullopt;
    const auto located = model::WindowIn(served.Value(), segment, from, length);
    if (!located) return std::nullopt;
    *window = *located;
    return edf_test::ReadWindow(served.Value(), *located);
  }
  static std::unique_ptr<edf::Recording> Parsed() {
    auto opened = edf::Recording::Open((*folder / "sample.edf").string());
    EXPECT_TRUE(opened.Ok()) << opened.Reason();
    return opened.Ok() ? std::move(opened.Value()) : nullptr;
  }

  // The lines from the one that starts with `heading` up to the next line without indent.
  static std::string Section(const std::string& text, const std::string& heading) {
    const std::size_t start = text.find("\n" + heading);
    if (start == std::string::npos) return {};
    std::size_t end = start + 1;
    do {
      end = text.find('\n', end) + 1;
    } while (end != 0 && end < text.size() && text[end] == ' ');
    return text.substr(start + 1, (end == 0 ? text.size() : end) - start - 1);
  }

  static fs::path* folder;
};

fs::path* TaplineInfoTest::folder = nullptr;

TEST_F(TaplineInfoTest, PrintsTheThreeSegments) {
  const ProcessRun run = Info(Sample());
  ASSERT_EQ(run.exitCode, 0) << run.err;
  std::string expected = "Segments: 3\n";
  int index = 0;
  for (const sample_writer::SampleSegment& segment : sample_writer::SampleSegments()) {
    char line[128];
    std::snprintf(line, sizeof line, "  %2d  start %s  duration %.3f s\n", index++,
                  tapline_info::FormatIsoTime(kStartDay + segment.firstSecond / 86400.0).c_str(),
                  static_cast<double>(segment.seconds));
    expected += line;
  }
  EXPECT_EQ(Section(run.out, "Segments:"), expected);
  EXPECT_EQ(run.out.rfind("Recording: ", 0), 0u) << run.out;
}

TEST_F(TaplineInfoTest, PrintsChannelsWithRatesAndCountsPerSegment) {
  const ProcessRun run = Info(Sample());
  EXPECT_EQ(Section(run.out, "Channels:"),
            "Channels: 8 (samples per segment)\n"
            "   0  EEG Fp1                 256 Hz      15360     11520     19200\n"
            "   1  EEG C3                  256 Hz      15360     11520     19200\n"
            "   2  EEG O1                  256 Hz      15360     11520     19200\n"
            "   3  EEG O2                  256 Hz      15360     11520     19200\n"
            "   4  ECG                     256 Hz      15360     11520     19200\n"
            "   5  Resp                    128 Hz       7680      5760      9600\n"
            "   6  Pleth                   128 Hz       7680      5760      9600\n"
            "   7  SpO2                      1 Hz         60        45        75\n");
}

// Each text of each TAL is one event; a text seen before keeps its type's index.
TEST_F(TaplineInfoTest, PrintsEveryAnnotationAsAnEvent) {
  const ProcessRun run = Info(Sample());
  std::string expected;
  std::vector<std::string> types;
  int index = 0;
  for (const sample_writer::SampleAnnotation& annotation : sample_writer::SampleAnnotations()) {
    for (const std::string& text : annotation.texts) {
      const auto known = std::find(types.begin(), types.end(), text);
      const auto type = known - types.begin();
      if (known == types.end()) types.push_back(text);
      char line[256];
      std::snprintf(line, sizeof line,
                    "  %3d  %s  %8.3f s  type %d \"%s\" (EDF Annotations)  label \"%s\"\n", index++,
                    tapline_info::FormatIsoTime(kStartDay + std::stod(annotation.onset) / 86400.0).c_str(),
                    std::stod(annotation.duration), static_cast<int>(type), text.c_str(), text.c_str());
      expected += line;
    }
  }
  EXPECT_EQ(Section(run.out, "Events:"), "Events: 21\n" + expected);
}

// --digital: the stored integers of every sample.
TEST_F(TaplineInfoTest, SummarizesFirstSegmentAsTheParserReadsIt) {
  const ProcessRun run = Info("--digital " + Sample());
  const auto recording = Parsed();
  ASSERT_TRUE(recording);
  model::Window window;
  const auto read = Samples(0, 0, 60 * edf::kTicksPerSecond, &window);
  ASSERT_TRUE(read);
  const auto& samples = *read;
  std::string expected = "Samples of segment 0:\n   #  channel                 count      min      max       mean\n";
  for (std::size_t i = 0; i < samples.size(); ++i) {
    const auto [low, high] = std::minmax_element(samples[i].begin(), samples[i].end());
    double sum = 0;
    for (std::int16_t value : samples[i]) sum += value;
    char line[128];
    std::snprintf(line, sizeof line, "  %2zu  %-16s %12zu %8d %8d %10.3f\n", i,
                  recording->ChannelHeader(i).label.c_str(), samples[i].size(), *low, *high,
                  sum / static_cast<double>(samples[i].size()));
    expected += line;
  }
  EXPECT_EQ(Section(run.out, "Samples of segment 0:"), expected);
}

// By default the statistics are physical: stored x gain + offset from the header's ranges,
// with the header's unit; the sample recording's Resp and Pleth name none, and their lines end
// with the mean.
TEST_F(TaplineInfoTest, SummarizesFirstSegmentInPhysicalValues) {
  const ProcessRun run = Info(Sample());
  const auto recording = Parsed();
  ASSERT_TRUE(recording);
  model::Window window;
  const auto read = Samples(0, 0, 60 * edf::kTicksPerSecond, &window);
  ASSERT_TRUE(read);
  std::string expected =
      "Samples of segment 0:\n   #  channel                 count  missing          min          max"
      "         mean  unit\n";
  for (std::size_t i = 0; i < read->size(); ++i) {
    const edf::SignalHeader& header = recording->ChannelHeader(i);
    const double gain = (header.physicalMaximum - header.physicalMinimum) /
                        (header.digitalMaximum - header.digitalMinimum);
    const double offset = header.physicalMinimum - gain * header.digitalMinimum;
    const auto [low, high] = std::minmax_element((*read)[i].begin(), (*read)[i].end());
    double sum = 0;
    for (std::int16_t value : (*read)[i]) sum += value;
    char line[160];
    const std::string unit = header.physicalDimension.empty() ? "" : "  " + header.physicalDimension;
    std::snprintf(line, sizeof line, "  %2zu  %-16s %12zu %8d %12.6g %12.6g %12.6g%s\n", i,
                  header.label.c_str(), (*read)[i].size(), 0, *low * gain + offset,
                  *high * gain + offset,
                  sum / static_cast<double>((*read)[i].size()) * gain + offset, unit.c_str());
    expected += line;
  }
  EXPECT_EQ(Section(run.out, "Samples of segment 0:"), expected);
}

TEST_F(TaplineInfoTest, WritesWindowSamplesAsTheParserReadsThem) {
  const std::string csv = (*folder / "window.csv").string();
  // 1.5 s into the second segment (which starts 90 s into the recording), 2 s long.
  const ProcessRun run = Info("--digital " + Sample() + " --window 91.5 2 --csv '" + csv + "'");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.out.find("Window of 2 s from 91.5 s: 3074 samples written to "), std::string::npos)
      << run.out;

  const auto recording = Parsed();
  ASSERT_TRUE(recording);
  model::Window window;  // segment 1 starts 90 s into the recording
  const auto read = Samples(1, 15 * edf::kTicksPerSecond / 10, 2 * edf::kTicksPerSecond, &window);
  ASSERT_TRUE(read);
  const auto& samples = *read;
  std::ostringstream expected;
  expected << "channel,time_s,value\n";
  for (std::size_t channel = 0; channel < samples.size(); ++channel) {
    const std::int64_t first = window.channels[channel].first;
    const double rate = recording->SamplingRate(channel);
    for (std::size_t k = 0; k < samples[channel].size(); ++k) {
      char line[96];
      // Times count from the recording's start; the segment starts 90 s into it.
      std::snprintf(line, sizeof line, "%s,%.6f,%d\n", recording->ChannelHeader(channel).label.c_str(),
                    90.0 + static_cast<double>(first + static_cast<std::int64_t>(k)) / rate,
                    samples[channel][k]);
      expected << line;
    }
  }
  EXPECT_EQ(ReadFile(csv), expected.str());
}

struct WindowCase {
  const char* name;
  const char* start;  // seconds, as typed
  const char* duration;
  std::int64_t startTicks;
  std::int64_t durationTicks;
};

void PrintTo(const WindowCase& c, std::ostream* out) { *out << c.name; }

class TaplineInfoWindowTest : public TaplineInfoTest, public ::testing::WithParamInterface<WindowCase> {};

// The CSV holds the samples whose times lie in [start, start + duration), each at its own
// time: worked out here from exact ticks and the parser's whole-segment samples.
TEST_P(TaplineInfoWindowTest, WritesTheSamplesOfTheWindowAtTheirTimes) {
  const WindowCase& c = GetParam();
  const std::string csv = (*folder / "window.csv").string();
  const ProcessRun run =
      Info("--digital " + Sample() + " --window " + c.start + " " + c.duration + " --csv '" + csv + "'");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const auto recording = Parsed();
  ASSERT_TRUE(recording);
  model::Window window;  // the whole of segment 0, which starts at the recording's start
  const auto read = Samples(0, 0, 60 * edf::kTicksPerSecond, &window);
  ASSERT_TRUE(read);
  const auto& samples = *read;
  std::string expected = "channel,time_s,value\n";
  for (std::size_t channel = 0; channel < samples.size(); ++channel) {
    const auto rate = static_cast<std::int64_t>(recording->SamplingRate(channel));  // 256, 128, 1
    const auto firstAtOrAfter = [&](std::int64_t ticks) {
      return (ticks * rate + edf::kTicksPerSecond - 1) / edf::kTicksPerSecond;
    };
    for (std::int64_t k = firstAtOrAfter(c.startTicks); k < firstAtOrAfter(c.startTicks + c.durationTicks); ++k) {
      char line[96];
      std::snprintf(line, sizeof line, "%s,%.6f,%d\n", recording->ChannelHeader(channel).label.c_str(),
                    static_cast<double>(k) / static_cast<double>(rate), samples[channel][static_cast<std::size_t>(k)]);
      expected += line;
    }
  }
  EXPECT_EQ(ReadFile(csv), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Windows, TaplineInfoWindowTest,
    ::testing::Values(WindowCase{"StartOnWholeSecond", "2", "4", 20000000, 40000000},
                      // 3 us after sample 256 of the 256-Hz channels: that sample is not in it.
                      WindowCase{"StartJustAfterASample", "1.000003", "0.5", 10000030, 5000000},
                      WindowCase{"StartOnSample2342", "9.1484375", "1", 91484375, 10000000},
                      WindowCase{"OneSampleOf256Hz", "9.1484375", "0.00390625", 91484375, 39062},
                      WindowCase{"EndsOnSamples", "0.5", "2.0078125", 5000000, 20078125}),
    [](const auto& info) { return std::string(info.param.name); });

// Labels, annotation texts and the file's name reach the terminal and the CSV with their
// control characters escaped: ESC [ 2 J (clear screen) and the C1 CSI U+009B.
TEST_F(TaplineInfoTest, EscapesControlCharactersFromTheFile) {
  const std::string control = "\x1b[2J\xc2\x9b";
  const std::string shown = "\\x1b[2J\\u009b";
  edf_writer::EdfWriter writer;
  writer.header.reserved = "EDF+C";
  writer.AddSignal(control + "X", 4);
  writer.AddAnnotationSignal(16);
  for (int second = 0; second < 2; ++second) {
    writer.AddRecord({std::vector<std::int16_t>{1, 2, 3, 4},
                      edf_writer::TimeKeepingTal("+" + std::to_string(second)) +
                          (second == 0 ? edf_writer::Tal("+0.5", "1", {control + "31m"}) : "")});
  }
  const fs::path file = *folder / ("ctl" + control + ".edf");
  recording_writers::WriteFile(file.string(), writer.FileBytes());
  const std::string csv = (*folder / "control.csv").string();
  const ProcessRun run = Info("--digital '" + file.string() + "' --window 0 1 --csv '" + csv + "'");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  for (const std::string& text : {run.out, run.err, ReadFile(csv)}) {
    EXPECT_EQ(text.find('\x1b'), std::string::npos) << text;
    EXPECT_EQ(text.find("\xc2\x9b"), std::string::npos) << text;
  }
  EXPECT_NE(run.out.find("Recording: " + (*folder / "ctl").string() + shown + ".edf\n"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("   0  " + shown + "X"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("type 0 \"" + shown + "31m\""), std::string::npos) << run.out;
  EXPECT_NE(ReadFile(csv).find("\n" + shown + "X,0.000000,1\n"), std::string::npos) << ReadFile(csv);
}

// Without a terminal the reading of segment 0 shows no progress: standard error stays empty.
TEST_F(TaplineInfoTest, PrintsNothingOnStandardErrorWithoutATerminal) {
  const ProcessRun run = Info(Sample());
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.err, "");
}

TEST_F(TaplineInfoTest, RefusedWindowFailsWithoutWritingCsv) {
  const fs::path csv = *folder / "refused.csv";
  // 58 s into a 60-s segment: a 4-s window does not fit. The tool says so itself; the library,
  // which would report it on the console and wait for a key there, is never asked.
  const ProcessRun run = Info(Sample() + " --window 58 4 --csv '" + csv.string() + "'");
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.out.find("ERROR"), std::string::npos) << run.out;
  EXPECT_EQ(run.err, "tapline-info: window: the window 58 s to 62 s does not fit its segment:"
                     " segment 0 spans 0 s to 60 s; segment 1 starts at 90 s\n");
  EXPECT_FALSE(fs::exists(csv));
}

// A WFDB signal with skew 3 holds 3 samples fewer than the record's 200 frames: the summary
// counts and reads them in windows, and a window that ends with the segment ends with them.
TEST_F(TaplineInfoTest, SkewedWfdbChannelEndsWithItsLastStoredSample) {
  const fs::path where = *folder / "skew";
  fs::create_directories(where);
  recording_writers::WriteFile((where / "r.hea").string(),
                        "r 2 100 200\nr.dat 16 200 16 0 0 0 0 A\nr.dat 16:3 200 16 0 0 0 0 B\n");
  std::string frames;  // A's sample k is k; B's sample i, in frame i + 3, is 1000 + i
  for (int frame = 0; frame < 200; ++frame) {
    frames += {static_cast<char>(frame), 0, static_cast<char>((997 + frame) & 0xff),
               static_cast<char>((997 + frame) >> 8)};
  }
  recording_writers::WriteFile((where / "r.dat").string(), frames);
  const std::string path = "'" + (where / "r.hea").string() + "'";
  const ProcessRun run = Info("--digital " + path);
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(Section(run.out, "Samples of segment 0:"),
            "Samples of segment 0:\n   #  channel                 count      min      max       mean\n"
            "   0  A                         200        0      199     99.500\n"
            "   1  B                         197     1000     1196   1098.000\n");
  const ProcessRun csv = Info("--digital " + path + " --window 1 1 --csv -");
  ASSERT_EQ(csv.exitCode, 0) << csv.err;
  EXPECT_EQ(std::count(csv.out.begin(), csv.out.end(), '\n'), 1 + 100 + 97) << csv.out;
  EXPECT_NE(csv.out.find("\nA,1.990000,199\nB,1.000000,1100\n"), std::string::npos) << csv.out;
  EXPECT_TRUE(csv.out.ends_with("\nB,1.960000,1196\n")) << csv.out;
}

// Files of every format the component reads, written into a folder of their own; the first
// is the one given to the tool.
struct FormatFiles {
  const char* name;
  std::vector<std::pair<std::string, std::string>> files;
  std::string expected;  // the reason, or the warnings line's text
};

void PrintTo(const FormatFiles& c, std::ostream* out) { *out << c.name; }

constexpr const char* kVhdr =
    "BrainVision Data Exchange Header File Version 1.0\r\n[Common Infos]\r\nDataFile=r.eeg\r\n"
    "NumberOfChannels=1\r\nSamplingInterval=1000\r\n[Binary Infos]\r\nBinaryFormat=";

std::string Vhdr(const std::string& binaryFormat) {
  return kVhdr + binaryFormat + "\r\n[Channel Infos]\r\nCh1=Cz,,1,uV\r\n";
}

edf_writer::EdfWriter ThreeRecordsPromisingFive() {
  edf_writer::EdfWriter writer;
  writer.AddSignal("EEG", 2);
  for (int record = 0; record < 3; ++record) writer.AddRecord({std::vector<std::int16_t>{1, 2}});
  writer.header.recordCount = "5";
  return writer;
}

// The files in a folder of the case's name; the path of the first.
std::string WriteFormatFiles(const fs::path& folder, const FormatFiles& c) {
  const fs::path where = folder / c.name;
  fs::create_directories(where);
  for (const auto& [name, bytes] : c.files) recording_writers::WriteFile((where / name).string(), bytes);
  return (where / c.files.front().first).string();
}

class TaplineInfoRefusalTest : public TaplineInfoTest,
                               public ::testing::WithParamInterface<FormatFiles> {};

// The library prints its fixed words; the tool adds the reader component's own reason, the
// same for every format, without reading the file itself.
TEST_P(TaplineInfoRefusalTest, RefusedFileGetsTheComponentsReason) {
  const std::string path = WriteFormatFiles(*folder, GetParam());
  const ProcessRun run = Info("'" + path + "'");
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.out, "Could not Open File");
  EXPECT_EQ(run.err, "\ntapline-info: " + path + ": " + GetParam().expected + "\n");
}

INSTANTIATE_TEST_SUITE_P(
    Formats, TaplineInfoRefusalTest,
    ::testing::Values(
        FormatFiles{"edf", {{"short.edf", "0       X"}},
                    "the file is shorter than the 256-byte EDF header"},
        FormatFiles{"brainvision_32_bit",
                    {{"r.vhdr", Vhdr("IEEE_FLOAT_32")}, {"r.eeg", std::string(8, '\0')}},
                    "the samples are 32-bit (IEEE_FLOAT_32): only 16-bit samples are read, and "
                    "16 bits would change them"},
        FormatFiles{"wfdb_unknown_format",
                    {{"r.hea", "r 1 250 4\nr.dat 17 200 16 0 0 0 0 ECG\n"},
                     {"r.dat", std::string(16, '\0')}},
                    "signal 0 (ECG) is in format 17, which is not a WFDB sample format"}),
    [](const auto& info) { return std::string(info.param.name); });

class TaplineInfoWarningTest : public TaplineInfoTest,
                               public ::testing::WithParamInterface<FormatFiles> {};

// What the component forgave to open a file: a line after the file's in the report, an array
// in the JSON, and standard error when standard output holds the CSV.
TEST_P(TaplineInfoWarningTest, ForgivingOpenPrintsTheWarnings) {
  const std::string path = WriteFormatFiles(*folder, GetParam());
  const ProcessRun run = Info("'" + path + "'");
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out.rfind("Recording: " + path + "\nWarnings: " + GetParam().expected + "\n", 0), 0u)
      << run.out;

  const ProcessRun json = Info("--json --header '" + path + "'");
  EXPECT_NE(json.out.find("\"warnings\": [\"" + GetParam().expected + "\"]"), std::string::npos)
      << json.out;
  const ProcessRun csv = Info("'" + path + "' --window 0 0.001 --csv -");
  EXPECT_EQ(csv.err, "tapline-info: " + path + ": warning: " + GetParam().expected + "\n");
}

INSTANTIATE_TEST_SUITE_P(
    Formats, TaplineInfoWarningTest,
    ::testing::Values(
        FormatFiles{"edf_promising_more", {{"more.edf", ThreeRecordsPromisingFive().FileBytes()}},
                    "the header gives 5 data records but the file holds 3 complete ones; those "
                    "are read"},
        FormatFiles{"brainvision_partial_frame",
                    {{"r.vhdr", Vhdr("INT_16")}, {"r.eeg", std::string(9, '\1')}},
                    "the data file ends in a partial frame (1 of 2 bytes), which is not read"},
        FormatFiles{"wfdb_short_file",
                    {{"r.hea", "r 1 250 8\nr.dat 16 200 16 0 0 0 0 ECG\n"},
                     {"r.dat", std::string(8, '\1')}},
                    "the signal files hold 4 whole frames of the 8 the header gives; the rest "
                    "read as invalid samples or are left out"}),
    [](const auto& info) { return std::string(info.param.name); });

// Without a registered component the library itself says what to register (GetOpenMessage).
TEST_F(TaplineInfoTest, UnregisteredComponentIsExplained) {
  const fs::path empty = *folder / "empty-registry";
  fs::create_directories(empty);
  const ProcessRun run = Execute("XDG_DATA_HOME='" + empty.string() + "' '" + TAPLINE_INFO + "' " + Sample());
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.out.rfind("Creation of StorageMan failed\nMake sure that\n", 0), 0u) << run.out;
  EXPECT_NE(run.err.find(": no reader component could be created: register one under the class"
                         " id {57DDCF4E-D7BF-4446-957D-1F45B9D8CC62}\n"),
            std::string::npos)
      << run.err;
}

TEST_F(TaplineInfoTest, RejectsIncompleteArguments) {
  for (const std::string& arguments :
       {std::string(), Sample() + " --window 1 2", Sample() + " --csv out.csv",
        Sample() + " --window x 2 --csv out.csv", Sample() + " --extra",
        Sample() + " " + Sample() + " --window 1 2 --csv out.csv",
        Sample() + " --json --window 1 2 --csv -"}) {
    const ProcessRun run = Info(arguments);
    EXPECT_EQ(run.exitCode, 2) << arguments;
    EXPECT_EQ(run.err, tapline_info::kUsageText) << arguments;
    EXPECT_EQ(run.out, "") << arguments;
  }
}

// The command line of a command-line tool: help and version on standard output, exit 0.
TEST_F(TaplineInfoTest, AnswersHelpAndVersion) {
  for (const char* arguments : {"--help", "-h", "x.edf --help"}) {
    const ProcessRun run = Info(arguments);
    EXPECT_EQ(run.exitCode, 0) << arguments;
    EXPECT_EQ(run.out.rfind(tapline_info::kUsageText, 0), 0u) << run.out;
    EXPECT_NE(run.out.find("first sample of the first segment"), std::string::npos) << run.out;
  }
  const ProcessRun version = Info("--version");
  EXPECT_EQ(version.exitCode, 0);
  EXPECT_EQ(version.out, "tapline-info " TAPLINE_VERSION "\n");
}

// "--csv -": the CSV alone on standard output, the same rows as in a file.
TEST_F(TaplineInfoTest, WritesTheCsvToStandardOutput) {
  const std::string csv = (*folder / "stdout-window.csv").string();
  ASSERT_EQ(Info(Sample() + " --window 91.5 2 --csv '" + csv + "'").exitCode, 0);
  const ProcessRun run = Info(Sample() + " --window 91.5 2 --csv -");
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, ReadFile(csv));
}

// Several files: a report for each; a refused one makes the exit status 1 but stops nothing.
TEST_F(TaplineInfoTest, ReportsOnSeveralFiles) {
  const fs::path bad = *folder / "several-bad.edf";
  recording_writers::WriteFile(bad.string(), "0       X");
  const ProcessRun run = Info(Sample() + " '" + bad.string() + "' " + Sample());
  EXPECT_EQ(run.exitCode, 1);
  const std::string recording = "Recording: " + (*folder / "sample.edf").string() + "\n";
  EXPECT_NE(run.out.find(recording), run.out.rfind(recording)) << run.out;
  EXPECT_NE(run.out.rfind("Samples of segment 0:"), std::string::npos);
  EXPECT_NE(run.err.find(bad.string() + ": "), std::string::npos) << run.err;
}

// --header names the channels without GetSegmentInf (which reads the samples for its counts).
TEST_F(TaplineInfoTest, HeaderListsChannelNamesWithoutReadingSamples) {
  const ProcessRun run = Info("--header " + Sample());
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(Section(run.out, "Channels:"),
            "Channels: 8\n   0  EEG Fp1\n   1  EEG C3\n   2  EEG O1\n   3  EEG O2\n   4  ECG\n"
            "   5  Resp\n   6  Pleth\n   7  SpO2\n");
  EXPECT_NE(run.out.find("Events: 21\n"), std::string::npos);
  EXPECT_EQ(run.out.find("Samples of segment 0"), std::string::npos) << run.out;
}

// --json is one document a JSON parser reads whole, the library's console words kept out of
// it; seconds count from the first sample.
TEST_F(TaplineInfoTest, JsonReportParses) {
  const fs::path bad = *folder / "json-bad.edf";
  recording_writers::WriteFile(bad.string(), "0       X");
  const std::string check =
      "import json, sys\n"
      "reports = json.load(sys.stdin)\n"
      "good, bad = reports\n"
      "print(len(good['segments']), good['segments'][1]['offset_s'], len(good['channels']),\n"
      "      good['channels'][7]['samples'], good['events'][0]['onset_s'],\n"
      "      good['first_segment_samples'][7]['count'], good['values'],\n"
      "      good['channels'][7]['unit'], good['first_segment_samples'][7]['unit'], 'error' in bad)\n";
  const fs::path script = *folder / "check_json.py";
  recording_writers::WriteFile(script.string(), check);
  const ProcessRun run = Execute(std::string("{ '") + TAPLINE_INFO + "' --json " + Sample() +
                                 " '" + bad.string() + "' | python3 '" + script.string() + "'; }");
  EXPECT_EQ(run.out, "3 90.0 8 [60, 45, 75] 2.0 60 physical % % True\n") << run.err;
}

// An EDF+ recording whose first sample lies 0.3 s after the header's whole second: second 0
// is that sample, and the CSV's times count from it.
TEST_F(TaplineInfoTest, TimeZeroIsTheFirstSample) {
  edf_writer::EdfWriter writer;
  writer.header.reserved = "EDF+C";
  writer.AddSignal("X", 4);
  writer.AddAnnotationSignal(16);
  for (int record = 0; record < 3; ++record) {
    writer.AddRecord({std::vector<std::int16_t>{1, 2, 3, 4},
                      edf_writer::TimeKeepingTal("+" + std::to_string(record) + ".3")});
  }
  const fs::path file = *folder / "subsecond.edf";
  recording_writers::WriteFile(file.string(), writer.FileBytes());
  const ProcessRun run = Info("--digital '" + file.string() + "' --window 0 0.5 --csv -");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, "channel,time_s,value\nX,0.000000,1\nX,0.250000,2\n");
}

// tapline-regsvr answers --help and lists what is registered, in a registry of its own here.
TEST_F(TaplineInfoTest, RegsvrHelpsAndLists) {
  const ProcessRun help = Execute(std::string("'") + TAPLINE_REGSVR + "' --help");
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_EQ(help.out.rfind("usage: tapline-regsvr [-u] MODULE\n", 0), 0u) << help.out;
  const fs::path registry = *folder / "listed-registry";
  const std::string regsvr = "XDG_DATA_HOME='" + registry.string() + "' '" + TAPLINE_REGSVR + "'";
  const std::string header = "Class registry: " + (registry / "tapline" / "classes").string() + "\n";
  EXPECT_EQ(Execute(regsvr + " --list").out, header + "  nothing registered\n");
  ASSERT_EQ(Execute(regsvr + " '" + TAPLINE_EDF_MODULE + "'").exitCode, 0);
  const ProcessRun listed = Execute(regsvr + " --list");
  EXPECT_EQ(listed.exitCode, 0);
  EXPECT_EQ(listed.out, header + "  {57DDCF4E-D7BF-4446-957D-1F45B9D8CC62}  " +
                            fs::canonical(TAPLINE_EDF_MODULE).string() + "\n");
}

}  // namespace
