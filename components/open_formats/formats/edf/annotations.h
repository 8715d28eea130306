// Time-stamped annotation lists (TALs) of an "EDF Annotations" signal:
//   +onset [0x15 duration] 0x14 text 0x14 [text 0x14 ...] 0x00
// several per data record, unused bytes 0x00. The first TAL of the first annotation signal of
// every data record keeps time: its first text is empty and its onset is the record's start.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "common/result.h"

namespace edf {

struct Annotation {
  std::int64_t onsetTicks = 0;     // from the header's start second
  std::int64_t durationTicks = 0;  // 0 when the TAL gives none
  std::string text;                // UTF-8 as written (may hold line feeds and tabs)
};

struct RecordAnnotations {
  std::optional<std::int64_t> timeKeepingOnsetTicks;
  std::vector<Annotation> annotations;  // in the order written, time keeping excluded
};

// Parses one annotation signal's bytes of one data record. With `keepsTime`, the first TAL must
// be the time-keeping one. Refuses, with the reason, a TAL that is malformed or unterminated.
common::Result<RecordAnnotations> ParseAnnotationBytes(std::span<const std::byte> bytes,
                                                       bool keepsTime);

}  // namespace edf
