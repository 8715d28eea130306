// GDF 1.x and 2.x files written by the tests, the fuzz seeds and the benchmarks: every data
// type, event tables in modes 1, 3, 5 and 7, 2.x's event descriptions, and any raw field
// overwritten afterwards, so that each rule (and each refusal) has a file that shows it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace gdf_writer {

struct Channel {
  std::string label = "EEG";
  std::uint32_t type = 3;  // GDF data type code
  std::int64_t samplesPerRecord = 4;
  std::string unitText = "uV";    // 1.x's 8 bytes, 2.x's 6
  std::uint16_t unitCode = 4275;  // 2.x: µV
  double physicalMinimum = -3276.8;
  double physicalMaximum = 3276.7;
  double digitalMinimum = -32768;
  double digitalMaximum = 32767;
  // The stored values, record after record (samplesPerRecord per record); values missing at
  // the end are written as 0.
  std::vector<double> values;
};

struct Event {
  std::uint32_t position = 1;  // counted from 1
  std::uint16_t code = 0x0301;
  std::uint16_t channel = 0;
  std::uint32_t duration = 0;  // modes 3 and 7
  std::uint64_t time = 0;      // modes 5 and 7
};

// A patch written over the file's bytes at an offset, after everything else.
struct RawField {
  std::size_t offset = 0;
  std::string bytes;
};

struct File {
  std::string version = "2.51";  // "1.25" writes the 1.x layout
  std::string startText =
      "20240514093000"
      "00";                     // 1.x
  std::uint64_t startTime = 0;  // 2.x, days since year 0 in 32.32 fixed point
  std::int64_t records = 3;
  std::int64_t declaredRecords = -2;  // what the header says; -2: `records`
  // A record lasts numerator / denominator s (before 2.21), or seconds (from 2.21 on).
  std::uint32_t durationNumerator = 1;
  std::uint32_t durationDenominator = 1;
  double durationSeconds = 1.0;
  std::vector<Channel> channels{Channel{}};
  int eventMode = 1;  // 0: no event table; 3 and 7 add durations, 5 and 7 times
  float eventRate = 4;
  std::vector<Event> events;
  std::vector<std::string> eventDescriptions;  // 2.x tagged field 1, code k's at index k
  std::vector<RawField> raw;
};

// The 2.x start time of a civil date and time (days since year 0 at 2^-32 day, rounded down as
// BioSig writes it).
std::uint64_t StartTime(int year, int month, int day, int hour, int minute, int second);

// The file's bytes.
std::string Bytes(const File& file);
// Its header alone and its event table alone (empty for mode 0), for writers that stream the
// records between them; raw fields are not applied.
std::string HeaderBytes(const File& file);
std::string EventTableBytes(const File& file);

// Distinct int16 values for channel `channel`: position and channel both change the value.
std::vector<double> DistinctValues(std::size_t channel, std::int64_t count);

}  // namespace gdf_writer
