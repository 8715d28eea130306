// GetChannelCalibration, GetChannelUnit, GetChannelPhysicalRange and GetChannelInvalidValue:
// how a channel's stored values become physical ones, from the segment's calibration packet.
#include <cmath>
#include <cstdint>
#include <memory>
#include <optional>

#include "api/exports.h"
#include "api/whole_text.h"
#include "packets/calibration_packet.h"
#include "tapline_ext.h"

namespace {

// The calibration packet of the segment asked for last, kept until the recording changes: a
// host asks for every channel's gain, offset and unit in turn, and the packet stays the same
// while the recording is open. Used under the export lock only.
struct CachedCalibration {
  std::uint64_t generation = 0;
  int segment = -1;
  std::unique_ptr<packets::CalibrationPacket> packet;
};
CachedCalibration cachedCalibration;

const packets::CalibrationPacket* CalibrationPacketOf(int segment) {
  api::ReaderContext& context = api::readerContext;
  CachedCalibration& cached = cachedCalibration;
  if (cached.packet && cached.generation == context.RecordingGeneration() && cached.segment == segment) {
    return cached.packet.get();
  }
  if (segment < 0 || segment >= context.SegmentCount()) return nullptr;
  auto packet = std::make_unique<packets::CalibrationPacket>();
  if (!context.ReadCalibration(*packet, segment)) return nullptr;
  cached = {context.RecordingGeneration(), segment, std::move(packet)};
  return cached.packet.get();
}

// The channel's calibration when the segment is one of the recording's, the component serves
// its packet and the packet calibrates the channel with finite numbers.
std::optional<packets::ChannelCalibration> CalibrationOf(int segment, int channel) {
  const packets::CalibrationPacket* packet = CalibrationPacketOf(segment);
  if (packet == nullptr) return std::nullopt;
  std::optional<packets::ChannelCalibration> calibration = packet->Channel(channel);
  if (calibration && !(std::isfinite(calibration->gain) && std::isfinite(calibration->offset))) {
    return std::nullopt;
  }
  return calibration;
}

}  // namespace

extern "C" TAPLINE_API int TAPLINE_CALL GetChannelCalibration(int segment, int channel, double* gain,
                                                              double* offset) {
  return api::GuardExport(0, [&] {
    if (gain == nullptr || offset == nullptr) return 0;
    const auto calibration = CalibrationOf(segment, channel);
    if (!calibration) return 0;
    *gain = calibration->gain;
    *offset = calibration->offset;
    return 1;
  });
}

extern "C" TAPLINE_API int TAPLINE_CALL GetChannelUnit(int segment, int channel, char* unit,
                                                       int unitBytes) {
  return api::GuardExport(0, [&] {
    if (unit == nullptr || unitBytes < 1) return 0;
    const auto calibration = CalibrationOf(segment, channel);
    return calibration ? api::CopyWholeText(calibration->unit, unit, unitBytes) : 0;
  });
}

extern "C" TAPLINE_API int TAPLINE_CALL GetChannelPhysicalRange(int segment, int channel,
                                                                double* minimum, double* maximum) {
  return api::GuardExport(0, [&] {
    if (minimum == nullptr || maximum == nullptr) return 0;
    const auto calibration = CalibrationOf(segment, channel);
    if (!calibration || !calibration->physicalMinimum || !calibration->physicalMaximum) return 0;
    *minimum = *calibration->physicalMinimum;
    *maximum = *calibration->physicalMaximum;
    return 1;
  });
}

extern "C" TAPLINE_API int TAPLINE_CALL GetChannelInvalidValue(int segment, int channel, int* value) {
  return api::GuardExport(0, [&] {
    if (value == nullptr) return 0;
    const auto calibration = CalibrationOf(segment, channel);
    if (!calibration || !calibration->invalidValue) return 0;
    *value = *calibration->invalidValue;
    return 1;
  });
}
