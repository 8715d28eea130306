// GDF files the component refuses, each with its exact reason: a row per rule.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "formats/format_registry.h"
#include "gdf_test_files.h"

namespace {

using gdf_writer::File;

template <typename T>
std::string Raw(T value) {
  std::string bytes(sizeof(T), '\0');
  std::memcpy(bytes.data(), &value, sizeof(T));  // little-endian hosts only
  return bytes;
}

struct Refusal {
  const char* name;
  std::function<void(File&)> change;
  std::string reason;
  std::size_t cutTo = 0;  // bytes the file keeps; 0: all of them
};

// A 2.51 file of one int16 channel, 4 samples in each of 3 records: the header is 512 bytes,
// the data 24, and the event table follows at 536.
class GdfRefusalTest : public testing::TestWithParam<Refusal> {};

TEST_P(GdfRefusalTest, RefusesWithTheReason) {
  File file;
  file.events = {{1, 0x0301}, {2, 0x0302}, {3, 0x0303}};
  GetParam().change(file);
  std::string bytes = gdf_writer::Bytes(file);
  if (GetParam().cutTo != 0) bytes.resize(GetParam().cutTo);
  edf_test::TemporaryDirectory folder;
  const auto opened = formats::OpenRecordingFile(folder.Write("r.gdf", bytes));
  ASSERT_FALSE(opened.Ok());
  EXPECT_EQ(opened.Reason(), GetParam().reason);
}

const Refusal kRefusals[] = {
    {"ShortFile", [](File&) {}, "the file is shorter than the 256-byte GDF header", 200},
    {"Version3",
     [](File& f) {
       f.raw = {{0, "GDF 3.00"}};
     },
     "GDF version \"3.00\" is not read: versions 1.x and 2.x are"},
    {"HeaderLengthTooShort",
     [](File& f) {
       f.raw = {{252, Raw<std::uint16_t>(5)}};
     },
     "the header length 512 bytes is shorter than the 1536 bytes the fixed fields and 5 channels' "
     "fields take"},
    {"HeaderPastTheEnd", [](File&) {}, "the file ends inside its header (300 of 512 bytes)", 300},
    {"Version1HeaderPastTheEnd",
     [](File& f) {
       f.version = "1.25";
       f.raw = {{184, Raw<std::int64_t>(1 << 20)}};
     },
     "the file ends inside its header (562 of 1048576 bytes)"},
    {"UnknownDataType",
     [](File& f) {
       f.channels[0].label = "Fz";
       f.raw = {{256 + 16 * 1 + 80 + 6 + 2 + 32 + 68 + 12 + 4, Raw<std::uint32_t>(9)}};
     },
     "channel 1 (\"Fz\") has the data type 9 (type 9), whose values this reader cannot locate in a "
     "record"},
    {"PackedBits",
     [](File& f) {
       f.raw = {{256 + 16 + 80 + 6 + 2 + 32 + 68 + 12 + 4, Raw<std::uint32_t>(255 + 12)}};
     },
     "channel 1 (\"EEG\") has the data type 267 (int12), whose values this reader cannot locate in "
     "a record"},
    {"RationalDurationZero",
     [](File& f) {
       f.version = "2.10";
       f.durationNumerator = 0;
     },
     "the data record duration 0/1 s is not a positive number"},
    {"RealDurationNegative", [](File& f) { f.durationSeconds = -1; },
     "the data record duration -1.000000 s is not a positive number"},
    {"NegativeRecordCount", [](File& f) { f.declaredRecords = -5; },
     "the number of data records -5 is neither -1 (unknown) nor a count"},
    {"EventTablePastTheEnd", [](File&) {},
     "the event table of 3 events (26 bytes) runs past the file's end, 20 bytes after the data "
     "records",
     536 + 20},
    {"EventTableHeaderCut", [](File&) {}, "the file ends inside the event table's first 8 bytes",
     536 + 5},
    {"EventMode",
     [](File& f) {
       f.raw = {{536, "\x02"}};
     },
     "the event table's mode 2 is not 1, 3, 5 or 7"},
    {"EventRateZero", [](File& f) { f.eventRate = 0; },
     "the event table's sampling rate 0.000000 is not a positive number"},
    {"TextDateNotADate",
     [](File& f) {
       f.version = "1.25";
       f.startText = "2024133109300000";
     },
     "the start date \"2024133109300000\" is not a real date and time"},
    {"TextDateNotDigits",
     [](File& f) {
       f.version = "1.25";
       f.startText = "2024-5-14 093000";
     },
     "the start date \"2024-5-14 093000\" is not YYYYMMDDhhmmsscc"},
    {"TimeBeforeDayZero", [](File& f) { f.startTime = std::uint64_t{100} << 32; },
     "the time 100 days since year 0 lies outside the dates from 1899-12-30 (day number 0) to "
     "9999-12-31"},
};

INSTANTIATE_TEST_SUITE_P(Rules, GdfRefusalTest, testing::ValuesIn(kRefusals),
                         [](const testing::TestParamInfo<Refusal>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
