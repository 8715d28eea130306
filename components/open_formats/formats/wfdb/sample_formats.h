// The sample formats of WFDB signal files, decoded into 16-bit stored values. A file's samples
// form one stream (frame after frame, in each frame every signal's samples in header order);
// the packed formats put two or three consecutive samples of that stream into one unit of
// bytes, whatever the frame boundaries.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace wfdb {

// What every format's "invalid sample" becomes.
inline constexpr std::int16_t kInvalidSample = -32768;

struct UnitShape {
  int samples = 1;  // consecutive samples of the stream in one unit
  int bytes = 1;
};

// The unit of a format this reader decodes (8, 16, 61, 80, 160, 212, 310, 311); nullopt for
// any other.
std::optional<UnitShape> UnitOf(int format);

// Why the format cannot be read, for a sentence "signal N is in format F, ..."; nullopt for the
// formats UnitOf knows.
std::optional<std::string> WhyUnreadable(int format);

// The samples a file of `bytes` bytes holds completely. Formats 212, 310 and 311 may end in a
// part of a unit that still holds its first samples whole.
std::int64_t WholeSamplesIn(int format, std::int64_t bytes);

// Decodes `count` samples starting with sample `skip` of the first unit in `units`, which must
// hold all of them, or end within a unit whose remaining bytes read as zero. Each format's
// invalid value becomes kInvalidSample. Format 8 gives its 8-bit differences, which the caller
// sums.
void DecodeSamples(int format, std::span<const std::byte> units, int skip, std::int64_t count,
                   std::int16_t* out);

}  // namespace wfdb
