// GetChannelCount, GetChannelInf, GetChannelValue and GetSegmentInf: what the segment's TsInfo
// packet and its sample block say about each channel.
#include <algorithm>
#include <vector>

#include "api/export_text.h"
#include "api/exports.h"
#include "packets/sensor_info_packet.h"
#include "packets/ts_info_packet.h"
#include "tapline_ext.h"

extern "C" TAPLINE_API int TAPLINE_CALL GetChannelCount(int segment) {
  return api::GuardExport(0, [&] {
    packets::TsInfoPacket tsInfo;
    if (!api::readerContext.ReadTsInfo(tsInfo, segment)) {
      return static_cast<int>(api::ReportPacketFailure(api::diagnosticStream, OLESTR("TsInfo")));
    }
    return tsInfo.GetEntryCount();
  });
}

extern "C" TAPLINE_API int TAPLINE_CALL GetChannelInf(int segment, int channel, char* name) {
  return api::GuardExport(0, [&] {
    packets::TsInfoPacket tsInfo;
    if (!api::readerContext.ReadTsInfo(tsInfo, segment)) {
      return static_cast<int>(api::ReportPacketFailure(api::diagnosticStream, OLESTR("TsInfo")));
    }
    // A channel outside the table has no name to read; the host learns it from the 0 alone.
    const std::optional<packets::PacketText> channelName = tsInfo.ChannelName(channel);
    if (!channelName) return 0;
    api::ExportText(*channelName, name);
    return 1;
  });
}

extern "C" TAPLINE_API int TAPLINE_CALL GetChannelValue(int segment, int channel, double* value) {
  return api::GuardExport(0, [&] {
    if (value == nullptr || segment < 0 || segment >= api::readerContext.SegmentCount()) return 0;
    packets::TsInfoPacket tsInfo;
    if (!api::readerContext.ReadTsInfo(tsInfo, segment)) return 0;
    const std::optional<double> channelValue = tsInfo.ChannelValue(channel);
    if (!channelValue) return 0;
    *value = *channelValue;
    return 1;
  });
}

extern "C" TAPLINE_API int TAPLINE_CALL GetSegmentInf(int segment, double* values, int* sampleCounts) {
  return api::GuardExport(0, [&] {
    api::ReaderContext& context = api::readerContext;
    // Its content is not needed, but a recording without it is not one the library can serve.
    packets::SensorInfoPacket sensorInfo;
    if (!context.ReadSensorInfo(sensorInfo)) {
      return static_cast<int>(api::ReportPacketFailure(api::diagnosticStream, OLESTR("SensorInfo")));
    }
    packets::TsInfoPacket tsInfo;
    if (!context.ReadTsInfo(tsInfo, segment)) {
      return static_cast<int>(api::ReportPacketFailure(api::diagnosticStream, OLESTR("TsInfo")));
    }
    const std::int32_t channelCount = tsInfo.GetEntryCount();
    for (std::int32_t i = 0; i < channelCount; ++i) values[i] = tsInfo.ChannelValue(i).value_or(0.0);

    // The counts are those of the whole segment as GetData lays it out, so that they size
    // GetData's buffer exactly; a segment too long for one read still has them.
    const double duration = context.SegmentDuration(segment);
    const api::RecordingTime start = context.SegmentStart(segment);
    std::vector<std::int32_t> counts;
    if (!context.ReadSampleCounts(start, duration, counts)) {
      return static_cast<int>(api::ReportPacketFailure(api::diagnosticStream, OLESTR("GetData")));
    }
    std::copy(counts.begin(), counts.end(), sampleCounts);
    return 1;
  });
}
