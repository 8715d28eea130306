// Per-channel statistics of a whole segment, read window by window through GetData2 so that
// the working memory stays the same whatever the segment's length: a segment too long for
// one GetData (its block would reach 4 GiB) is summarised like any other.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "recording_queries.h"
#include "recording_report.h"
#include "tapline_library.h"
#include "window_layout.h"

namespace tapline_info {

// Samples of a window buffer: 16 MiB.
constexpr std::int64_t kWindowBufferSamples = std::int64_t{8} << 20;

// The segment's start (GetSegmentTime's day number) and duration in seconds.
struct SegmentSpan {
  double startDay = 0.0;
  double seconds = 0.0;
  std::int64_t shiftTicks = kBaseShiftTicks;  // the recording's (WindowShiftTicks)
};

// One summary per channel, each over every sample of the segment exactly once. Windows are
// sized so that one window's samples fit bufferSamples (but last at least a second); a segment
// shorter than half a second, which no window the library accepts can cover, is read with
// GetData instead (it holds fewer samples than a second's window). progress receives the
// fraction done after each window. In ValueScale::Physical a channel's missing samples are
// counted apart (SampleSummary::missing). nullopt when the library refuses a read (it has reported it) or the
// windows cannot be laid out.
std::optional<std::vector<SampleSummary>> SummarizeSegment(
    const TaplineLibrary& library, int segment, const SegmentSpan& span,
    const SegmentChannels& channels, ValueScale scale, std::int64_t bufferSamples,
    const std::function<void(double)>& progress);

}  // namespace tapline_info
