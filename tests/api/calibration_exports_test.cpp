// GetChannelCalibration and its neighbours in front of a component that serves the calibration
// packet wrongly, or not at all: what the packet cannot vouch for reaches no host.
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "query_fixture.h"

namespace apitest {
namespace {

constexpr fake::Time kSegmentStart{40000.0, 0.5};
constexpr std::uint32_t kHeader = 32;
constexpr std::uint32_t kEntry = 128;

struct Entry {
  std::uint32_t flags = 1;
  std::int32_t invalidValue = 0;
  double gain = 0.5;
  double offset = -1.0;
  std::uint32_t unitBytes = 2;
  std::string unit = "uV";
};

Bytes CalibrationBlock(const Entry& entry) {
  Bytes block = TableBlock(reader::kCalibrationKind, kHeader, kEntry, 1);
  const std::size_t at = EntryOffset(kHeader, kEntry, 0);
  Put(block, at + 0, entry.flags);
  Put(block, at + 4, entry.invalidValue);
  Put(block, at + 8, entry.gain);
  Put(block, at + 16, entry.offset);
  Put(block, at + 40, entry.unitBytes);
  std::memset(block.data() + at + 44, 0, kEntry - 44);
  std::memcpy(block.data() + at + 44, entry.unit.data(), std::min<std::size_t>(entry.unit.size(), kEntry - 44));
  return block;
}

class CalibrationExportsTest : public QueryTest {
 protected:
  void SetUp() override {
    QueryTest::SetUp();
    component.recording.segments = {{kSegmentStart, {40001.0, 0.0}, 60.0}};
    ServeTimedPacket(kTsInfoKind, kSegmentStart, TsInfoBlock({u"Fp1"}, {256.0}));
  }
  // The unit through a 200-byte buffer; "-" when the call returns 0.
  std::string Unit() {
    char unit[200];
    return GetChannelUnit(0, 0, unit, sizeof unit) == 0 ? "-" : std::string(unit);
  }
};

TEST_F(CalibrationExportsTest, AComponentWithoutTheKindLeavesTheTwelveAlone) {
  OpenRecording();
  double gain = 7, offset = 7, value = 0;
  EXPECT_EQ(ConsoleOutputOf([&] {
              EXPECT_EQ(GetChannelCalibration(0, 0, &gain, &offset), 0);
              EXPECT_EQ(Unit(), "-");
              EXPECT_EQ(GetChannelCount(0), 1);
              EXPECT_EQ(GetChannelValue(0, 0, &value), 1);
            }),
            "");
  EXPECT_EQ(gain, 7);
  EXPECT_EQ(value, 256.0);
}

struct EntryCase {
  const char* what;
  Entry entry;
  bool calibrated;
  std::string unit;
  int invalidResult;
};

const double kNan = std::numeric_limits<double>::quiet_NaN();
const EntryCase kEntryCases[] = {
    {"AsServed", {}, true, "uV", 0},
    {"NotCalibrated", {.flags = 0}, false, "-", 0},
    {"NanGain", {.gain = kNan}, false, "-", 0},
    {"InfiniteOffset", {.offset = std::numeric_limits<double>::infinity()}, false, "-", 0},
    {"UnitLongerThanItsField", {.unitBytes = 5000, .unit = std::string(100, 'm')}, true, std::string(84, 'm'), 0},
    {"UnitCutByAZeroByte", {.unitBytes = 6, .unit = std::string("mV\0xyz", 6)}, true, "mV", 0},
    {"InvalidValue", {.flags = 5, .invalidValue = -32768}, true, "uV", 1},
    {"InvalidValuePast16Bits", {.flags = 5, .invalidValue = 40000}, true, "uV", 0},
};

class CalibrationEntryTest : public CalibrationExportsTest,
                             public ::testing::WithParamInterface<EntryCase> {};

TEST_P(CalibrationEntryTest, ReachesTheHostOnlyWhatThePacketVouchesFor) {
  const EntryCase& c = GetParam();
  ServeTimedPacket(reader::kCalibrationKind, kSegmentStart, CalibrationBlock(c.entry));
  OpenRecording();
  double gain = 7, offset = 7;
  int invalid = 7;
  EXPECT_EQ(GetChannelCalibration(0, 0, &gain, &offset), c.calibrated ? 1 : 0);
  if (c.calibrated) {
    EXPECT_EQ(std::pair(gain, offset), std::pair(0.5, -1.0));
  }
  EXPECT_EQ(Unit(), c.unit);
  EXPECT_EQ(GetChannelInvalidValue(0, 0, &invalid), c.invalidResult);
}

INSTANTIATE_TEST_SUITE_P(Entries, CalibrationEntryTest, ::testing::ValuesIn(kEntryCases),
                         [](const auto& info) { return std::string(info.param.what); });

}  // namespace
}  // namespace apitest
