#include "com/packet_object.h"

#include <cstring>
#include <limits>
#include <vector>

#include "model/window_rule.h"
#include "packets/sample_block_fill.h"
#include "reader/reader_ids.h"

namespace open_formats {

namespace {

constexpr HRESULT kBufferTooSmall = HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);

// The packet, or null when the component does not hand out that kind without a time.
const std::vector<std::byte>* RecordingWidePacket(OpenedRecording& opened, const GUID& kind) {
  if (IsEqualGUID(kind, reader::kSensorInfoKind)) return &opened.SensorInfo();
  if (IsEqualGUID(kind, reader::kEventTypeTableKind)) return &opened.EventTypeTable();
  return nullptr;
}

// A timed packet's reference: the segment + 1 (0 is never a reference, so a caller's preset
// cannot pass for one), with the top bit set for a calibration packet. Segments are counted
// in 31 bits (checked at open), so the two never meet.
constexpr std::uint32_t kCalibrationReference = 0x8000'0000u;

// The timed packet a reference names, or null for none.
const std::vector<std::byte>* TimedPacket(OpenedRecording& opened, std::uint32_t packetRef) {
  const bool calibration = (packetRef & kCalibrationReference) != 0;
  const std::uint32_t segment = packetRef & ~kCalibrationReference;
  if (segment == 0 || segment > opened.Recording().segments.size()) return nullptr;
  return calibration ? &opened.Calibration(segment - 1) : &opened.TsInfo(segment - 1);
}

HRESULT CopyPacket(const std::vector<std::byte>& packet, std::uint64_t size, BYTE* buffer) {
  if (!buffer) return E_POINTER;
  if (size < packet.size()) return kBufferTooSmall;
  std::memcpy(buffer, packet.data(), packet.size());
  return S_OK;
}

}  // namespace

HRESULT PacketObject::ReadSamples(double days, double seconds, double duration,
                                  std::uint32_t blockSize, BYTE* block) {
  return Guarded([&]() -> HRESULT {
    if (!block) return E_POINTER;
    OpenedRecording* opened = owner->Current();
    if (!opened) return E_UNEXPECTED;
    const auto window = model::LocateWindow(opened->Recording(), days, seconds, duration);
    if (!window) return E_INVALIDARG;
    return FillSampleBlock(opened->Recording(), *window, blockSize, block);
  });
}

HRESULT PacketObject::GetSampleChannelCount(double days, double seconds,
                                            std::int32_t* channelCount) {
  if (!channelCount) return E_POINTER;
  OpenedRecording* opened = owner->Current();
  if (!opened) return E_UNEXPECTED;
  const auto start = model::LocateTime(opened->Recording(), model::DayNumberOf(days, seconds));
  if (!start) return E_INVALIDARG;
  // Checked at open with the channel table's size.
  *channelCount =
      static_cast<std::int32_t>(opened->Recording().LayoutOf(start->segment).channels.size());
  return S_OK;
}

HRESULT PacketObject::GetSampleCount(std::int32_t channel, double days, double seconds,
                                     double duration, std::int32_t* sampleCount) {
  return Guarded([&]() -> HRESULT {
    if (!sampleCount) return E_POINTER;
    OpenedRecording* opened = owner->Current();
    if (!opened) return E_UNEXPECTED;
    // Only this channel's range: the library asks once per channel.
    const auto start = opened->WindowStartAt(days, seconds, duration);
    const auto range =
        start && channel >= 0
            ? model::ChannelWindowIn(opened->Recording(), static_cast<std::size_t>(channel),
                                     start->segment, start->from, start->length)
            : std::nullopt;
    if (!range) return E_INVALIDARG;
    const std::int64_t count = range->count;
    // A count the caller cannot hold is refused rather than cut.
    if (count > std::numeric_limits<std::int32_t>::max()) return E_INVALIDARG;
    *sampleCount = static_cast<std::int32_t>(count);
    return S_OK;
  });
}

HRESULT PacketObject::GetTimedPacketSize(GUID kind, double days, double seconds,
                                         std::uint32_t* size, std::uint32_t* packetRef) {
  if (!size || !packetRef) return E_POINTER;
  OpenedRecording* opened = owner->Current();
  if (!opened) return E_UNEXPECTED;
  const bool calibration = IsEqualGUID(kind, reader::kCalibrationKind);
  if (!calibration && !IsEqualGUID(kind, reader::kTsInfoKind)) return E_INVALIDARG;
  const auto start = model::LocateTime(opened->Recording(), model::DayNumberOf(days, seconds));
  if (!start) return E_INVALIDARG;
  const std::uint32_t reference = (static_cast<std::uint32_t>(start->segment) + 1) |
                                  (calibration ? kCalibrationReference : 0);
  *size = static_cast<std::uint32_t>(TimedPacket(*opened, reference)->size());  // checked at open
  *packetRef = reference;
  return S_OK;
}

HRESULT PacketObject::ReadTimedPacket(std::uint32_t packetRef, std::uint32_t size, BYTE* buffer) {
  OpenedRecording* opened = owner->Current();
  if (!opened) return E_UNEXPECTED;
  const std::vector<std::byte>* packet = TimedPacket(*opened, packetRef);
  if (!packet) return E_INVALIDARG;
  return CopyPacket(*packet, size, buffer);
}

HRESULT PacketObject::GetPacketSize(GUID kind, std::int32_t* size) {
  if (!size) return E_POINTER;
  OpenedRecording* opened = owner->Current();
  if (!opened) return E_UNEXPECTED;
  const std::vector<std::byte>* packet = RecordingWidePacket(*opened, kind);
  if (!packet) return E_INVALIDARG;
  *size = static_cast<std::int32_t>(packet->size());  // checked at open
  return S_OK;
}

HRESULT PacketObject::ReadPacket(GUID kind, std::int32_t size, BYTE* buffer) {
  OpenedRecording* opened = owner->Current();
  if (!opened) return E_UNEXPECTED;
  const std::vector<std::byte>* packet = RecordingWidePacket(*opened, kind);
  if (!packet) return E_INVALIDARG;
  if (size < 0) return kBufferTooSmall;
  return CopyPacket(*packet, static_cast<std::uint64_t>(size), buffer);
}

}  // namespace open_formats
