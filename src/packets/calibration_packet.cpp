#include "packets/calibration_packet.h"

#include <algorithm>
#include <limits>

namespace packets {

std::optional<ChannelCalibration> CalibrationPacket::Channel(std::int32_t channel) const {
  const std::span<const std::byte> entry = Entry(channel);
  if (entry.empty()) return std::nullopt;
  const std::uint32_t flags = ReadLittleEndian<std::uint32_t>(entry, kFlagsOffset).value_or(0);
  if ((flags & kFlagCalibrated) == 0) return std::nullopt;
  ChannelCalibration calibration;
  calibration.gain = ReadLittleEndian<double>(entry, kGainOffset).value_or(0.0);
  calibration.offset = ReadLittleEndian<double>(entry, kOffsetOffset).value_or(0.0);
  if ((flags & kFlagPhysicalRange) != 0) {
    calibration.physicalMinimum = ReadLittleEndian<double>(entry, kPhysicalMinimumOffset);
    calibration.physicalMaximum = ReadLittleEndian<double>(entry, kPhysicalMaximumOffset);
  }
  if ((flags & kFlagInvalidValue) != 0) {
    const std::int32_t value = ReadLittleEndian<std::int32_t>(entry, kInvalidValueOffset).value_or(0);
    if (value >= std::numeric_limits<std::int16_t>::min() &&
        value <= std::numeric_limits<std::int16_t>::max()) {
      calibration.invalidValue = static_cast<std::int16_t>(value);
    }
  }
  const std::uint32_t stated = ReadLittleEndian<std::uint32_t>(entry, kUnitBytesOffset).value_or(0);
  const auto field = entry.subspan(kUnitOffset);
  const auto unit = field.first(std::min<std::size_t>(stated, field.size()));
  const auto end = std::find(unit.begin(), unit.end(), std::byte{0});
  calibration.unit.assign(reinterpret_cast<const char*>(unit.data()),
                          static_cast<std::size_t>(end - unit.begin()));
  return calibration;
}

}  // namespace packets
