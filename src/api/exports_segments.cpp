// GetSegment, GetSegmentTime and RecSecToDate: segments and dates as the host sees them.
#include "api/exports.h"

extern "C" TAPLINE_API int TAPLINE_CALL GetSegment(double date) {
  return api::GuardExport(-1, [&] { return api::readerContext.SegmentAt({date, 0.0}); });
}

extern "C" TAPLINE_API int TAPLINE_CALL GetSegmentTime(double* durations, double* starts) {
  return api::GuardExport(1, [&] {
    api::ReaderContext& context = api::readerContext;
    // The count is asked anew before each segment, so a count that drops while the segments are
    // read stops the loop at the component's current answer.
    for (std::int32_t i = 0; i < context.SegmentCount(); ++i) {
      durations[i] = context.SegmentDuration(i);
      starts[i] = context.SegmentStart(i).InDays();
    }
    return 1;
  });
}

extern "C" TAPLINE_API int TAPLINE_CALL RecSecToDate(double recordingSeconds, double* date) {
  return api::GuardExport(1, [&] {
    // Preset, so that a refused conversion gives the host -1.0 instead of an arbitrary value.
    api::RecordingTime time = api::kEmptyTime;
    api::readerContext.ConvertRecordingSeconds(recordingSeconds, time);
    *date = time.days;
    return 1;
  });
}
