#include "sample_formats.h"

#include "flac_decoder.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__GNUC__) && defined(__x86_64__)
#include <immintrin.h>
#define TAPLINE_WFDB_AVX2 1  // built for any x86-64, taken where the processor has AVX2
#endif

namespace wfdb {

namespace {

unsigned Byte(std::span<const std::byte> bytes, std::size_t i) {
  return i < bytes.size() ? static_cast<unsigned>(bytes[i]) : 0u;
}

std::int16_t SignExtend(unsigned value, int bits) {
  const unsigned sign = 1u << (bits - 1);
  const int extended = static_cast<int>(value ^ sign) - static_cast<int>(sign);
  return extended == -static_cast<int>(sign) ? kInvalidSample : static_cast<std::int16_t>(extended);
}

// The unit's samples, each `bits` wide and still unsigned.
void UnpackUnit(int format, std::span<const std::byte> bytes, std::size_t at, unsigned* samples) {
  switch (format) {
    case 212: {
      const unsigned middle = Byte(bytes, at + 1);
      samples[0] = Byte(bytes, at) | (middle & 0x0F) << 8;
      samples[1] = Byte(bytes, at + 2) | (middle & 0xF0) << 4;
      break;
    }
    case 310: {
      const unsigned a = Byte(bytes, at) | Byte(bytes, at + 1) << 8;
      const unsigned b = Byte(bytes, at + 2) | Byte(bytes, at + 3) << 8;
      samples[0] = (a >> 1) & 0x3FF;
      samples[1] = (b >> 1) & 0x3FF;
      samples[2] = (a >> 11 & 0x1F) | (b >> 11 & 0x1F) << 5;
      break;
    }
    case 311: {
      const unsigned word = Byte(bytes, at) | Byte(bytes, at + 1) << 8 | Byte(bytes, at + 2) << 16 |
                            Byte(bytes, at + 3) << 24;
      samples[0] = word & 0x3FF;
      samples[1] = word >> 10 & 0x3FF;
      samples[2] = word >> 20 & 0x3FF;
      break;
    }
    default:
      break;
  }
}

std::int16_t DecodeSingle(int format, std::span<const std::byte> bytes, std::size_t at) {
  switch (format) {
    case 8:
      // A difference: -128 is as valid as any other.
      return static_cast<std::int16_t>(static_cast<int>(Byte(bytes, at) ^ 0x80) - 0x80);
    case 16:
      return SignExtend(Byte(bytes, at) | Byte(bytes, at + 1) << 8, 16);
    case 61:
      return SignExtend(Byte(bytes, at) << 8 | Byte(bytes, at + 1), 16);
    case 80:
      return SignExtend(Byte(bytes, at) ^ 0x80, 8);
    case 160:
      return SignExtend((Byte(bytes, at) | Byte(bytes, at + 1) << 8) ^ 0x8000, 16);
    case 24:
    case 32: {
      const auto value = WideStoredValue(format, bytes, at);
      return value ? NarrowStored(*value, InvalidStoredValue(format)) : kInvalidSample;
    }
    default:
      return 0;
  }
}

#if defined(TAPLINE_WFDB_AVX2)
// Eight units (24 bytes) at a time, four in each 128-bit half, while 28 bytes are there to load;
// returns the units decoded. Each 16-bit lane takes its sample's unit bytes (b0, b1 for the
// first sample, b2, b1 for the second), then its 12 bits are moved to the top: the first's
// are the lane shifted up 4; the second's are b1's high nibble in place and b2 shifted up 4.
__attribute__((target("avx2"))) std::int64_t Decode212UnitsAvx2(const unsigned char* bytes,
                                                                std::int64_t units,
                                                                std::int16_t* out) {
  const __m256i lanesOfUnits = _mm256_broadcastsi128_si256(
      _mm_setr_epi8(0, 1, 2, 1, 3, 4, 5, 4, 6, 7, 8, 7, 9, 10, 11, 10));
  const __m256i shiftedBits = _mm256_set1_epi32(static_cast<std::int32_t>(0x0FF0FFFFu));
  const __m256i keptBits = _mm256_set1_epi32(static_cast<std::int32_t>(0xF0000000u));
  const __m256i invalid = _mm256_set1_epi16(static_cast<std::int16_t>(0x8000));
  const __m256i sevenEight = _mm256_set1_epi16(0x7800);  // -2048 without these bits is -32768
  std::int64_t u = 0;
  for (; u + 10 <= units; u += 8) {
    const auto* at = reinterpret_cast<const __m128i*>(bytes + 3 * u);
    const __m256i loaded = _mm256_inserti128_si256(
        _mm256_castsi128_si256(_mm_loadu_si128(at)),
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + 3 * u + 12)), 1);
    const __m256i lanes = _mm256_shuffle_epi8(loaded, lanesOfUnits);
    const __m256i top = _mm256_or_si256(_mm256_and_si256(_mm256_slli_epi16(lanes, 4), shiftedBits),
                                        _mm256_and_si256(lanes, keptBits));
    const __m256i invalidBits = _mm256_and_si256(_mm256_cmpeq_epi16(top, invalid), sevenEight);
    const __m256i values = _mm256_andnot_si256(invalidBits, _mm256_srai_epi16(top, 4));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 2 * u), values);
  }
  return u;
}
#endif

