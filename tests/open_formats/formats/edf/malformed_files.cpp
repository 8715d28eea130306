#include "malformed_files.h"

#include <cstdint>
#include <vector>

#include "edf_test_files.h"

namespace edf_test {
namespace {

using edf_writer::EdfWriter;
using edf_writer::TimeKeepingTal;

std::string PlainWith(const std::function<void(EdfWriter&)>& change) {
  EdfWriter writer = PlainEdf();
  change(writer);
  return writer.FileBytes();
}

// EDF+ with one 1-sample signal and an annotation signal of 6 samples (12 bytes) unless told, one record per onset text
// (the raw annotation bytes of each record as given).
std::string EdfPlus(const char* variant, const std::vector<std::string>& annotationBytes,
                    int annotationSamples = 6,
                    const std::function<void(EdfWriter&)>& change = [](EdfWriter&) {}) {
  EdfWriter writer;
  change(writer);
  writer.header.reserved = variant;
  writer.AddSignal("EEG", 1);
  writer.AddAnnotationSignal(annotationSamples);
  for (std::size_t r = 0; r < annotationBytes.size(); ++r) {
    writer.AddRecord({RecordSamples(0, static_cast<std::int64_t>(r), 1), annotationBytes[r]});
  }
  return writer.FileBytes();
}

// Sets the start the EDF+ header gives: its date field (yy for years beyond 2084), time and the
// recording field's full date.
std::function<void(EdfWriter&)> StartingAt(const char* date, const char* time, const char* fullDate) {
  return [=](EdfWriter& w) {
    w.header.startDate = date;
    w.header.startTime = time;
    w.header.recording = std::string("Startdate ") + fullDate + " X X X";
  };
}

const MalformedCase kCases[] = {
    {"EmptyFile", [] { return std::string(); }, "the file is empty"},
    {"VersionNotZero", [] { return PlainWith([](EdfWriter& w) { w.header.version = "1"; }); },
     // No format's: the registry says what each looks for.
     "no format read here recognises the file, whose first line is \"1       X X X X      "
     "                                       ...\": EDF needs its version field \"0\" at the "
     "start; BrainVision needs an identification line first or a [Common Infos] section; GDF "
     "needs \"GDF\" and a version number at the start; WFDB needs a record line as the first "
     "line that is neither blank nor a # comment (within the first 1 MiB)"},
    {"Bdf",
     [] {
       std::string bytes = PlainEdf().FileBytes();
       bytes.replace(0, 8, "\xFF" "BIOSEMI");
       return bytes;
     },
     "24-bit BDF files are not supported, only 16-bit EDF"},
    {"HeaderLengthMismatch",
     [] { return PlainWith([](EdfWriter& w) { w.header.headerBytes = "512"; }); },
     "the header length 512 does not match 2 signals (768 bytes expected)"},
    {"HeaderLengthNotNumeric",
     [] { return PlainWith([](EdfWriter& w) { w.header.headerBytes = "76 8"; }); },
     "the header length \"76 8\" is not a number"},
    {"ZeroSignals",
     [] {
       return PlainWith([](EdfWriter& w) {
         w.header.signalCount = "0";
         w.header.headerBytes = "256";
       });
     },
     "the number of signals is 0; at least 1 is needed"},
    {"AbsurdSignalCount",
     [] {
       return PlainWith([](EdfWriter& w) {
         w.header.signalCount = "9999";
         w.header.headerBytes = "2560000";
       });
     },
     "the file ends inside its header (804 of 2560000 bytes)"},
    {"SignalCountNotNumeric",
     [] { return PlainWith([](EdfWriter& w) { w.header.signalCount = "two"; }); },
     "the number of signals \"two\" is not a number"},
    {"RecordCountNotNumeric",
     [] { return PlainWith([](EdfWriter& w) { w.header.recordCount = "3x"; }); },
     "the number of data records \"3x\" is not a number"},
    {"RecordCountBelowMinusOne",
     [] { return PlainWith([](EdfWriter& w) { w.header.recordCount = "-2"; }); },
     "the number of data records is -2; it must be -1 or more"},
    {"DurationNotNumeric",
     [] { return PlainWith([](EdfWriter& w) { w.header.recordDuration = "1 s"; }); },
     "the data record duration \"1 s\" is not a number of seconds"},
    {"DurationNegative",
     [] { return PlainWith([](EdfWriter& w) { w.header.recordDuration = "-1"; }); },
     "the data record duration \"-1\" is negative"},
    {"DurationZeroWithSignals",
     [] { return PlainWith([](EdfWriter& w) { w.header.recordDuration = "0"; }); },
     "the data record duration is 0 (it rounds to whole steps of 100 ns, 0.0000001 s) but the file "
     "holds ordinary signals, whose samples need a duration of at least 0.0000001 s"},
    {"StartDateInvalid",
     [] { return PlainWith([](EdfWriter& w) { w.header.startDate = "30.02.03"; }); },
     "the start date \"30.02.03\" is not a valid dd.mm.yy date"},
    {"StartTimeInvalid",
     [] { return PlainWith([](EdfWriter& w) { w.header.startTime = "24.00.00"; }); },
     "the start time \"24.00.00\" is not a valid hh.mm.ss time"},
    {"SamplesPerRecordZero",
     [] { return PlainWith([](EdfWriter& w) { w.signals[1].samplesPerRecord = "0"; }); },
     "signal 2 (\"EEG Cz\"): the number of samples per data record is 0; at least 1 is needed"},
    {"SamplesPerRecordNotNumeric",
     [] { return PlainWith([](EdfWriter& w) { w.signals[0].samplesPerRecord = "four"; }); },
     "signal 1 (\"EEG Fz\"): the number of samples per data record \"four\" is not a number"},
    {"DigitalMinimumOutOfRange",
     [] { return PlainWith([](EdfWriter& w) { w.signals[1].digitalMinimum = "-32769"; }); },
     "signal 2 (\"EEG Cz\"): the digital minimum \"-32769\" is not an integer from -32768 to "
     "32767"},
    {"DigitalMaximumNotNumeric",
     [] { return PlainWith([](EdfWriter& w) { w.signals[0].digitalMaximum = "32767.5"; }); },
     "signal 1 (\"EEG Fz\"): the digital maximum \"32767.5\" is not an integer from -32768 to "
     "32767"},
    {"PhysicalMinimumNotNumeric",
     [] { return PlainWith([](EdfWriter& w) { w.signals[0].physicalMinimum = "low"; }); },
     "signal 1 (\"EEG Fz\"): the physical minimum \"low\" is not a number"},
    {"PhysicalMaximumInfinite",
     [] { return PlainWith([](EdfWriter& w) { w.signals[1].physicalMaximum = "1e999"; }); },
     "signal 2 (\"EEG Cz\"): the physical maximum \"1e999\" is not a number"},
    {"RecordSizeTooLarge",
     [] {
       return PlainWith([](EdfWriter& w) {
         w.signals[0].samplesPerRecord = "99999999";
         w.signals[1].samplesPerRecord = "99999999";
       });
     },
     "a data record of 399999996 bytes is larger than the 256 MiB this reader accepts"},
    {"EdfPlusDWithoutAnnotationSignal",
     [] { return PlainWith([](EdfWriter& w) { w.header.reserved = "EDF+D"; }); },
     "the EDF+D file has no \"EDF Annotations\" signal, so its data records cannot be placed in "
     "time"},
    {"DurationBelowOneTick",  // the 8-byte field keeps "0.000000"
     [] { return PlainWith([](EdfWriter& w) { w.header.recordDuration = "0.00000001"; }); },
     "the data record duration is 0 (it rounds to whole steps of 100 ns, 0.0000001 s) but the file "
     "holds ordinary signals, whose samples need a duration of at least 0.0000001 s"},
    {"OnsetBeyondTheParsedRange",
     [] { return EdfPlus("EDF+C", {TimeKeepingTal("+999999999999")}, 12); },
     "data record 1, signal 2: the annotation at byte 0: the onset \"+999999999999\" is beyond the "
     "100000000000 s either way that this reader accepts"},
    {"AnnotationBeforeDayNumbersPlaceSamples",
     [] {
       return EdfPlus("EDF+C",
                      {TimeKeepingTal("+0") + edf_writer::Tal("-99999999999", std::nullopt, {"X"})},
                      16);
     },
     "an event at -1166-03-18 18:18:27 lies outside the dates from 1899-12-30 (day number 0) to "
     "9999-12-31"},
    // Dates are written with four-digit years: nothing is served after 9999-12-31.
    {"AnnotationAfterTheYear9999",
     [] {
       return EdfPlus("EDF+C", {TimeKeepingTal("+0") + edf_writer::Tal("+2", std::nullopt, {"X"})},
                      12, StartingAt("31.12.yy", "23.59.58", "31-DEC-9999"));
     },
     "an event at 10000-01-01 00:00:00 lies outside the dates from 1899-12-30 (day number 0) to "
     "9999-12-31"},
    {"DataRecordsPastTheYear9999",
     [] {
       return EdfPlus("EDF+C", {TimeKeepingTal("+0"), TimeKeepingTal("+1")}, 8,
                      StartingAt("31.12.yy", "23.59.59", "31-DEC-9999"));
     },
     "a segment end at 10000-01-01 00:00:01 lies outside the dates from 1899-12-30 (day number 0) "
     "to 9999-12-31"},
    // Day number -1.0 is also a host's refusal value: no time before day 0 is served.
    {"StartBeforeDayNumberZero",
     [] {
       return EdfPlus("EDF+C", {TimeKeepingTal("+0")}, 8,
                      StartingAt("29.12.99", "23.59.59", "29-DEC-1899"));
     },
     "a segment start at 1899-12-29 23:59:59 lies outside the dates from 1899-12-30 (day number "
     "0) to 9999-12-31"},
    {"AnnotationBeforeDayNumberZero",
     [] {
       return EdfPlus("EDF+C", {TimeKeepingTal("+0") + edf_writer::Tal("-1", std::nullopt, {"X"})},
                      12, StartingAt("30.12.99", "00.00.00", "30-DEC-1899"));
     },
     "an event at 1899-12-29 23:59:59 lies outside the dates from 1899-12-30 (day number 0) to "
     "9999-12-31"},
    // Samples 1 us apart (dated where day numbers are fine enough for them): windows cannot place
    // them, and the whole segment would leave out its last sample.
    {"ChannelCloserThanWindowsPlace",
     [] {
       EdfWriter writer;  // 1000 samples per 1-ms record
       writer.header.startDate = "01.02.85";
       writer.header.recordDuration = "0.001";
       writer.AddSignal("Fast", 1000);
       writer.AddRecord({RecordSamples(0, 0, 1000)});
       return writer.FileBytes();
     },
     "channel 1: 1000 samples in 10000 x 100 ns lie closer than 2 us apart, the "
     "closest that windows place exactly at the recording's dates (a channel may have at most "
     "500000 samples a second)"},
    // 10 kHz is placed exactly in this century, but not in 9000, where day numbers are 40 us
    // apart and samples must lie 128 us apart.
    {"ChannelCloserThanWindowsPlaceInTheYear9000",
     [] {
       EdfWriter writer;  // 10 samples per 1-ms record
       writer.header.reserved = "EDF+C";
       writer.header.startDate = "01.02.yy";
       writer.header.recording = "Startdate 01-FEB-9000 X X X";
       writer.header.recordDuration = "0.001";
       writer.AddSignal("Fast", 10);
       writer.AddAnnotationSignal(8);
       writer.AddRecord({RecordSamples(0, 0, 10), TimeKeepingTal("+0")});
       return writer.FileBytes();
     },
     "channel 1: 10 samples in 10000 x 100 ns lie closer than 128 us apart, the "
     "closest that windows place exactly at the recording's dates (a channel may have at most "
     "7812.5 samples a second)"},
    // 100 samples in a record of 100 ns: windows of 200 ns would hold 200 samples, past the
    // 161 of a buffer sized ceil(rate x d) + 1 for d = 160 ns.
    {"GigahertzChannel",
     [] {
       EdfWriter writer;
       writer.header.recordDuration = ".0000001";  // 100 ns in the field's 8 bytes
       writer.AddSignal("Fast", 100);
       writer.AddRecord({RecordSamples(0, 0, 100)});
       return writer.FileBytes();
     },
     "channel 1: 100 samples in 1 x 100 ns lie closer than 2 us apart, the "
     "closest that windows place exactly at the recording's dates (a channel may have at most "
     "500000 samples a second)"},
    {"TimeKeepingMissing",
     [] {
       return EdfPlus("EDF+C", {TimeKeepingTal("+0"), std::string()});
     },
     "data record 2, signal 2: the time-keeping annotation is missing"},
    {"TimeKeepingNotFirst",
     [] { return EdfPlus("EDF+D", {edf_writer::Tal("+0", std::nullopt, {"A"})}); },
     "data record 1, signal 2: the time-keeping annotation is missing"},
    {"TimeKeepingUnterminated",
     [] {
       return EdfPlus("EDF+C", {"+0\x14\x14"
                                "AAAAAA"});
     },
     "data record 1, signal 2: the annotation at byte 0 is unterminated"},
    {"TimeKeepingOnsetNotNumeric", [] { return EdfPlus("EDF+C", {TimeKeepingTal("+1:00")}); },
     "data record 1, signal 2: the annotation at byte 0: the onset \"+1:00\" is not a number"},
    {"AnnotationWithoutSign", [] { return EdfPlus("EDF+C", {TimeKeepingTal("+0") + "x"}); },
     "data record 1, signal 2: the annotation at byte 5 does not start with + or -"},
    {"TimeKeepingGoesBackwards",
     [] {
       return EdfPlus("EDF+D", {TimeKeepingTal("+0"), TimeKeepingTal("+5"), TimeKeepingTal("+3")});
     },
     "data record 3 starts at 3 s, before the end of data record 2 at 6 s: the time-keeping "
     "annotations go backwards"},
    {"TimeKeepingOverlaps",
     [] {
       return EdfPlus("EDF+D", {TimeKeepingTal("+0"), TimeKeepingTal("+0.5")});
     },
     "data record 2 starts at 0.5 s, before the end of data record 1 at 1 s: the time-keeping "
     "annotations go backwards"},
    {"ContinuousWithGap",
     [] {
       return EdfPlus("EDF+C", {TimeKeepingTal("+0"), TimeKeepingTal("+2.25")});
     },
     "the EDF+C file is not contiguous: data record 2 starts at 2.25 s, not at 1 s"},
};

}  // namespace

std::span<const MalformedCase> MalformedCases() { return kCases; }

}  // namespace edf_test
