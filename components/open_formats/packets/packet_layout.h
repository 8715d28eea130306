// Layouts of the packets the EDF reader component hands out, for hosts and tools that read the
// bytes the library passes through without interpreting them. All integers and doubles are
// little-endian; texts are zero-padded; "Latin-1" texts are the EDF header's own bytes with
// trailing spaces removed.
#pragma once

#include <cstddef>
#include <cstdint>

namespace packet_layout {

// Every packet starts with its kind GUID and its whole size in bytes.
namespace packet_header {
inline constexpr std::size_t kKind = 0;   // GUID
inline constexpr std::size_t kSize = 16;  // uint64
inline constexpr std::size_t kBytes = 24;
}  // namespace packet_header

// Tables (TsInfo, SensorInfo, event types): a header of H bytes that ends with the entry count
// (int32 at H - 8) and capacity (int32 at H - 4), then the entries.
inline constexpr std::size_t kTableEntryCountFromHeaderEnd = 8;

// Sample block: the library lays it out (header, counts) and the component fills the samples,
// every channel's int16 samples after the last count, channel after channel.
namespace sample_block {
inline constexpr std::size_t kSampleKind = 24;    // GUID: 16-bit samples
inline constexpr std::size_t kChannelCount = 64;  // int32
inline constexpr std::size_t kSampleCounts = 68;  // int32 per channel
}  // namespace sample_block

// TsInfo: one per segment, one entry per channel (ordinary signal) in file order.
inline constexpr std::size_t kTsInfoHeaderBytes = 760;
inline constexpr std::size_t kTsInfoEntryBytes = 552;
namespace ts_info_entry {
// Bytes 0-127 are zero.
inline constexpr std::size_t kChannelName = 128;          // UTF-16, label without trailing spaces
inline constexpr std::size_t kChannelNameUnits = 72;      // with the terminator
inline constexpr std::size_t kChannelValue = 272;         // double: sampling rate in Hz
inline constexpr std::size_t kPhysicalMinimum = 280;      // double
inline constexpr std::size_t kPhysicalMaximum = 288;      // double
inline constexpr std::size_t kDigitalMinimum = 296;       // int32
inline constexpr std::size_t kDigitalMaximum = 300;       // int32
inline constexpr std::size_t kSamplesPerRecord = 304;     // int32
inline constexpr std::size_t kPhysicalDimension = 308;    // 8 bytes Latin-1
inline constexpr std::size_t kTransducer = 316;           // 80 bytes Latin-1
inline constexpr std::size_t kPrefiltering = 396;         // 80 bytes Latin-1
inline constexpr std::size_t kRecordDurationTicks = 476;  // int64: data record duration, 100 ns
// Bytes 484-551 are zero.
}  // namespace ts_info_entry

// SensorInfo: recording-wide, one entry per channel in file order.
inline constexpr std::size_t kSensorInfoHeaderBytes = 752;
inline constexpr std::size_t kSensorInfoEntryBytes = 440;
namespace sensor_info_entry {
inline constexpr std::size_t kLabel = 0;               // 16 bytes Latin-1
inline constexpr std::size_t kTransducer = 16;         // 80 bytes Latin-1
inline constexpr std::size_t kPhysicalDimension = 96;  // 8 bytes Latin-1
inline constexpr std::size_t kPhysicalMinimum = 104;   // double
inline constexpr std::size_t kPhysicalMaximum = 112;   // double
inline constexpr std::size_t kDigitalMinimum = 120;    // int32
inline constexpr std::size_t kDigitalMaximum = 124;    // int32
inline constexpr std::size_t kPrefiltering = 128;      // 80 bytes Latin-1
inline constexpr std::size_t kSamplesPerRecord = 208;  // int32
inline constexpr std::size_t kSignalIndex = 212;       // int32: position among all signals
inline constexpr std::size_t kSamplingRate = 216;      // double, Hz
// Bytes 224-439 are zero.
}  // namespace sensor_info_entry

// Calibration: one per segment, one entry per channel in the TsInfo's order; how the stored
// values become physical ones (physical = stored x gain + offset, in the unit). A kind of
// this component's own: the library asks for it as for TsInfo.
inline constexpr std::size_t kCalibrationHeaderBytes = 32;
inline constexpr std::size_t kCalibrationEntryBytes = 128;
namespace calibration_entry {
inline constexpr std::size_t kFlags = 0;            // uint32: the kFlag bits below
inline constexpr std::size_t kInvalidValue = 4;     // int32: the stored "no sample" value
inline constexpr std::size_t kGain = 8;             // double
inline constexpr std::size_t kOffset = 16;          // double
inline constexpr std::size_t kPhysicalMinimum = 24;  // double
inline constexpr std::size_t kPhysicalMaximum = 32;  // double
inline constexpr std::size_t kUnitBytes = 40;       // uint32: the unit's length in bytes
inline constexpr std::size_t kUnit = 44;            // UTF-8, zero-padded, cut at a character
inline constexpr std::size_t kUnitCapacity = kCalibrationEntryBytes - kUnit;
inline constexpr std::uint32_t kFlagCalibrated = 1;     // gain, offset and unit are set
inline constexpr std::uint32_t kFlagPhysicalRange = 2;  // the physical range is the file's
inline constexpr std::uint32_t kFlagInvalidValue = 4;   // the invalid value is set
}  // namespace calibration_entry

// Event type table: one entry per distinct annotation text, in order of first appearance among
// the events (which are ordered by onset).
inline constexpr std::size_t kEventTypeTableHeaderBytes = 752;
inline constexpr std::size_t kEventTypeEntryBytes = 1152;
namespace event_type_entry {
inline constexpr std::size_t kTypeGuid = 0;  // name-based (SHA-1) UUID of the UTF-8 text
inline constexpr std::size_t kText1 = 32;    // UTF-16 text, at most 255 units + terminator
inline constexpr std::size_t kText1Units = 256;
inline constexpr std::size_t kText2 = 544;  // UTF-16 label of the annotation signal
inline constexpr std::size_t kText2Units = (kEventTypeEntryBytes - kText2) / 2;
}  // namespace event_type_entry

// Event record: one per event.
namespace event_record {
inline constexpr std::size_t kTimeDays = 32;        // double: whole seconds as a day number
inline constexpr std::size_t kTimeSeconds = 40;     // double: the rest, in [0, 1)
inline constexpr std::size_t kDuration = 48;        // double, seconds (0 when none was given)
inline constexpr std::size_t kLabelCapacity = 128;  // int64, UTF-16 units, a multiple of 4
inline constexpr std::size_t kTypeGuid = 136;
inline constexpr std::size_t kLabel = 264;  // the whole annotation text, UTF-16
}  // namespace event_record

}  // namespace packet_layout
