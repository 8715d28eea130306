// GetData and GetData2: the samples of a whole segment or of a window, channel after channel.
#include <limits>

#include "api/exports.h"
#include "api/sample_copy.h"
#include "packets/sample_block_packet.h"

namespace {

int ReadWindowInto(api::RecordingTime start, double duration, short* samples) {
  packets::SampleBlockPacket block;
  if (!api::readerContext.ReadSampleWindow(start, duration, block)) {
    return api::ReportPacketFailure(api::diagnosticStream, OLESTR("GetData"));
  }
  api::CopyChannelSamples(block, samples);
  return 1;
}

}  // namespace

extern "C" TAPLINE_API int TAPLINE_CALL GetData(int segment, short* samples) {
  return api::GuardExport(0, [&] {
    // Duration first, then start: the component sees the calls in this order.
    const double duration = api::readerContext.SegmentDuration(segment);
    const api::RecordingTime start = api::readerContext.SegmentStart(segment);
    return ReadWindowInto(start, duration, samples);
  });
}

extern "C" TAPLINE_API int TAPLINE_CALL GetData2(double startDate, double duration, short* samples) {
  // A host's negative duration is no window: the window check refuses it as it refuses NaN. A
  // component's own segment duration, which GetData passes, goes to the check unchanged.
  const double window = duration < 0.0 ? std::numeric_limits<double>::quiet_NaN() : duration;
  return api::GuardExport(0, [&] { return ReadWindowInto({startDate, 0.0}, window, samples); });
}
