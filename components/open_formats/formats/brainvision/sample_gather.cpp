#include "sample_gather.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define TAPLINE_GATHER_SSE2 1
#endif

namespace brainvision {

namespace {

constexpr std::size_t kTogether = 8;

// The frames [a, b) of both the block and the read; empty when they do not meet.
struct FrameRange {
  std::int64_t a = 0;
  std::int64_t b = 0;
};

FrameRange Overlap(std::int64_t from, std::int64_t to, const model::ChannelRead& read) {
  return {std::max(from, read.first), std::min(to, read.first + read.count)};
}

void GatherOne(const std::byte* frames, std::int64_t frameBytes, std::int64_t from,
               FrameRange range, const model::ChannelRead& read) {
  const std::byte* source =
      frames + (range.a - from) * frameBytes + 2 * static_cast<std::int64_t>(read.channel);
  std::byte* destination = read.destination + (range.a - read.first) * 2;
  for (std::int64_t k = range.a; k < range.b; ++k) {
    std::memcpy(destination, source, 2);  // a 16-bit sample, byte for byte
    destination += 2;
    source += frameBytes;
  }
}

// Whether reads[0..8) are channels c, c + 1, ..., c + 7 over one range.
bool EightAlike(std::span<const model::ChannelRead> reads) {
  for (std::size_t i = 1; i < kTogether; ++i) {
    if (reads[i].channel != reads[0].channel + i || reads[i].first != reads[0].first ||
        reads[i].count != reads[0].count) {
      return false;
    }
  }
  return true;
}

// Eight channels' samples, eight frames at a time: the 8 x 8 samples are transposed in
// registers, so that each channel's eight samples leave in one store.
void GatherEight(const std::byte* frames, std::int64_t frameBytes, std::int64_t from,
                 FrameRange range, std::span<const model::ChannelRead> reads) {
  std::int64_t k = range.a;
#ifdef TAPLINE_GATHER_SSE2
  const std::byte* source =
      frames + (range.a - from) * frameBytes + 2 * static_cast<std::int64_t>(reads[0].channel);
  std::byte* destination[kTogether];
  for (std::size_t i = 0; i < kTogether; ++i)
    destination[i] = reads[i].destination + (range.a - reads[i].first) * 2;
  for (; range.b - k >= 8; k += 8) {
    // Row f: frame k + f's samples of the eight channels (unaligned loads and stores).
    __m128i row[8];
    for (int f = 0; f < 8; ++f) {
      row[f] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + f * frameBytes));
    }
    const __m128i t0 = _mm_unpacklo_epi16(row[0], row[1]);
    const __m128i t1 = _mm_unpackhi_epi16(row[0], row[1]);
    const __m128i t2 = _mm_unpacklo_epi16(row[2], row[3]);
    const __m128i t3 = _mm_unpackhi_epi16(row[2], row[3]);
    const __m128i t4 = _mm_unpacklo_epi16(row[4], row[5]);
    const __m128i t5 = _mm_unpackhi_epi16(row[4], row[5]);
    const __m128i t6 = _mm_unpacklo_epi16(row[6], row[7]);
    const __m128i t7 = _mm_unpackhi_epi16(row[6], row[7]);
    const __m128i u0 = _mm_unpacklo_epi32(t0, t2);
    const __m128i u1 = _mm_unpackhi_epi32(t0, t2);
    const __m128i u2 = _mm_unpacklo_epi32(t1, t3);
    const __m128i u3 = _mm_unpackhi_epi32(t1, t3);
    const __m128i u4 = _mm_unpacklo_epi32(t4, t6);
    const __m128i u5 = _mm_unpackhi_epi32(t4, t6);
    const __m128i u6 = _mm_unpacklo_epi32(t5, t7);
    const __m128i u7 = _mm_unpackhi_epi32(t5, t7);
    const __m128i column[8] = {_mm_unpacklo_epi64(u0, u4), _mm_unpackhi_epi64(u0, u4),
                               _mm_unpacklo_epi64(u1, u5), _mm_unpackhi_epi64(u1, u5),
                               _mm_unpacklo_epi64(u2, u6), _mm_unpackhi_epi64(u2, u6),
                               _mm_unpacklo_epi64(u3, u7), _mm_unpackhi_epi64(u3, u7)};
    for (std::size_t i = 0; i < kTogether; ++i) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(destination[i]), column[i]);
      destination[i] += 16;
    }
    source += 8 * frameBytes;
  }
#endif
  // The frames left over (all of them without the vector path), one channel at a time.
  for (const model::ChannelRead& read : reads)
    GatherOne(frames, frameBytes, from, {k, range.b}, read);
}

}  // namespace

void GatherSamples(const std::byte* frames, std::int64_t frameBytes, std::int64_t from,
                   std::int64_t to, std::span<const model::ChannelRead> reads) {
  for (std::size_t i = 0; i < reads.size();) {
    const FrameRange range = Overlap(from, to, reads[i]);
    if (reads.size() - i >= kTogether && EightAlike(reads.subspan(i, kTogether))) {
      if (range.a < range.b)
        GatherEight(frames, frameBytes, from, range, reads.subspan(i, kTogether));
      i += kTogether;
    } else {
      if (range.a < range.b) GatherOne(frames, frameBytes, from, range, reads[i]);
      ++i;
    }
  }
}

}  // namespace brainvision
