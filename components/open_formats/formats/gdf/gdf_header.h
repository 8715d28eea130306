// The GDF header, versions 1.x and 2.x: 256 fixed bytes, then 256 bytes per channel stored
// field by field (all labels, then all transducers, ...), then in 2.x the tagged fields up to
// the header's length. Every field is checked here; nothing later re-reads the header's bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "common/result.h"
#include "data_types.h"

namespace gdf {

inline constexpr std::size_t kFixedHeaderBytes = 256;
inline constexpr std::size_t kHeaderBytesPerChannel = 256;
// The number of data records, which writers of a growing recording update as they append.
inline constexpr std::size_t kRecordCountOffset = 236;
inline constexpr std::size_t kRecordCountWidth = 8;
// The newest version whose layout this reader knows; later 2.x versions are read as it.
inline constexpr int kNewestKnownVersion = 251;
// From this version on the record duration is a float64 of seconds.
inline constexpr int kFirstVersionWithRealDuration = 221;

struct FixedHeader {
  int version = 0;              // 125 for "GDF 1.25", 251 for "GDF 2.51"
  std::string patient;          // bytes as written, trailing spaces and NULs removed
  std::string recording;        // the same
  std::int64_t startTicks = 0;  // since 1899-12-30 00:00; 0 when the file gives no date
  std::int64_t headerBytes = 0;
  std::int64_t declaredRecordCount = 0;  // -1: unknown
  // A record lasts numerator / denominator seconds: the header's two uint32 before 2.21, from
  // 2.21 on the closest fraction to its float64 (BioSig's reading of those versions).
  std::int64_t durationNumerator = 0;
  std::int64_t durationDenominator = 1;
  std::int64_t channelCount = 0;
  std::vector<std::string> warnings;

  bool IsVersion2() const { return version >= 200; }
};

struct ChannelHeader {
  // Texts as the header's bytes with trailing spaces and NULs removed.
  std::string label;
  std::string transducer;
  std::string physicalDimension;    // 1.x's 8 bytes, 2.x's 6 (which 2.x leaves to the code)
  std::uint16_t dimensionCode = 0;  // 2.x only; 0: none
  std::string prefiltering;
  double physicalMinimum = 0.0;
  double physicalMaximum = 0.0;
  double digitalMinimum = 0.0;
  double digitalMaximum = 0.0;
  std::int64_t samplesPerRecord = 0;
  DataType type;
  std::int64_t offsetInRecord = 0;  // bytes from the data record's start
};

struct Header {
  FixedHeader fixed;
  std::vector<ChannelHeader> channels;
  std::int64_t recordBytes = 0;
  // 2.x's tagged field 1: the texts of the codes the file's writer chose, code k's at index k
  // (index 0, no code's, is empty).
  std::vector<std::string> eventDescriptions;
  std::vector<std::string> warnings;
};

// The first 256 bytes; refuses with the reason when a field is malformed.
common::Result<FixedHeader> ParseFixedHeader(std::span<const std::byte> bytes);

// The channel fields and (2.x) the tagged fields that follow the fixed header, `bytes` being
// the header's bytes after the first 256, headerBytes - 256 of them.
common::Result<Header> ParseChannelHeaders(const FixedHeader& fixed,
                                           std::span<const std::byte> bytes);

}  // namespace gdf
