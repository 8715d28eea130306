"""The reader component's window rule in its 100-ns ticks: which samples of each channel a
window holds (window_ticks, samples_before, window_ranges), the shift M (window_shift_ticks),
a buffer's bound (window_capacity), exact rates (exact_rate) and a segment's sample count."""

from __future__ import annotations

import math
from fractions import Fraction
from typing import Sequence

# The reader component counts time in ticks of 100 ns.
TICKS_PER_SECOND = 10_000_000
TICKS_PER_DAY = 864000000000.0
# Window bounds sit this many ticks (1 us) before the window's times in a recording that ends
# before day number 65535 (2079-06-04); later, where day numbers are coarser, more.
WINDOW_SHIFT_TICKS = 10


def window_capacity(rate: float | Fraction, duration: float) -> int:
    """Samples of one channel that a window of `duration` seconds can hold at most: the bound
    by which a host sizes GetData2's buffer."""
    return int(math.ceil(float(rate) * duration)) + 1


def exact_rate(value: float) -> Fraction:
    """The simplest fraction that rounds to the double `value`: the exact rate of a channel
    whose rate is known only as a double (256.0 -> 256, 0.1 -> 1/10, 1e-8 -> 1/100000000).
    0 for a value that is not positive and finite."""
    value = float(value)
    if not math.isfinite(value) or value <= 0.0:
        return Fraction(0)
    low = (Fraction(math.nextafter(value, 0.0)) + Fraction(value)) / 2
    high = (Fraction(math.nextafter(value, math.inf)) + Fraction(value)) / 2
    # A tie rounds to the even significand, so the midpoints belong to `value` exactly then.
    closed = math.frexp(value)[0] * 2 ** 53 % 2 == 0
    return _simplest_between(low, high, closed)


def _simplest_between(low, high, closed):
    """The fraction of smallest denominator in [low, high] (closed) or (low, high), 0 < low <
    high, by continued fractions."""
    whole = math.floor(low)
    candidate = whole if closed and whole == low else whole + 1
    if candidate < high or (closed and candidate == high):
        return Fraction(candidate)
    # Both bounds lie in (whole, whole + 1): recurse on the reciprocals of their fractions.
    return whole + 1 / _simplest_between(1 / (high - whole), 1 / (low - whole), closed)


def window_shift_ticks(last_day: float) -> int:
    """The window rule's shift M, in ticks, of a recording whose last segment ends at day number
    `last_day` (its start plus its duration x DAYS_PER_SECOND, from GetSegmentTime): 10 x 2^j
    for the smallest j >= 0 with last_day < 65536 x 2^j - 1, at most 2^6. It keeps the
    proportion that 1 us has to the spacing of day numbers below 65536 (0.63 us), doubling as
    that spacing does; the reader component works it out the same way."""
    shift, limit = WINDOW_SHIFT_TICKS, 65536.0
    for _ in range(6):
        if not last_day >= limit - 1.0:
            break
        shift, limit = shift * 2, limit * 2.0
    return shift


def window_ticks(start_date: float, segment_start: float, duration: float) -> tuple[int, int]:
    """(S, L): a window's start in ticks from its segment's start, and its length in ticks, both
    rounded to the nearest tick with ties to even, in the component's double arithmetic."""
    return (round((float(start_date) - float(segment_start)) * TICKS_PER_DAY),
            round(float(duration) * TICKS_PER_SECOND))


def samples_before(ticks: int, rate: Fraction) -> int:
    """Samples k >= 0 of a channel at an exact `rate` (Hz) with k / rate earlier than `ticks`
    after the segment's start: ceil(ticks x rate / 10^7), 0 for ticks <= 0."""
    if ticks <= 0:
        return 0
    numerator = ticks * rate.numerator
    denominator = TICKS_PER_SECOND * rate.denominator
    return -(-numerator // denominator)


def window_ranges(rates: Sequence[Fraction], counts: Sequence[int], start_ticks: int,
                  length_ticks: int, shift_ticks: int = WINDOW_SHIFT_TICKS
                  ) -> list[tuple[int, int]]:
    """Per channel, (first, count) of a window's samples within the segment: those at times in
    [S - M, S + L - M) ticks, M being the recording's `shift_ticks` (window_shift_ticks),
    clamped to the channel's `counts` samples in the segment. Rates are exact Fractions (see
    exact_rate)."""
    ranges = []
    for rate, available in zip(rates, counts):
        if rate <= 0:
            ranges.append((0, 0))
            continue
        first = min(samples_before(start_ticks - shift_ticks, rate), available)
        end = min(samples_before(start_ticks + length_ticks - shift_ticks, rate),
                  available)
        ranges.append((first, max(end - first, 0)))
    return ranges


def segment_sample_count(duration: float, rate: Fraction) -> int:
    """A channel's samples in a segment of `duration` seconds: round(duration x rate) (a WFDB
    signal with a skew holds fewer, which its header gives)."""
    return round(Fraction(float(duration)) * rate)
