"""How a span of a segment is read through GetData2: what a read needs to know of its segment
(_Layout), the end against which the library checks a window's duration (_check_end,
_check_slack), and the call whose samples cover the span and whose duration the library
accepts (_read_plan)."""

import collections
import math

from .day_numbers import DAYS_PER_SECOND, _day_number_error_us
from .window_rule import TICKS_PER_SECOND, window_ranges, window_ticks

# What a window needs to know of its segment: start day number, duration in ticks, the exact
# rates and sample counts of its channels, and where the component puts the segment's end for
# the library's fit check (ticks from the segment's start, never later than it really is).
_Layout = collections.namedtuple("_Layout", "start ticks rates counts check_end shift")


# Extra ticks before a read's start, so that a day number rounded up by a few ticks still
# holds the first wanted sample.
_READ_LEAD_TICKS = 20


def _check_slack(day):
    """The library's slack, in seconds, when it rounds the seconds left in a segment: 10 us
    for day numbers below 65535, growing with their spacing beyond."""
    return 1e-6 * _day_number_error_us(day) * 10.0


def _check_end(start, ticks, shift, rounds_up):
    """Ticks from the segment's start to the end against which the library checks a window's
    duration: the `days` part of the component's segment end, a whole second. The open formats
    component reports its end rounded up to the whole second, assumed when it calibrates the
    segment's channels; another may round down, which is assumed otherwise. An estimate that
    errs early only makes reads more cautious."""
    second = (start * 86400.0) % 1.0  # where the segment starts within its second, +-the shift
    tolerance = 1e-6 * shift  # 10 us while the shift is 1 us
    start_fraction = (0.0 if second < tolerance or second > 1.0 - tolerance
                      else second * TICKS_PER_SECOND)
    end = start_fraction + ticks
    margin = 10 * shift  # ticks, beyond the day number's rounding
    whole = (math.ceil((end - margin) / TICKS_PER_SECOND) if rounds_up
             else math.floor((end - margin) / TICKS_PER_SECOND))
    return whole * TICKS_PER_SECOND - start_fraction


def _read_plan(layout, first_tick, end_tick):
    """A GetData2 call (date, duration, its ranges) whose samples cover the span's, and whose
    duration the library accepts, or None. First try a window from just before the span; when
    too few whole seconds are left for it, start a whole number of seconds before the checked
    end, so the library's rounded check accepts any duration up to that end."""
    targets = [max(first_tick - _READ_LEAD_TICKS, 0)]
    whole_seconds = math.ceil((layout.check_end - first_tick + 2 * _READ_LEAD_TICKS) /
                              TICKS_PER_SECOND)
    targets.append(round(layout.check_end - whole_seconds * TICKS_PER_SECOND))
    for target in targets:
        if target < 0:
            continue
        date = layout.start + (target / TICKS_PER_SECOND) * DAYS_PER_SECOND if target else layout.start
        read_start, _ = window_ticks(date, layout.start, 0.0)
        if read_start > first_tick or read_start < 0:
            continue
        duration = (end_tick - read_start) / TICKS_PER_SECOND
        if round(duration * TICKS_PER_SECOND) != end_tick - read_start:
            continue
        left = (layout.check_end - read_start) / TICKS_PER_SECOND
        if duration > math.floor(left + 0.5 - 10 * _check_slack(layout.start)):
            continue
        ranges = window_ranges(layout.rates, layout.counts, read_start, end_tick - read_start,
                               layout.shift)
        return date, duration, ranges
    return None
