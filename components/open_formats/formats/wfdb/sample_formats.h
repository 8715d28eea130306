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

// The unit of a format of fixed-size units (8, 16, 24, 32, 61, 80, 160, 212, 310, 311);
// nullopt for any other.
std::optional<UnitShape> UnitOf(int format);

// FLAC-compressed signal files: 508, 516 and 524, of 8, 16 and 24 bits; 0 for other formats.
int FlacWidth(int format);

// Formats whose stored values may not fit 16 bits: 24, 32 and 524.
bool MayExceedSixteenBits(int format);

// The most negative value of the format's width, its invalid sample.
std::int64_t InvalidStoredValue(int format);

// Why the format cannot be read, to follow a signal's name ("signal 2 is in format 99, which
// ..."); nullopt for the formats this build reads.
std::optional<std::string> WhyUnreadable(int format);

// A stored value of a format wider than 16 bits as a 16-bit one: its invalid value, and a value
// beyond 16 bits (a file changed since its range was checked), read as kInvalidSample.
inline std::int16_t NarrowStored(std::int64_t value, std::int64_t invalid) {
  return value == invalid || value < -32767 || value > 32767 ? kInvalidSample : static_cast<std::int16_t>(value);
}

// The stored value of a format-24 or format-32 sample at byte `at` (which must hold all of
// it); nullopt for the invalid value.
std::optional<std::int64_t> WideStoredValue(int format, std::span<const std::byte> bytes, std::size_t at);

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
