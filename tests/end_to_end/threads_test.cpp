// Hosts that call from several threads: each call is taken whole, one at a time, so every
// answer is right and comes from one recording, whatever the other threads do meanwhile.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

#include "edf_test_files.h"
#include "host_fixture.h"

namespace end_to_end {
namespace {

using edf_test::RecordSamples;

constexpr int kRecords = 30;
constexpr int kSamplesPerRecord = 2000;
constexpr int kWindowSeconds = 4;

// Plain EDF, "EEG" 2,000 samples per 1-s record, holding the values of signal `valuesOf`.
std::string Recording(std::size_t valuesOf) {
  edf_writer::EdfWriter writer;
  writer.AddSignal("EEG", kSamplesPerRecord);
  for (int r = 0; r < kRecords; ++r) writer.AddRecord({RecordSamples(valuesOf, r, kSamplesPerRecord)});
  return writer.FileBytes();
}

// The samples a window of kWindowSeconds from `second` holds, in a file of `valuesOf`.
std::vector<std::int16_t> WindowSamples(std::size_t valuesOf, int second) {
  std::vector<std::int16_t> samples;
  for (int k = 0; k < kWindowSeconds * kSamplesPerRecord; ++k) {
    samples.push_back(edf_test::SampleValue(valuesOf, std::int64_t{second} * kSamplesPerRecord + k));
  }
  return samples;
}

class ThreadsTest : public HostTest {
 protected:
  // Reads the window at `second` at least `times` times and on until `done`, and counts the
  // answers that are not a success with one of `answers`.
  int WrongReads(double start, int second, int times, const std::atomic<bool>& done,
                 const std::vector<std::vector<std::int16_t>>& answers) {
    int wrong = 0;
    const std::size_t samples = kWindowSeconds * kSamplesPerRecord;
    std::vector<std::int16_t> buffer(samples + 1);
    for (int i = 0; i < times || !done; ++i) {
      std::fill(buffer.begin(), buffer.end(), std::int16_t{0x5A5A});
      const bool read = GetData2(start + second / 86400.0, kWindowSeconds, buffer.data()) == 1;
      const std::vector<std::int16_t> window(buffer.begin(), buffer.begin() + samples);
      if (!read || std::find(answers.begin(), answers.end(), window) == answers.end()) ++wrong;
    }
    return wrong;
  }
};

TEST_F(ThreadsTest, TwoThreadsReadingDifferentWindowsEachGetTheirOwn) {
  ASSERT_EQ(Open(Recording(0)), 1);
  const double start = SegmentStart();
  const std::atomic<bool> done{true};
  int wrongFirst = -1, wrongSecond = -1;
  std::thread first([&] { wrongFirst = WrongReads(start, 3, 5000, done, {WindowSamples(0, 3)}); });
  std::thread second([&] { wrongSecond = WrongReads(start, 21, 5000, done, {WindowSamples(0, 21)}); });
  first.join();
  second.join();
  EXPECT_EQ(wrongFirst, 0);
  EXPECT_EQ(wrongSecond, 0);
}

TEST_F(ThreadsTest, OpenExOnASecondThreadWhileTheFirstReads) {
  const edf_test::TemporaryDirectory folder;
  const std::string paths[] = {folder.Write("first.edf", Recording(0)), folder.Write("second.edf", Recording(1))};
  int segments = 0;
  ASSERT_EQ(OpenEx(paths[0].c_str(), &segments), 1);
  const double start = SegmentStart();  // the same in both files
  std::atomic<bool> opened{false};
  int wrongReads = -1, failedOpens = 0;
  // Each read sees one file or the other, never a recording half replaced.
  std::thread reader([&] { wrongReads = WrongReads(start, 3, 100, opened, {WindowSamples(0, 3), WindowSamples(1, 3)}); });
  std::thread opener([&] {
    for (int i = 1; i <= 200; ++i) {
      int count = 0;
      if (OpenEx(paths[i % 2].c_str(), &count) != 1 || count != 1) ++failedOpens;
    }
    opened = true;
  });
  reader.join();
  opener.join();
  EXPECT_EQ(wrongReads, 0);
  EXPECT_EQ(failedOpens, 0);
}

}  // namespace
}  // namespace end_to_end
