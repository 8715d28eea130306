// The header (.hea) of a WFDB record: the record line, then one line per signal, or in a
// multi-segment record one line per segment. Comment lines ('#' first) may come anywhere, and
// those after the first line are the record's info strings.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/result.h"
#include "decimal_text.h"

namespace wfdb {

using common::Result;

inline constexpr std::int64_t kTicksPerSecond = 10'000'000;  // 100-ns ticks

struct BaseDate {
  int day = 1;
  int month = 1;
  int year = 1;

  bool operator==(const BaseDate&) const = default;
};

struct RecordLine {
  std::string name;
  std::optional<std::int64_t> segmentCount;  // present in a multi-segment record's header
  std::int64_t signalCount = 0;
  ExactRate framesPerSecond{250, 1};  // 250 when the header leaves it out
  std::int64_t frameCount = 0;        // 0: as many whole frames as the signal files hold
  std::optional<std::int64_t> baseTimeTicks;  // since midnight
  std::optional<BaseDate> baseDate;
};

// Far beyond any real record (a few thousand at most), and small enough that a frame of every
// signal's samples together stays far from overflowing 64-bit arithmetic.
inline constexpr std::int64_t kMaximumSamplesPerFrame = 1'000'000;

struct SignalLine {
  std::string fileName;  // "~" for a signal without data (layout headers)
  int format = 0;
  std::int64_t samplesPerFrame = 1;
  std::int64_t skew = 0;
  std::int64_t byteOffset = 0;
  double gain = 0;  // ADC units per physical unit; 0 when uncalibrated or left out
  std::optional<std::int64_t> baseline;  // adcZero when left out
  std::string units;                     // empty when left out
  std::int64_t adcResolution = 0;
  std::int64_t adcZero = 0;
  std::int64_t initialValue = 0;  // also the first value a format-8 signal starts from
  std::optional<std::int64_t> checksum;
  std::int64_t blockSize = 0;
  std::string description;  // UTF-8; empty when left out

  std::int64_t Baseline() const { return baseline.value_or(adcZero); }
};

struct SegmentLine {
  std::string name;  // "~" for a null segment: a gap with no data
  std::int64_t frameCount = 0;

  bool IsNull() const { return name == "~"; }
};

struct Header {
  RecordLine record;
  std::vector<SignalLine> signals;    // single-segment records
  std::vector<SegmentLine> segments;  // multi-segment records
  std::vector<std::string> comments;  // the text after '#', UTF-8, in order

  bool IsMultiSegment() const { return record.segmentCount.has_value(); }
};

// Parses the bytes of a header file. Each line is read as UTF-8 when it is well-formed UTF-8,
// else as Latin-1. Refuses, with a reason that names the line and the numbers that disagree,
// a header whose record line or any signal or segment line cannot be read, or that describes
// more or fewer signals or segments than its record line declares.
Result<Header> ParseHeader(std::string_view bytes);

// Whether the line reads as a header's record line (how a header file is told from others).
bool IsRecordLine(std::string_view line);

// "HH:MM:SS[.fff]", "MM:SS[.fff]" or "SS[.fff]" as ticks since midnight (at most 7 digits after
// the point); nullopt for anything else or a time past the end of the day.
std::optional<std::int64_t> ParseBaseTime(std::string_view text);

// "DD/MM/YYYY" of a real date, years 1 to 9999; nullopt for anything else.
std::optional<BaseDate> ParseBaseDate(std::string_view text);

}  // namespace wfdb
