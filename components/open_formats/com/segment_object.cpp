#include "com/segment_object.h"

#include "model/window_rule.h"
#include "packets/time_conversion.h"

namespace open_formats {

const model::Segment* SegmentObject::SegmentAt(std::int32_t segment) {
  OpenedRecording* opened = owner->Current();
  if (!opened || segment < 0) return nullptr;
  const auto& segments = opened->Recording().segments;
  return static_cast<std::size_t>(segment) < segments.size() ? &segments[segment] : nullptr;
}

HRESULT SegmentObject::GetSegmentCount(std::int32_t* count) {
  if (!count) return E_POINTER;
  OpenedRecording* opened = owner->Current();
  if (!opened) return E_UNEXPECTED;
  *count = static_cast<std::int32_t>(opened->Recording().segments.size());  // checked at open
  return S_OK;
}

HRESULT SegmentObject::GetSegmentStart(std::int32_t segment, double* days, double* seconds) {
  if (!days || !seconds) return E_POINTER;
  if (!owner->Current()) return E_UNEXPECTED;
  const model::Segment* found = SegmentAt(segment);
  if (!found) return E_INVALIDARG;
  const DayTime time = ToDayTime(found->startTicks);
  *days = time.days;
  *seconds = time.seconds;
  return S_OK;
}

HRESULT SegmentObject::GetSegmentEnd(std::int32_t segment, double* days, double* seconds) {
  if (!days || !seconds) return E_POINTER;
  if (!owner->Current()) return E_UNEXPECTED;
  const model::Segment* found = SegmentAt(segment);
  if (!found) return E_INVALIDARG;
  // Callers check a window's duration against the seconds, rounded to a whole number, between
  // the `days` part of its start and of this end. Reporting the end at the next whole second
  // lets the whole segment pass that check (its start's `days` is the whole second at or
  // before it), and every window within the segment that starts on a whole second or ends at
  // least half a second before this end. A window that starts at a fraction of a second and
  // ends later than that may be refused: [9.6 s, 10 s) of a segment that ends at 10 s is.
  // Sample windows are still clamped at the true end.
  const DayTime time = ToDayTime(CeilToWholeSecond(found->startTicks + found->durationTicks));
  *days = time.days;
  *seconds = time.seconds;
  return S_OK;
}

HRESULT SegmentObject::GetSegmentDuration(std::int32_t segment, double* seconds) {
  if (!seconds) return E_POINTER;
  if (!owner->Current()) return E_UNEXPECTED;
  const model::Segment* found = SegmentAt(segment);
  if (!found) return E_INVALIDARG;
  *seconds = TicksToSeconds(found->durationTicks);
  return S_OK;
}

HRESULT SegmentObject::FindSegment(double days, double seconds, std::int32_t* segment,
                                   VARIANT_BOOL* found) {
  if (!segment || !found) return E_POINTER;
  OpenedRecording* opened = owner->Current();
  if (!opened) return E_UNEXPECTED;
  const auto index = model::LocateTime(opened->Recording(), model::DayNumberOf(days, seconds));
  *segment = index ? static_cast<std::int32_t>(index->segment) : -1;
  *found = index ? VARIANT_TRUE : VARIANT_FALSE;
  return S_OK;
}

HRESULT SegmentObject::SecondsToDate(double recordingSeconds, double* days, double* seconds) {
  if (!days || !seconds) return E_POINTER;
  OpenedRecording* opened = owner->Current();
  if (!opened) return E_UNEXPECTED;
  const auto ticks = SecondsToTicks(recordingSeconds);
  if (!ticks) return E_INVALIDARG;
  const DayTime time = ToDayTime(opened->Recording().originTicks + *ticks);
  // No time lies before day number 0 (1899-12-30 00:00): a negative day number would read as
  // the refusal value -1.0, or in the Automation date's own encoding of negative days.
  if (time.days < 0.0) return E_INVALIDARG;
  *days = time.days;
  *seconds = time.seconds;
  return S_OK;
}

}  // namespace open_formats
