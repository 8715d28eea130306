// The EDF header: 256 fixed bytes, then 256 bytes per signal stored field by field (all labels,
// then all transducers, ...). Every field is checked here; nothing later re-parses text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "common/result.h"

namespace edf {

inline constexpr std::size_t kFixedHeaderBytes = 256;
inline constexpr std::size_t kHeaderBytesPerSignal = 256;
// The number of data records, which writers of a growing recording update as they append.
inline constexpr std::size_t kRecordCountOffset = 236;
inline constexpr std::size_t kRecordCountWidth = 8;

enum class FileVariant { Edf, EdfPlusContinuous, EdfPlusDiscontinuous };

struct FixedHeader {
  FileVariant variant = FileVariant::Edf;
  std::string patient;    // Latin-1, trailing spaces and NULs removed
  std::string recording;  // Latin-1, trailing spaces and NULs removed
  std::int64_t startSecond = 0;  // whole seconds since 1899-12-30 00:00
  std::int64_t headerBytes = 0;
  std::int64_t declaredRecordCount = 0;  // -1: unknown, count the complete records
  std::int64_t recordDurationTicks = 0;
  std::int32_t signalCount = 0;
};

struct SignalHeader {
  // Texts as the header's bytes with trailing spaces and NULs removed.
  std::string label;
  std::string transducer;
  std::string physicalDimension;
  std::string prefiltering;
  double physicalMinimum = 0.0;
  double physicalMaximum = 0.0;
  std::int32_t digitalMinimum = 0;
  std::int32_t digitalMaximum = 0;
  std::int32_t samplesPerRecord = 0;
  bool isAnnotation = false;     // labelled "EDF Annotations"
  std::int64_t offsetInRecord = 0;  // bytes from the data record's start
};

struct Header {
  FixedHeader fixed;
  std::vector<SignalHeader> signals;
  std::int64_t recordBytes = 0;
  // What the header holds that a reader could refuse but this one reads anyway (a digital
  // minimum above the maximum), each a sentence for the user.
  std::vector<std::string> warnings;
};

// The first 256 bytes; refuses with the reason when a field is malformed.
common::Result<FixedHeader> ParseFixedHeader(std::span<const std::byte> bytes);

// The signal fields that follow, `bytes` being exactly 256 x signalCount bytes long.
common::Result<Header> ParseSignalHeaders(const FixedHeader& fixed,
                                          std::span<const std::byte> bytes);

}  // namespace edf
