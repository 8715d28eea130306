// What the library asks of a reader component, asked of the open-formats component for a
// recording a fuzz target wrote from its input: open, every segment, TsInfo, SensorInfo and the
// event type table, every event record, sample windows of the whole segment, of a relative and
// of an arbitrary start and duration, sample blocks one byte short and with a wrong count.
//
// Besides the sanitizers, the queries check what the library relies on: every packet fits the
// size the component announced for it, a sample read writes only inside the block it is given,
// and an event record is readable over its whole declared size and label field. A broken
// promise aborts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "fuzz_input.h"

namespace tapline_fuzz {

// The plan of the queries: the first kPlanBytes of every component target's input.
inline constexpr std::size_t kPlanBytes = 40;

struct QueryPlan {
  std::uint8_t segment;     // which segment the relative window starts in
  std::int32_t offsetMs;    // the relative window's start after that segment's start
  std::int32_t durationMs;  // its duration
  double rawDays;           // a window of any values at all
  double rawSeconds;
  double rawDuration;
  std::int32_t blockShortfall;  // bytes the hostile block size lacks (or has in excess)
  std::uint8_t cutAt;           // 0: the files stay; else each is cut to cutAt/256 of its size
  std::uint16_t windowSeed;     // places a few windows at the starts a host would compute
};

QueryPlan TakePlan(FuzzInput& input);

// How a target cuts its files short while the recording is open (as another program might):
// `shorten` cuts each file to fraction/256 of its size and says whether any became shorter.
// With `readsFail`, every later read that needs a sample must fail; a format that gives
// samples its files never held (WFDB's invalid value past a file's end) cannot promise that.
struct FileCut {
  std::function<bool(std::uint8_t fraction)> shorten;
  bool readsFail = true;
};

// Opens the recording at the (ASCII) path through the component's StorageMan and, when it
// opens, runs every query of the plan, then the reads after the cut the plan asks for.
void OpenAndQuery(const std::string& path, const QueryPlan& plan, const FileCut& cut);

[[noreturn]] void Fail(const char* what);

}  // namespace tapline_fuzz