// Whole 212 units, two samples each.
void Decode212Units(const unsigned char* bytes, std::int64_t units, std::int16_t* out) {
  std::int64_t u = 0;
#if defined(TAPLINE_WFDB_AVX2)
  static const bool hasAvx2 = __builtin_cpu_supports("avx2");
  if (hasAvx2) u = Decode212UnitsAvx2(bytes, units, out);
#endif
#if defined(__SSE2__)
  // Four units (12 bytes) at a time from a 16-byte load, while 16 bytes are there to load.
  const __m128i unitBits = _mm_set1_epi32(0x00FF0FFF);    // the first sample, the second's low byte
  const __m128i highNibble = _mm_set1_epi32(0x0F000000);  // the second's high nibble, moved up
  const __m128i invalid = _mm_set1_epi16(static_cast<std::int16_t>(0x8000));
  const __m128i sevenEight = _mm_set1_epi16(0x7800);  // -2048 without these bits is -32768
  for (; u + 6 <= units; u += 4) {
    const __m128i bytes16 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + 3 * u));
    // Each 32-bit lane one unit's three bytes (and one byte of the next).
    const __m128i lanes = _mm_unpacklo_epi64(
        _mm_unpacklo_epi32(bytes16, _mm_srli_si128(bytes16, 3)),
        _mm_unpacklo_epi32(_mm_srli_si128(bytes16, 6), _mm_srli_si128(bytes16, 9)));
    // Each 16-bit lane one sample's 12 bits, at the top, then shifted down with its sign.
    const __m128i samples = _mm_or_si128(_mm_and_si128(lanes, unitBits),
                                         _mm_and_si128(_mm_slli_epi32(lanes, 12), highNibble));
    const __m128i top = _mm_slli_epi16(samples, 4);
    const __m128i invalidBits = _mm_and_si128(_mm_cmpeq_epi16(top, invalid), sevenEight);
    const __m128i values = _mm_andnot_si128(invalidBits, _mm_srai_epi16(top, 4));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * u), values);
  }
#endif
  for (const unsigned char* byte = bytes + 3 * u; u < units; ++u, byte += 3) {
    out[2 * u] = SignExtend(byte[0] | (byte[1] & 0x0Fu) << 8, 12);
    out[2 * u + 1] = SignExtend(byte[2] | (byte[1] & 0xF0u) << 4, 12);
  }
}

}  // namespace

std::optional<UnitShape> UnitOf(int format) {
  switch (format) {
    case 8:
    case 80:
      return UnitShape{1, 1};
    case 16:
    case 61:
    case 160:
      return UnitShape{1, 2};
    case 24:
      return UnitShape{1, 3};
    case 32:
      return UnitShape{1, 4};
    case 212:
      return UnitShape{2, 3};
    case 310:
    case 311:
      return UnitShape{3, 4};
    default:
      return std::nullopt;
  }
}

