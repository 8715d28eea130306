// GDF's event table, after the data records: a mode byte, the count and the rate of the
// positions (before version 1.94 a 3-byte rate and a 4-byte count, from 1.94 on a 3-byte count
// and a float32 rate), then the positions (uint32, counted from 1), the codes (uint16) and, in
// modes 3 and 7 (mode bit 2), each event's channel (uint16) and duration (uint32, at the same
// rate), and in modes 5 and 7 (bit 4, which BioSig writes) each event's time as a GDF 2 time
// (uint64).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "common/result.h"

namespace gdf {

inline constexpr std::size_t kEventTableHeaderBytes = 8;

struct EventTableHeader {
  int mode = 1;
  std::int64_t count = 0;
  double rate = 0.0;  // positions per second

  // The bytes of the whole table, its 8 header bytes included.
  bool HasDurations() const { return (mode & 2) != 0; }
  bool HasTimes() const { return (mode & 4) != 0; }
  std::int64_t Bytes() const {
    return static_cast<std::int64_t>(kEventTableHeaderBytes) +
           count * (6 + (HasDurations() ? 6 : 0) + (HasTimes() ? 8 : 0));
  }
};

struct StoredEvent {
  std::int64_t sample = 0;  // position - 1: samples at the table's rate from the first
  std::uint16_t code = 0;
  std::uint16_t channel = 0;  // mode 3: 1-based, 0 for all channels
  std::int64_t duration = 0;  // modes 3 and 7, samples at the table's rate; else 0
  std::uint64_t time = 0;     // modes 5 and 7, a GDF 2 time; 0 when the file gives none
};

// The table's first 8 bytes; refuses a mode other than 1, 3, 5 and 7 and, when there are events, a
// rate that is not a positive number.
common::Result<EventTableHeader> ParseEventTableHeader(std::span<const std::byte> bytes,
                                                       int version);

// The events of a table of `Bytes()` bytes (its header included), in file order.
std::vector<StoredEvent> ParseEvents(const EventTableHeader& header,
                                     std::span<const std::byte> bytes);

}  // namespace gdf
