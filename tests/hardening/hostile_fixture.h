// The library in front of a fake component that serves a whole recording (one segment, two
// channels with samples, the three packets, one event of a known type), so that every export
// has work to do before a hostile condition strikes.
#pragma once

#include "query_fixture.h"

namespace hardening {

inline constexpr fake::Time kSegmentStart{40000.0, 0.0};

class HostileTest : public apitest::QueryTest {
 protected:
  void ServeWholeRecording();
  // Every export but OpenEx and Close, each once, with buffers for the recording above; a
  // result outside the export's documented set is a test failure.
  void CallEveryQuery();
};

}  // namespace hardening
