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
  std::map<int, CodeLabel> modifiedLabels;  // from modification-label notes

  // The file's label for a code: its modification label, else the standard one.
  CodeLabel LabelOf(int code) const;
};

// Decodes a whole file. Refuses, saying where, anything that does not parse completely: an odd
// length, a word of code 0 that is not the end, a skip or text running past the end, a time
// before the record's start, or no end word (only zero bytes may follow it).
Result<AnnotationFile> DecodeMitAnnotations(std::span<const std::byte> bytes);

}  // namespace wfdb
