#include "event_table.h"

#include <cmath>
#include <string>

#include "little_endian.h"

namespace gdf {

common::Result<EventTableHeader> ParseEventTableHeader(std::span<const std::byte> bytes,
                                                       int version) {
  using HeaderResult = common::Result<EventTableHeader>;
  if (bytes.size() < kEventTableHeaderBytes) {
    return HeaderResult::Refuse("the file ends inside the event table's first 8 bytes");
  }
  EventTableHeader header;
  header.mode = std::to_integer<int>(bytes[0]);
  if (version < 194) {
    header.rate = *ReadU24LittleEndian(bytes, 1);
    header.count = *ReadLittleEndian<std::uint32_t>(bytes, 4);
  } else {
    header.count = *ReadU24LittleEndian(bytes, 1);
    header.rate = *ReadLittleEndian<float>(bytes, 4);
  }
  if (header.mode != 1 && header.mode != 3 && header.mode != 5 && header.mode != 7) {
    return HeaderResult::Refuse("the event table's mode " + std::to_string(header.mode) +
                                " is not 1, 3, 5 or 7");
  }
  if (header.count > 0 && !(header.rate > 0 && std::isfinite(header.rate))) {
    return HeaderResult::Refuse("the event table's sampling rate " + std::to_string(header.rate) +
                                " is not a positive number");
  }
  return header;
}

std::vector<StoredEvent> ParseEvents(const EventTableHeader& header,
                                     std::span<const std::byte> bytes) {
  std::vector<StoredEvent> events;
  if (bytes.size() < static_cast<std::size_t>(header.Bytes())) return events;
  const auto count = static_cast<std::size_t>(header.count);
  events.resize(count);
  // The arrays one after the other: positions, codes, then channels and durations, then times.
  const std::size_t codes = kEventTableHeaderBytes + count * 4;
  const std::size_t channels = codes + count * 2;
  const std::size_t durations = channels + count * 2;
  const std::size_t times = header.HasDurations() ? durations + count * 4 : channels;
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint32_t position =
        *ReadLittleEndian<std::uint32_t>(bytes, kEventTableHeaderBytes + i * 4);
    events[i].sample = position == 0 ? 0 : std::int64_t{position} - 1;
    events[i].code = *ReadLittleEndian<std::uint16_t>(bytes, codes + i * 2);
    if (header.HasDurations()) {
      events[i].channel = *ReadLittleEndian<std::uint16_t>(bytes, channels + i * 2);
      events[i].duration = *ReadLittleEndian<std::uint32_t>(bytes, durations + i * 4);
    }
    if (header.HasTimes()) events[i].time = *ReadLittleEndian<std::uint64_t>(bytes, times + i * 8);
  }
  return events;
}

}  // namespace gdf
