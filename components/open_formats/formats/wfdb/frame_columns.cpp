#include "frame_columns.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace wfdb {

namespace {

void CopyColumn(const std::int16_t* frames, std::int64_t stride, std::int64_t firstFrame,
                std::int64_t frameCount, std::int16_t* column) {
  for (std::int64_t k = firstFrame; k < frameCount; ++k) column[k] = frames[k * stride];
}

#if defined(__SSE2__)
// Columns 0-7 of frames [0, frameCount - frameCount % 8), as 8 x 8 blocks turned over in
// registers.
void CopyEightColumns(const std::int16_t* frames, std::int64_t stride, std::int64_t frameCount,
                      std::int16_t* const* columns) {
  const auto load = [&](std::int64_t frame) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(frames + frame * stride));
  };
  for (std::int64_t k = 0; k + 8 <= frameCount; k += 8) {
    // rN: frame k + N, columns 0-7. Pairs, then quads, then eights of one column.
    const __m128i r0 = load(k), r1 = load(k + 1), r2 = load(k + 2), r3 = load(k + 3);
    const __m128i r4 = load(k + 4), r5 = load(k + 5), r6 = load(k + 6), r7 = load(k + 7);
    const __m128i p0 = _mm_unpacklo_epi16(r0, r1), p1 = _mm_unpacklo_epi16(r2, r3);
    const __m128i p2 = _mm_unpacklo_epi16(r4, r5), p3 = _mm_unpacklo_epi16(r6, r7);
    const __m128i p4 = _mm_unpackhi_epi16(r0, r1), p5 = _mm_unpackhi_epi16(r2, r3);
    const __m128i p6 = _mm_unpackhi_epi16(r4, r5), p7 = _mm_unpackhi_epi16(r6, r7);
    const __m128i q0 = _mm_unpacklo_epi32(p0, p1), q1 = _mm_unpacklo_epi32(p2, p3);
    const __m128i q2 = _mm_unpackhi_epi32(p0, p1), q3 = _mm_unpackhi_epi32(p2, p3);
    const __m128i q4 = _mm_unpacklo_epi32(p4, p5), q5 = _mm_unpacklo_epi32(p6, p7);
    const __m128i q6 = _mm_unpackhi_epi32(p4, p5), q7 = _mm_unpackhi_epi32(p6, p7);
    const __m128i columnSamples[8] = {_mm_unpacklo_epi64(q0, q1), _mm_unpackhi_epi64(q0, q1),
                                      _mm_unpacklo_epi64(q2, q3), _mm_unpackhi_epi64(q2, q3),
                                      _mm_unpacklo_epi64(q4, q5), _mm_unpackhi_epi64(q4, q5),
                                      _mm_unpacklo_epi64(q6, q7), _mm_unpackhi_epi64(q6, q7)};
    for (int c = 0; c < 8; ++c) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(columns[c] + k), columnSamples[c]);
    }
  }
}

// The same for columns 0-3.
void CopyFourColumns(const std::int16_t* frames, std::int64_t stride, std::int64_t frameCount,
                     std::int16_t* const* columns) {
  const auto load = [&](std::int64_t frame) {
    return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(frames + frame * stride));
  };
  for (std::int64_t k = 0; k + 8 <= frameCount; k += 8) {
    const __m128i p0 = _mm_unpacklo_epi16(load(k), load(k + 1));
    const __m128i p1 = _mm_unpacklo_epi16(load(k + 2), load(k + 3));
    const __m128i p2 = _mm_unpacklo_epi16(load(k + 4), load(k + 5));
    const __m128i p3 = _mm_unpacklo_epi16(load(k + 6), load(k + 7));
    // Columns 0 and 1 (2 and 3) of frames k to k + 3, then of frames k + 4 to k + 7.
    const __m128i q0 = _mm_unpacklo_epi32(p0, p1), q1 = _mm_unpackhi_epi32(p0, p1);
    const __m128i q2 = _mm_unpacklo_epi32(p2, p3), q3 = _mm_unpackhi_epi32(p2, p3);
    const __m128i columnSamples[4] = {_mm_unpacklo_epi64(q0, q2), _mm_unpackhi_epi64(q0, q2),
                                      _mm_unpacklo_epi64(q1, q3), _mm_unpackhi_epi64(q1, q3)};
    for (int c = 0; c < 4; ++c) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(columns[c] + k), columnSamples[c]);
    }
  }
}
#endif

}  // namespace

void CopyFrameColumns(const std::int16_t* frames, std::int64_t stride, std::int64_t frameCount,
                      std::int16_t* const* columns, std::int64_t columnCount) {
  std::int64_t copied = 0;  // frames of every column
#if defined(__SSE2__)
  if (columnCount >= 4) {
    // Eight columns at a time, then four; the last four overlap those before when fewer are
    // left.
    std::int64_t first = 0;
    for (; first + 8 <= columnCount; first += 8) {
      CopyEightColumns(frames + first, stride, frameCount, columns + first);
    }
    for (; first < columnCount; first += 4) {
      const std::int64_t block = std::min(first, columnCount - 4);
      CopyFourColumns(frames + block, stride, frameCount, columns + block);
    }
    copied = frameCount - frameCount % 8;
  }
#endif
  for (std::int64_t c = 0; c < columnCount; ++c) {
    CopyColumn(frames + c, stride, copied, frameCount, columns[c]);
  }
}

}  // namespace wfdb
