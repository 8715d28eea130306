// MIT-format annotation files: 16-bit little-endian words, each a 6-bit code over a 10-bit
// time increment, with pseudo-codes for long skips, the num, subtype and channel fields, and
// auxiliary texts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "annotation_codes.h"
#include "common/result.h"
#include "decimal_text.h"

namespace wfdb {

using common::Result;

struct Annotation {
  std::int64_t ticks = 0;  // from the record's start, at the file's tick rate
  int code = 0;            // 1..58
  int subtype = 0;
  int channel = 0;
  int number = 0;
  std::string aux;  // UTF-8 (Latin-1 text converted); empty when there is none
};

struct AnnotationFile {
  std::vector<Annotation> annotations;  // in file order, metadata notes left out
  // From a "## time resolution: X" note; the record's frame rate when absent.
  std::optional<ExactRate> ticksPerSecond;
  // From a table of annotation type definitions ("## annotation type definitions", notes
  // "15 c calibration pulse", "## end of definitions") and from modification-label notes.
  std::map<int, CodeLabel> modifiedLabels;
  // Why decoding stopped before the end word, saying at which byte; empty when it did not.
  std::string stopped;

  // The file's label for a code: its modification label, else the standard one.
  CodeLabel LabelOf(int code) const;
};

// Decodes a file as far as it parses: up to the end word, after which only zero bytes may
// follow. Where it stops earlier (a file cut short inside a word, a skip or a text, no end
// word, a field word before any annotation, an annotation before the record's start, bytes
// after the end word), the annotations before are kept and `stopped` says why and where; when
// there are none, the file is refused with that reason. A word of code 0 with a time
// increment (NOTQRS, how writers place a null annotation) moves the time and is no annotation.
Result<AnnotationFile> DecodeMitAnnotations(std::span<const std::byte> bytes);

}  // namespace wfdb
