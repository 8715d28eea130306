// Writes seed inputs for the BrainVision, WFDB and GDF fuzz targets with the tests' own
// writers: a query plan, then the recording's files as input_files.h splits them (GDF: the one
// file's bytes). Seeds are merged into fuzz/corpus/<target> with libFuzzer's -merge=1, which
// keeps those that add coverage.
//   fuzz_seed_writer OUT_FOLDER     (writes OUT_FOLDER/brainvision/*, wfdb/* and gdf/*)
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "brainvision_test_files.h"
#include "component_queries.h"
#include "gdf_writer.h"
#include "input_files.h"
#include "wfdb_writer.h"
#if TAPLINE_HAVE_FLAC
#include "wfdb_flac_writer.h"
#endif
#include "written_file.h"

namespace {

using Files = std::vector<std::pair<std::string, std::string>>;  // name, bytes

// The whole first segment, a second from 0.5 s into it, and windows placed from the seed.
std::string Plan() {
  tapline_fuzz::QueryPlan plan{};
  plan.offsetMs = 500;
  plan.durationMs = 1000;
  plan.rawDuration = 1.0;
  plan.windowSeed = 0x2345;
  std::string bytes(tapline_fuzz::kPlanBytes, '\0');
  std::size_t at = 0;
  const auto put = [&](const auto& value) {
    std::memcpy(bytes.data() + at, &value, sizeof value);
    at += sizeof value;
  };
  put(plan.segment), put(plan.offsetMs), put(plan.durationMs), put(plan.rawDays);
  put(plan.rawSeconds), put(plan.rawDuration), put(plan.blockShortfall), put(plan.cutAt);
  put(plan.windowSeed);
  return bytes;
}

std::string Input(const Files& files) {
  std::string input = Plan();
  for (std::size_t i = 0; i < files.size(); ++i) {
    if (i > 0) input += tapline_fuzz::kFileSeparator;
    input += files[i].first + "\n" + files[i].second;
  }
  return input;
}

std::vector<std::string> BrainVisionSeeds() {
  using brainvision_test::BrainVisionWriter;
  std::vector<BrainVisionWriter> writers(5);
  writers[0].markers = {"Mk1=New Segment,,1,1,0,20240514093000000000", "Mk2=Stimulus,S  1,3,1,0",
                        "; a comment", "Mk4=Response,R  2,5,2,1"};
  writers[1].commonInfos[4] = "DataOrientation=VECTORIZED";
  writers[1].binaryInfos = {"BinaryFormat=UINT_16", "UseBigEndianOrder=YES"};
  writers[1].data = std::string(40, '\x80');
  writers[2].frames = 12;
  writers[2].markers = {
      "Mk1=Stimulus,S  1,2,1,0",       "Mk2=New Segment,,4,1,0,20200102030405123456",
      "Mk5=Response,R  1,5,2,1",       "Mk6=New Segment,,8,1,0",
      "Mk7=Comment,a=b\\1c\x01,9,0,0", "Mk9=New Segment,,11,1,0,00000000000000000000"};
  writers[3].identification.clear();
  writers[3].commonInfos = {"DataFile=$b.eeg", "NumberOfChannels=2", "SamplingInterval=1953.125"};
  writers[3].channels = {"Ch1=F\xE9,,,", "Ch2=\xB5V,,0.5,uV"};
  writers[3].markerCodepage = "Codepage=ANSI";
  writers[3].markers = {"Mk1=Stimulus,S\xE9,2,0,0"};
  writers[4].identification = "Brain Vision Data Exchange Header File Version 2.0";
  writers[4].writeMarkers = false;
  std::vector<std::string> seeds;
  for (const BrainVisionWriter& writer : writers) seeds.push_back(Input(writer.Files()));
  return seeds;
}

std::string Annotations() {
  return wfdb_test::AnnotationFile(
      std::vector<wfdb_test::WrittenAnnotation>{{0, 22, 0, 0, 0, "## time resolution: 500"},
                                                {2, 28, 0, 0, 0, "(AFIB"},
                                                {4, 1, 0, 0, 0, ""},
                                                {9, 5, 1, 1, 2, ""},
                                                {3000, 1, 0, 0, 0, ""}});
}

std::string OneFormat(int format) {
  const int bits = format == 8 || format == 80     ? 8
                   : format == 212                 ? 12
                   : format >= 310 && format < 400 ? 10
                                                   : 16;
  std::vector<wfdb_test::WrittenSignal> signals{
      {format, 1, 0, 0,
       format == 8 ? wfdb_test::WalkSamples(0, 20, 0) : wfdb_test::DistinctSamples(0, 20, bits)},
      {format, 2, 1, 0,
       format == 8 ? wfdb_test::WalkSamples(1, 38, 0) : wfdb_test::DistinctSamples(1, 38, bits)}};
  signals[0].samples[5] = -32768;
  if (format == 8) signals[0].samples[5] = 0;
  const std::string f = std::to_string(format);
  const std::string header =
      "# a comment first\nrec 2 250 20 10:20:30 14/05/2024\n"
      "rec.dat " +
      f +
      " 200(5)/mV 16 0 0 0 0 ECG I\n"
      "rec.dat " +
      f + "x2:1 0 16 0 0 0 0\n";
  return Input({{"rec.hea", header},
                {"rec.dat", wfdb_test::SignalFile(signals, 20)},
                {"rec.atr", Annotations()}});
}

std::vector<std::string> WfdbSeeds() {
  std::vector<std::string> seeds;
  for (const int format : {8, 16, 61, 80, 160, 212, 310, 311}) seeds.push_back(OneFormat(format));
  // Two groups, a byte offset; then fixed and variable multi-segment records.
  const std::vector<wfdb_test::WrittenSignal> a{
      {16, 1, 0, 0, wfdb_test::DistinctSamples(0, 30, 16)}};
  const std::vector<wfdb_test::WrittenSignal> b{
      {212, 1, 0, 0, wfdb_test::DistinctSamples(1, 30, 12)},
      {212, 1, 0, 0, wfdb_test::DistinctSamples(2, 30, 12)}};
  seeds.push_back(Input({{"rec.hea",
                          "rec 3 62.4725 30\nrec_a.dat 16+4 100 16 0 0 0 0 A\n"
                          "rec_b.dat 212 100 12 0 0 0 0 B\nrec_b.dat 212 100 12 0 0 0 0 C\n"},
                         {"rec_a.dat", wfdb_test::SignalFile(a, 30, 4)},
                         {"rec_b.dat", wfdb_test::SignalFile(b, 30)},
                         {"rec.qrs", Annotations()}}));
  const std::string segment1 = "s1 1 250 10\ns1.dat 16 200 16 0 0 0 0 ECG\n";
  const std::string segment2 = "s2 1 250 10\ns2.dat 16 200 16 0 0 0 0 ECG\n";
  const std::vector<wfdb_test::WrittenSignal> one{
      {16, 1, 0, 0, wfdb_test::DistinctSamples(0, 10, 16)}};
  const std::string data = wfdb_test::SignalFile(one, 10);
  seeds.push_back(Input({{"rec.hea", "rec/2 1 250 20 08:00:00 01/01/2050\ns1 10\ns2 10\n"},
                         {"s1.hea", segment1},
                         {"s1.dat", data},
                         {"s2.hea", segment2},
                         {"s2.dat", data},
                         {"rec.atr", Annotations()}}));
  seeds.push_back(Input({{"rec.hea", "rec/4 2 250 25 23:59:59\nrec_layout 0\ns1 10\n~ 5\ns2 10\n"},
                         {"rec_layout.hea",
                          "rec_layout 2 250 0\n~ 0 200/mV 16 0 0 0 0 ECG\n"
                          "~ 0 100/mV 16 0 0 0 0 PPG\n"},
                         {"s1.hea", segment1},
                         {"s1.dat", data},
                         {"s2.hea", "s2 1 250 10\ns2.dat 16 400 16 0 0 0 0 ECG\n"},
                         {"s2.dat", data}}));
  // Wide formats, one signal beyond 16 bits; a rate of many digits; a segment whose file is
  // absent; an annotation file that starts with a table of type definitions and ends early.
  seeds.push_back(Input({{"rec.hea", "rec 3 0.0166666666667 4\nrec.d0 24 1 16 0 0 0 0 A\n"
                                     "rec.d1 32 1 16 0 0 0 0 B\nrec.d1 32 1 16 0 0 0 0 C\n"},
                         {"rec.d0", wfdb_test::EncodeStream(24, std::vector<std::int32_t>{1, -8388608, 3, 4})},
                         {"rec.d1", wfdb_test::EncodeStream(32, std::vector<std::int32_t>{1, 70000, 2, -3, 3, 4, 5, 6})}}));
  std::string table = wfdb_test::AnnotationFile(std::vector<wfdb_test::WrittenAnnotation>{
      {0, 22, 0, 0, 0, "## annotation type definitions"}, {0, 22, 0, 0, 0, "15 c calibration pulse"},
      {0, 22, 0, 0, 0, "## end of definitions"}, {5, 15, 0, 0, 0, ""}, {7, 28, 0, 0, 0, "(AFIB"}});
  table.resize(table.size() - 5);
  seeds.push_back(Input({{"rec.hea", "rec/3 1 250 30\ns1 10\ngone 10\ns2 10\n"},
                         {"s1.hea", segment1},
                         {"s1.dat", data},
                         {"s2.hea", segment2},
                         {"s2.dat", data},
                         {"rec.atr", table}}));
#if TAPLINE_HAVE_FLAC
  // FLAC files: every FLAC format, several channels with samples per frame and skew.
  for (const int format : {508, 516, 524}) {
    const unsigned bits = format == 508 ? 8 : format == 516 ? 16 : 24;
    std::vector<std::vector<std::int32_t>> channels(3);
    for (std::int32_t k = 0; k < 60; ++k) {
      channels[0].push_back(k * 3 - 90);
      channels[1].push_back(k % 7 == 0 ? -(1 << (bits - 1)) : -k);
      channels[2].push_back(format == 524 && k == 30 ? 70000 : k * k % 101);
    }
    const std::string f = std::to_string(format);
    seeds.push_back(Input({{"rec.hea", "rec 3 250 30\nrec.flac " + f + "x2 200 16 0 0 0 0 I\nrec.flac " + f +
                                           "x2:1 200 16 0 0 0 0 II\nrec.flac " + f + "x2 200 16 0 0 0 0 III\n"},
                           {"rec.flac", wfdb_test::FlacStream(channels, {bits, 16, format != 516})},
                           {"rec.atr", Annotations()}}));
  }
#endif
  return seeds;
}

std::vector<std::string> GdfSeeds() {
  using gdf_writer::File;
  std::vector<File> files(6);
  files[0].channels = {{"Fz", 3, 4, "uV", 4275, -100, 100, -32768, 32767, gdf_writer::DistinctValues(0, 12)},
                       {"Pz", 16, 2, "uV", 4275, -100, 100, -100, 100, {1.0, -2.0, 3.0, 4.0, 5.0, 6.0}}};
  files[0].events = {{2, 0x0301}, {5, 0x7FFE}, {9, 0x0001}};
  files[0].eventDescriptions = {"", "mine"};
  files[1].version = "1.25";
  files[1].channels[0].type = 5;
  files[1].channels[0].values = {1, 70000, 3};
  files[1].events = {{1, 0x0300}};
  files[2].eventMode = 3;
  files[2].events = {{3, 0x0301, 1, 4}, {7, 0x8301, 0, 0}};
  files[3].eventMode = 7;
  files[3].startTime = gdf_writer::StartTime(2024, 5, 14, 9, 30, 0);
  files[3].events = {{1, 0x7FFE, 0, 0, files[3].startTime}, {5, 0x7FFE, 0, 0, files[3].startTime + (std::uint64_t{1} << 32) / 8640}};
  files[4].version = "2.10";
  files[4].durationNumerator = 1;
  files[4].durationDenominator = 2;
  files[4].channels[0].type = 279;
  files[4].channels.push_back({"U8", 2, 1, "", 512, 0, 255, 0, 255, {1, 2, 3}});
  files[5].declaredRecords = -1;
  files[5].eventMode = 0;
  files[5].channels[0].type = 17;
  std::vector<std::string> seeds;
  for (const File& file : files) seeds.push_back(Plan() + gdf_writer::Bytes(file));
  return seeds;
}

bool WriteSeeds(const std::filesystem::path& folder, const std::vector<std::string>& seeds) {
  std::filesystem::create_directories(folder);
  for (std::size_t i = 0; i < seeds.size(); ++i) {
    try {
      recording_writers::WriteFile((folder / ("seed" + std::to_string(i))).string(), seeds[i]);
    } catch (const std::runtime_error&) {
      return false;
    }
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: fuzz_seed_writer OUT_FOLDER\n");
    return 2;
  }
  const std::filesystem::path out = argv[1];
  if (!WriteSeeds(out / "brainvision", BrainVisionSeeds()) ||
      !WriteSeeds(out / "wfdb", WfdbSeeds()) || !WriteSeeds(out / "gdf", GdfSeeds())) {
    std::fprintf(stderr, "fuzz_seed_writer: cannot write into %s\n", argv[1]);
    return 1;
  }
  return 0;
}
