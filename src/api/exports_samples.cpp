// GetData and GetData2: the samples of a whole segment or of a window, channel after channel.
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
  return api::GuardExport(0, [&] { return ReadWindowInto({startDate, 0.0}, duration, samples); });
}
