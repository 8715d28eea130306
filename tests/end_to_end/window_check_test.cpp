// The library's check that a GetData2 window lies within the segment that holds its start, to
// the whole second, against the component's segment ends, as a host meets it.
#include <gtest/gtest.h>

#include "edf_test_files.h"
#include "host_fixture.h"

namespace end_to_end {
namespace {

using edf_test::SampleValue;

const std::string kGetDataReport =
    "ERROR in GetData packet please contact SDK provider for support\n\nPress any key to continue . . . \n";

// EDF+D: "EEG" 2 samples per 1-s record; segments [0, 2), [10, 11) and [20.5, 23.5) s.
class WindowCheckTest : public HostTest {
 protected:
  void SetUp() override {
    HostTest::SetUp();
    if (HasFatalFailure()) return;
    ASSERT_EQ(Open(edf_test::EdfPlusDiscontinuousThreeSegments().FileBytes()), 3);
  }
};

TEST_F(WindowCheckTest, WindowsOutsideOneSegmentAreRefusedWithTheBufferUntouched) {
  struct Window {
    const char* name;
    std::int64_t startMicros;
    double seconds;
  };
  for (const Window& window :
       {Window{"in the gap", 5'000'000, 1.0}, Window{"before the first record", -1'000'000, 0.5},
        Window{"across the end of segment 0", 1'000'000, 2.0},
        Window{"at the end of the last record", 23'500'000, 1.0},
        Window{"longer than segment 2", 20'500'000, 4.5}}) {
    std::vector<std::int16_t> buffer(64, 0x5A5A);
    int result = -1;
    EXPECT_EQ(ConsoleOutputOf(
                  [&] { result = GetData2(DayNumberAt(window.startMicros), window.seconds, buffer.data()); }),
              kGetDataReport)
        << window.name;
    EXPECT_EQ(result, 0) << window.name;
    EXPECT_EQ(buffer, std::vector<std::int16_t>(64, 0x5A5A)) << window.name;
  }
  // The refusals changed nothing: a window within segment 2 still reads.
  std::vector<std::int16_t> buffer(2, 0);
  EXPECT_EQ(GetData2(DayNumberAt(21'500'000), 1.0, buffer.data()), 1);
  EXPECT_EQ(buffer, (std::vector<std::int16_t>{SampleValue(0, 8), SampleValue(0, 9)}));
}

// The difference of two day numbers can fall a fraction of a microsecond short of an exact
// half (it does for the last window here); a half must still round up, or the last half second
// of a segment cannot be read.
TEST_F(WindowCheckTest, WindowsEndingAtAWholeSecondSegmentEndAHalfSecondAfterTheirStartAreAdmitted) {
  struct Window {
    std::int64_t startMicros;
    double seconds;
    std::vector<std::int16_t> samples;
  };
  for (const Window& window :
       {Window{1'500'000, 0.5, {SampleValue(0, 3)}},
        Window{500'000, 1.5, {SampleValue(0, 1), SampleValue(0, 2), SampleValue(0, 3)}},
        Window{10'500'000, 0.5, {SampleValue(0, 5)}}}) {
    std::vector<std::int16_t> buffer(window.samples.size() + 1, 0x5A5A);
    std::vector<std::int16_t> expected = window.samples;
    expected.push_back(0x5A5A);
    int result = -1;
    EXPECT_EQ(ConsoleOutputOf(
                  [&] { result = GetData2(DayNumberAt(window.startMicros), window.seconds, buffer.data()); }),
              "")
        << window.startMicros << " us";
    EXPECT_EQ(result, 1) << window.startMicros << " us";
    EXPECT_EQ(buffer, expected) << window.startMicros << " us";
  }
}

}  // namespace
}  // namespace end_to_end
