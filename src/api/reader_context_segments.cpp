// The segment and time operations of ReaderContext. Each obtains its own segment interface and
// releases it before it returns; the component's status is ignored except where noted, and
// every out-value is preset so that a component that writes nothing leaves a defined answer.
#include "api/component_interfaces.h"
#include "api/reader_context.h"

namespace api {

double ReaderContext::SegmentDuration(std::int32_t index) {
  const ComPtr<reader::SegmentInterface> segments = ObtainSegmentInterface(storageMan.get());
  if (!segments) return 0.0;
  double duration = 0.0;
  segments->GetSegmentDuration(index, &duration);
  return duration;
}

RecordingTime ReaderContext::SegmentStart(std::int32_t index) {
  RecordingTime start = kEmptyTime;
  const ComPtr<reader::SegmentInterface> segments = ObtainSegmentInterface(storageMan.get());
  if (segments) segments->GetSegmentStart(index, &start.days, &start.seconds);
  return start;
}

RecordingTime ReaderContext::SegmentEnd(std::int32_t index) {
  RecordingTime end = kEmptyTime;
  const ComPtr<reader::SegmentInterface> segments = ObtainSegmentInterface(storageMan.get());
  if (segments) segments->GetSegmentEnd(index, &end.days, &end.seconds);
  return end;
}

std::int32_t ReaderContext::SegmentAt(RecordingTime time) {
  const ComPtr<reader::SegmentInterface> segments = ObtainSegmentInterface(storageMan.get());
  if (!segments) return -1;
  std::int32_t index = 0;
  // Preset to "not found": a component that leaves it unwritten must not make up a segment.
  VARIANT_BOOL found = VARIANT_FALSE;
  segments->FindSegment(time.days, time.seconds, &index, &found);
  return found != VARIANT_FALSE ? index : -1;
}

bool ReaderContext::ConvertRecordingSeconds(double seconds, RecordingTime& time) {
  const ComPtr<reader::SegmentInterface> segments = ObtainSegmentInterface(storageMan.get());
  if (!segments) return false;
  // Only S_OK means converted: S_FALSE and other success codes leave `time` unreliable.
  return segments->SecondsToDate(seconds, &time.days, &time.seconds) == S_OK;
}

bool ReaderContext::WindowFitsSegment(RecordingTime start, double duration) {
  const ComPtr<reader::SegmentInterface> segments = ObtainSegmentInterface(storageMan.get());
  if (!segments) return false;
  std::int32_t index = 0;
  VARIANT_BOOL found = VARIANT_FALSE;
  segments->FindSegment(start.days, start.seconds, &index, &found);
  if (found == VARIANT_FALSE) return false;
  // Only the day numbers take part: the component keeps whole seconds there, and the seconds
  // members would let a window end a fraction past its segment.
  const RecordingTime end = SegmentEnd(index);
  // A negative duration is no window, like NaN: both compare false.
  return duration >= 0.0 && duration <= WholeSecondsBetween(start.days, end.days);
}

}  // namespace api
