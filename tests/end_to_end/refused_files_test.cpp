// What the host sees of files the component refuses: the fixed words on the console, result 0
// and the segment count as it was. The EDF parser, asked the same, says why.
#include <gtest/gtest.h>

#include <functional>

#include "edf_test_files.h"
#include "format/recording.h"
#include "host_fixture.h"

namespace end_to_end {
namespace {

using edf_test::RecordSamples;
using edf_writer::EdfWriter;
using edf_writer::TimeKeepingTal;

struct RefusedCase {
  const char* name;
  std::function<std::string()> bytes;
  const char* reason;
};

void PrintTo(const RefusedCase& refused, std::ostream* out) { *out << refused.name; }

std::string PlainWith(const std::function<void(EdfWriter&)>& change) {
  EdfWriter writer = edf_test::PlainEdf();
  change(writer);
  return writer.FileBytes();
}

// EDF+ with one 1-sample signal and a 6-byte annotation signal holding the given bytes, one
// record each.
std::string EdfPlus(const char* variant, const std::vector<std::string>& annotationBytes) {
  EdfWriter writer;
  writer.header.reserved = variant;
  writer.AddSignal("EEG", 1);
  writer.AddAnnotationSignal(3);
  for (std::size_t r = 0; r < annotationBytes.size(); ++r) {
    writer.AddRecord({RecordSamples(0, static_cast<std::int64_t>(r), 1), annotationBytes[r]});
  }
  return writer.FileBytes();
}

const RefusedCase kRefusedCases[] = {
    {"EmptyFile", [] { return std::string(); }, "the file is shorter than the 256-byte EDF header"},
    {"VersionNotZero", [] { return PlainWith([](EdfWriter& w) { w.header.version = "1"; }); },
     "not an EDF file: the version field is \"1\", not \"0\""},
    {"Bdf",
     [] {
       std::string bytes = edf_test::PlainEdf().FileBytes();
       bytes.replace(0, 8,
                     "\xFF"
                     "BIOSEMI");
       return bytes;
     },
     "24-bit BDF files are not supported, only 16-bit EDF"},
    {"HeaderLengthMismatch", [] { return PlainWith([](EdfWriter& w) { w.header.headerBytes = "512"; }); },
     "the header length 512 does not match 2 signals (768 bytes expected)"},
    {"ZeroSignals",
     [] {
       return PlainWith([](EdfWriter& w) {
         w.header.signalCount = "0";
         w.header.headerBytes = "256";
       });
     },
     "the number of signals is 0; at least 1 is needed"},
    {"RecordCountNotNumeric", [] { return PlainWith([](EdfWriter& w) { w.header.recordCount = "3x"; }); },
     "the number of data records \"3x\" is not a number"},
    {"DurationNegative", [] { return PlainWith([](EdfWriter& w) { w.header.recordDuration = "-1"; }); },
     "the data record duration \"-1\" is negative"},
    {"SamplesPerRecordZero",
     [] { return PlainWith([](EdfWriter& w) { w.signals[1].samplesPerRecord = "0"; }); },
     "signal 2 (\"EEG Cz\"): the number of samples per data record is 0; at least 1 is needed"},
    {"DigitalMinimumOutOfRange",
     [] { return PlainWith([](EdfWriter& w) { w.signals[1].digitalMinimum = "-32769"; }); },
     "signal 2 (\"EEG Cz\"): the digital minimum \"-32769\" is not an integer from -32768 to 32767"},
    {"RecordSizeOverflows",
     [] {
       return PlainWith([](EdfWriter& w) {
         w.signals[0].samplesPerRecord = "99999999";
         w.signals[1].samplesPerRecord = "99999999";
       });
     },
     "a data record of 399999996 bytes is larger than the 256 MiB this reader accepts"},
    {"EdfPlusWithoutAnnotationSignal",
     [] { return PlainWith([](EdfWriter& w) { w.header.reserved = "EDF+C"; }); },
     "the EDF+ file has no \"EDF Annotations\" signal"},
    {"TimeKeepingMissing",
     [] {
       return EdfPlus("EDF+C", {TimeKeepingTal("+0"), std::string()});
     },
     "data record 2, signal 2: the time-keeping annotation is missing"},
    {"TimeKeepingUnterminated",
     [] {
       return EdfPlus("EDF+C", {"+0\x14\x14"
                                "AA"});
     },
     "data record 1, signal 2: the annotation at byte 0 is unterminated"},
    {"TimeKeepingGoesBackwards",
     [] {
       return EdfPlus("EDF+D", {TimeKeepingTal("+0"), TimeKeepingTal("+5"), TimeKeepingTal("+3")});
     },
     "data record 3 starts at 3 s, before the end of data record 2 at 6 s: the time-keeping "
     "annotations go backwards"},
    {"ContinuousWithGap",
     [] {
       return EdfPlus("EDF+C", {TimeKeepingTal("+0"), TimeKeepingTal("+2")});
     },
     "the EDF+C file is not contiguous: data record 2 starts at 2 s, not at 1 s"},
};

class RefusedFileTest : public HostTest, public ::testing::WithParamInterface<RefusedCase> {};

TEST_P(RefusedFileTest, OpenExSaysCouldNotOpenFileAndTheParserSaysWhy) {
  const std::string path = WriteFile(GetParam().bytes());
  int segmentCount = 12345;
  int result = -1;
  EXPECT_EQ(ConsoleOutputOf([&] { result = OpenEx(path.c_str(), &segmentCount); }), "Could not Open File");
  EXPECT_EQ(result, 0);
  EXPECT_EQ(segmentCount, 12345);

  const auto parsed = edf::Recording::Open(path);
  ASSERT_FALSE(parsed.ok());
  EXPECT_EQ(parsed.reason(), GetParam().reason);
}

INSTANTIATE_TEST_SUITE_P(Files, RefusedFileTest, ::testing::ValuesIn(kRefusedCases),
                         [](const auto& info) { return std::string(info.param.name); });

class RefusalTest : public HostTest {};

TEST_F(RefusalTest, MissingFileIsRefusedAndTheNextGoodFileOpens) {
  const std::string missing = WriteFile("") + ".absent";
  int segmentCount = 12345;
  int result = -1;
  EXPECT_EQ(ConsoleOutputOf([&] { result = OpenEx(missing.c_str(), &segmentCount); }), "Could not Open File");
  EXPECT_EQ(result, 0);
  EXPECT_EQ(segmentCount, 12345);
  EXPECT_EQ(edf::Recording::Open(missing).reason(), "the file cannot be opened for reading");

  // The object of the refused open is replaced; the good file answers in full.
  EXPECT_EQ(Open(edf_test::EdfPlusDiscontinuousThreeSegments().FileBytes()), 3);
  int count = -1;
  GetEventCount(&count);
  EXPECT_EQ(count, 1);
}

}  // namespace
}  // namespace end_to_end
