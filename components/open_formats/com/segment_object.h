// The segments and times of StorageMan's open recording. Every method answers E_UNEXPECTED
// without writing anything when no recording is open, and E_INVALIDARG (nothing written) for
// a segment index or time outside the recording or a null out-pointer.
#pragma once

#include "com/storage_man_part.h"
#include "reader/reader_interfaces.h"

namespace open_formats {

class SegmentObject final : public StorageManPart<SegmentObject, reader::SegmentInterface> {
 public:
  using StorageManPart::StorageManPart;

  COMPONENT_UNUSED_SLOT(Unused3)
  COMPONENT_UNUSED_SLOT(Unused4)
  COMPONENT_UNUSED_SLOT(Unused5)
  COMPONENT_UNUSED_SLOT(Unused6)
  HRESULT STDMETHODCALLTYPE GetSegmentCount(std::int32_t* count) override;
  COMPONENT_UNUSED_SLOT(Unused8)
  COMPONENT_UNUSED_SLOT(Unused9)
  HRESULT STDMETHODCALLTYPE GetSegmentStart(std::int32_t segment, double* days,
                                            double* seconds) override;
  // The start plus the duration.
  HRESULT STDMETHODCALLTYPE GetSegmentEnd(std::int32_t segment, double* days,
                                          double* seconds) override;
  HRESULT STDMETHODCALLTYPE GetSegmentDuration(std::int32_t segment, double* seconds) override;
  // found is VARIANT_TRUE for the segment that holds the time by the window rule (its start
  // and end both the window shift earlier, see window_rule.h); else VARIANT_FALSE and segment
  // -1 (S_OK both ways).
  HRESULT STDMETHODCALLTYPE FindSegment(double days, double seconds, std::int32_t* segment,
                                        VARIANT_BOOL* found) override;
  COMPONENT_UNUSED_SLOT(Unused14)
  COMPONENT_UNUSED_SLOT(Unused15)
  COMPONENT_UNUSED_SLOT(Unused16)
  COMPONENT_UNUSED_SLOT(Unused17)
  // Seconds from the recording's origin (EDF: the header's start time), whatever segments
  // there are.
  HRESULT STDMETHODCALLTYPE SecondsToDate(double recordingSeconds, double* days,
                                          double* seconds) override;

 private:
  // The open recording's segment, or null.
  const model::Segment* SegmentAt(std::int32_t segment);
};

}  // namespace open_formats
