// The per-segment calibration table: how each channel's stored values become physical ones.
// One 128-byte entry per channel, in the TsInfo's order, after a 32-byte header.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "packets/packet_bytes.h"
#include "packets/table_packet.h"
#include "reader/reader_ids.h"

namespace packets {

inline constexpr TableLayout kCalibrationLayout{reader::kCalibrationKind, 32, 128};

struct ChannelCalibration {
  double gain = 0.0;  // physical = stored x gain + offset
  double offset = 0.0;
  std::string unit;  // UTF-8 bytes as the component gives them
  std::optional<double> physicalMinimum;  // both set, or neither: the file's physical range
  std::optional<double> physicalMaximum;
  std::optional<std::int16_t> invalidValue;  // the stored value that means "no sample"
};

class CalibrationPacket final : public TablePacket<kCalibrationLayout> {
 public:
  static constexpr std::uint32_t kFlagsOffset = 0;
  static constexpr std::uint32_t kInvalidValueOffset = 4;
  static constexpr std::uint32_t kGainOffset = 8;
  static constexpr std::uint32_t kOffsetOffset = 16;
  static constexpr std::uint32_t kPhysicalMinimumOffset = 24;
  static constexpr std::uint32_t kPhysicalMaximumOffset = 32;
  static constexpr std::uint32_t kUnitBytesOffset = 40;
  static constexpr std::uint32_t kUnitOffset = 44;
  static constexpr std::uint32_t kFlagCalibrated = 1;
  static constexpr std::uint32_t kFlagPhysicalRange = 2;
  static constexpr std::uint32_t kFlagInvalidValue = 4;

  CalibrationPacket() noexcept = default;

  // The channel's calibration; nullopt when the channel is outside the table or the component
  // says the file gives none. The unit stops at its stated length, the end of its field or a
  // zero byte, whichever comes first; an invalid value outside 16 bits is left out.
  std::optional<ChannelCalibration> Channel(std::int32_t channel) const;
};

}  // namespace packets