int FlacWidth(int format) {
  switch (format) {
    case 508:
      return 8;
    case 516:
      return 16;
    case 524:
      return 24;
    default:
      return 0;
  }
}

bool MayExceedSixteenBits(int format) { return format == 24 || format == 32 || format == 524; }

std::int64_t InvalidStoredValue(int format) {
  switch (format) {
    case 8:
    case 80:
    case 508:
      return -128;
    case 212:
      return -2048;
    case 310:
    case 311:
      return -512;
    case 24:
    case 524:
      return -(std::int64_t{1} << 23);
    case 32:
      return -(std::int64_t{1} << 31);
    default:
      return -32768;
  }
}

std::optional<std::string> WhyUnreadable(int format) {
  if (UnitOf(format)) return std::nullopt;
  if (FlacWidth(format) != 0) {
    if (HaveFlacDecoder()) return std::nullopt;
    return ": format " + std::to_string(format) + " needs the FLAC decoder, which this build lacks";
  }
  return " is in format " + std::to_string(format) + ", which is not a WFDB sample format";
}

std::optional<std::int64_t> WideStoredValue(int format, std::span<const std::byte> bytes, std::size_t at) {
  std::uint32_t word = Byte(bytes, at) | Byte(bytes, at + 1) << 8 | Byte(bytes, at + 2) << 16;
  if (format == 32) word |= static_cast<std::uint32_t>(Byte(bytes, at + 3)) << 24;
  const int bits = format == 32 ? 32 : 24;
  const std::int64_t sign = std::int64_t{1} << (bits - 1);
  const std::int64_t value = (static_cast<std::int64_t>(word) ^ sign) - sign;
  if (value == -sign) return std::nullopt;
  return value;
}

std::int64_t WholeSamplesIn(int format, std::int64_t bytes) {
  const auto unit = UnitOf(format);
  if (!unit || bytes <= 0) return 0;
  std::int64_t whole = bytes / unit->bytes * unit->samples;
  const std::int64_t rest = bytes % unit->bytes;
  // A unit cut short still holds its samples that lie wholly in the bytes it has: the first
  // of a 212 unit in 2 bytes, of a 310 unit in its first word, and of a 311 unit in 2 bytes
  // (bits 0-9), its second in 3 (bits 10-19).
  if ((format == 212 || format == 310 || format == 311) && rest >= 2) ++whole;
  if (format == 311 && rest == 3) ++whole;
  return whole;
}

void DecodeSamples(int format, std::span<const std::byte> units, int skip, std::int64_t count,
                   std::int16_t* out) {
  const auto unit = UnitOf(format);
  if (!unit || count <= 0) return;
  if (unit->samples == 1) {
    for (std::int64_t k = 0; k < count; ++k) {
      out[k] = DecodeSingle(format, units, static_cast<std::size_t>(k) * unit->bytes);
    }
    return;
  }
  const int bits = format == 212 ? 12 : 10;
  if (format == 212 && skip == 0) {
    // Whole units straight from their bytes: most of every read of a 212 file.
    const std::int64_t wholeUnits = std::min<std::int64_t>(count / 2, static_cast<std::int64_t>(units.size() / 3));
    const auto* octets = reinterpret_cast<const unsigned char*>(units.data());  // bytes as octets
    Decode212Units(octets, wholeUnits, out);
    units = units.subspan(static_cast<std::size_t>(wholeUnits * 3));
    out += wholeUnits * 2;
    count -= wholeUnits * 2;
  }
  unsigned samples[3] = {};
  std::size_t at = 0;
  int inUnit = skip;
  UnpackUnit(format, units, at, samples);
  for (std::int64_t k = 0; k < count; ++k) {
    if (inUnit == unit->samples) {
      at += unit->bytes;
      inUnit = 0;
      UnpackUnit(format, units, at, samples);
    }
    out[k] = SignExtend(samples[inUnit++], bits);
  }
}

}  // namespace wfdb
