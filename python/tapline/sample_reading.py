"""A recording's samples: whole segments (GetData), windows (GetData2) checked by the window
rule before the library is asked, their times, consecutive windows that tile a segment, and
stretches of a segment read for MNE."""

from __future__ import annotations

import bisect
import collections
import ctypes
import datetime
import math
from typing import Iterator, Sequence

import numpy as np

from .day_numbers import DAYS_PER_SECOND, seconds_between, to_day_number
from .errors import TaplineError, WindowError
from .read_plan import _check_slack, _read_plan
from .texts import _seconds_text
from .window_rule import TICKS_PER_SECOND, window_capacity, window_ranges, window_ticks


def _short_pointer(array):
    return array.ctypes.data_as(ctypes.POINTER(ctypes.c_short))



class Window(collections.namedtuple("Window", "start offset samples")):
    """One window of iter_windows: start (day number), offset (seconds from the segment's
    start) and samples (one array per channel)."""

    __slots__ = ()

    def __repr__(self) -> str:
        return "Window(start=%r, offset=%r, samples=%d channels of %s)" % (
            self.start, self.offset, len(self.samples), [len(s) for s in self.samples])



class SampleReading:
    """Recording's sample methods; they use its path, _lib, _check_open, _check_segment,
    _segments, _segment_starts, segment_at, seconds_to_date, channels, channel_names,
    _layout and _to_physical."""

    def segment_samples(self, segment: int, physical: bool = False,
                        picks: Sequence[str | int] | str | int | None = None
                        ) -> list[np.ndarray]:
        """Every sample of a segment, read with one GetData.

        Parameters
        ----------
        segment : int
        physical, picks
            As for `window`.

        Returns
        -------
        list of numpy.ndarray
            One int16 array per channel (float64 physical values with physical=True).

        Raises
        ------
        IndexError
            For a segment or channel out of range.
        TaplineError
            When the library refuses the read.
        """
        segment = self._check_segment(segment)
        chosen = self._picks(segment, picks)
        arrays = self._all_samples(segment, physical)
        return [arrays[i] for i in chosen]

    def _all_samples(self, segment, physical=False):
        counts = self.channels(segment)["samples"]
        buffer = np.empty(max(int(counts.sum()), 1), dtype=np.int16)
        if self._lib.GetData(segment, _short_pointer(buffer)) != 1:
            raise TaplineError("segment %d could not be read" % segment)
        arrays = np.split(buffer[:int(counts.sum())], np.cumsum(counts)[:-1]) if len(counts) else []
        return self._to_physical(segment, arrays) if physical else arrays

    def window(self, start_date: float | datetime.datetime | np.datetime64, duration: float,
               physical: bool = False, picks: Sequence[str | int] | str | int | None = None
               ) -> list[np.ndarray]:
        """Samples of a window within one segment, as the library's GetData2 returns them.

        Parameters
        ----------
        start_date : float, datetime.datetime or numpy.datetime64
            The window's start: a day number or a date (see `to_day_number`).
        duration : float
            Seconds, 0 or more.
        physical : bool
            float64 physical values instead of int16 digital ones.
        picks : str, int or sequence of them, optional
            Channels by name or index, in the order wanted; all channels when None.

        Returns
        -------
        list of numpy.ndarray
            One array per channel.

        Raises
        ------
        WindowError
            (a ValueError) When no segment holds the start or the window does not fit its
            segment (the message names the segment's bounds and where the next starts), or
            the duration is negative or not finite; checked before anything is allocated.
        IndexError, ValueError
            For a channel index out of range or an unknown name; ValueError on a closed
            recording.
        TaplineError
            When the library refuses the read.
        """
        segment, start_ticks, ranges, start_date = self._window_layout(start_date, duration)
        chosen = self._picks(segment, picks)
        arrays = self._get_data2(segment, start_date, duration, ranges)
        if physical:
            arrays = self._to_physical(segment, arrays)
        return [arrays[i] for i in chosen]

    def window_times(self, start_date: float | datetime.datetime | np.datetime64,
                     duration: float, picks: Sequence[str | int] | str | int | None = None
                     ) -> list[np.ndarray]:
        """The times of window()'s samples.

        Parameters
        ----------
        start_date, duration, picks
            As for `window`.

        Returns
        -------
        list of numpy.ndarray
            Per channel, seconds after `start_date`.
        """
        segment, start_ticks, ranges, _ = self._window_layout(start_date, duration)
        rates = self._layout(segment).rates
        times = [_sample_seconds(first, count, rate, start_ticks)
                 for rate, (first, count) in zip(rates, ranges)]
        return [times[i] for i in self._picks(segment, picks)]

    def window_at_seconds(self, seconds: float, duration: float, physical: bool = False,
                          picks: Sequence[str | int] | str | int | None = None
                          ) -> list[np.ndarray]:
        """`window` with the start in seconds from time zero, the first sample of the first
        segment (not the header's whole second before it).

        Parameters
        ----------
        seconds : float
            The window's start, in seconds from time zero.
        duration, physical, picks
            As for `window`.

        Returns
        -------
        list of numpy.ndarray

        Raises
        ------
        WindowError, IndexError, ValueError, TaplineError
            As for `window`.
        """
        seconds = float(seconds)
        if not math.isfinite(seconds):
            raise WindowError("a window needs a finite start, not %r s" % seconds)
        return self.window(self.seconds_to_date(seconds), duration, physical, picks)

    def _picks(self, segment, picks):
        """Indices of the picked channels, in the order given."""
        count = self._lib.GetChannelCount(segment)
        if picks is None:
            return list(range(count))
        if isinstance(picks, (str, int, np.integer)):
            picks = [picks]
        names = None
        chosen = []
        for pick in picks:
            if isinstance(pick, (int, np.integer)) and not isinstance(pick, bool):
                if not 0 <= pick < count:
                    raise IndexError("channel %d out of range: segment %d has %d channels"
                                     % (pick, segment, count))
                chosen.append(int(pick))
                continue
            names = names if names is not None else self.channel_names(segment)
            if pick not in names:
                raise ValueError("no channel named %r in segment %d (channels: %s)"
                                 % (pick, segment, ", ".join(names)))
            chosen.append(names.index(pick))
        return chosen

    def iter_windows(self, segment: int, seconds: float, physical: bool = False,
                     picks: Sequence[str | int] | str | int | None = None) -> Iterator[Window]:
        """Consecutive windows that tile a segment exactly.

        Parameters
        ----------
        segment : int
        seconds : float
            Each window's length; the last one ends at the segment's end.
        physical, picks
            As for `window`.

        Yields
        ------
        Window
            start (day number), offset (seconds from the segment's start), samples; every
            sample once, in order, one window in memory at a time.

        Raises
        ------
        IndexError
            For a segment or channel out of range.
        ValueError
            For a length below one 100-ns tick, or on a closed recording.
        """
        segment = self._check_segment(segment)
        step = round(float(seconds) * TICKS_PER_SECOND) if math.isfinite(float(seconds)) else 0
        if step <= 0:
            raise ValueError("a window must last at least one tick, not %r s" % seconds)
        chosen = self._picks(segment, picks)
        return self._iter_windows(segment, step, physical, chosen)

    def _iter_windows(self, segment, step, physical, chosen):
        layout = self._layout(segment)
        whole_segment = []  # filled only when a span can be cut from nothing else
        for first_tick in range(0, layout.ticks, step):
            end_tick = min(first_tick + step, layout.ticks)
            arrays = self._read_span(segment, layout, first_tick, end_tick, whole_segment)
            if physical:
                arrays = self._to_physical(segment, arrays)
            arrays = [arrays[i] for i in chosen]
            yield Window(layout.start + (first_tick / TICKS_PER_SECOND) * DAYS_PER_SECOND,
                         first_tick / TICKS_PER_SECOND, arrays)

    def _describe_segment(self, segment):
        """"segment i spans a s to b s; segment i+1 starts at c s", seconds from time zero."""
        segments = self._segments()
        zero = segments[0][0]

        def bounds(i):
            offset = seconds_between(zero, segments[i][0])
            return offset, offset + segments[i][1]

        text = "segment %d spans %s to %s; " % ((segment,) + tuple(map(_seconds_text,
                                                                         bounds(segment))))
        if segment + 1 == len(segments):
            return text + "it is the last segment"
        return text + "segment %d starts at %s" % (segment + 1, _seconds_text(bounds(segment + 1)[0]))

    def _window_layout(self, start_date, duration):
        """(segment, S, ranges, day number) of a window, checked as the library checks it
        before anything is allocated or read; WindowError (a ValueError) when it would be
        refused."""
        self._check_open()
        start_date = to_day_number(start_date)
        duration = float(duration)
        if not math.isfinite(duration) or duration < 0 or not math.isfinite(start_date):
            raise WindowError("a window needs a finite start and a duration of 0 s or more, "
                              "not %r s" % duration)
        segments = self._segments()
        if not segments:
            raise WindowError("the recording %s has no segments, so no samples" % self.path)
        segment = self.segment_at(start_date)
        seconds = seconds_between(segments[0][0], start_date)
        if segment < 0:
            before = max(bisect.bisect_right(self._segment_starts, start_date) - 1, 0)
            raise WindowError("no segment holds %s: %s"
                              % (_seconds_text(seconds), self._describe_segment(before)))
        layout = self._layout(segment)
        start_ticks, length_ticks = window_ticks(start_date, layout.start, duration)
        # The library's check: the duration against the whole seconds left before the end
        # the component reports, so a window may overhang the segment by a fraction.
        # (the library allows slack for the day numbers' rounding: 10 us, more at far dates).
        left = (layout.check_end - start_ticks) / TICKS_PER_SECOND
        end_day = layout.start + layout.ticks / TICKS_PER_SECOND * DAYS_PER_SECOND
        allowed = math.floor(left + 0.5 + _check_slack(max(start_date, end_day)))
        if duration > allowed:
            span = (_seconds_text(seconds), _seconds_text(seconds + duration))
            if start_ticks + length_ticks > layout.ticks + layout.shift:
                raise WindowError("the window %s to %s does not fit its segment: %s"
                                  % (span + (self._describe_segment(segment),)))
            # It fits, but ends in the segment's last fraction of a second from a start at a
            # fraction of a second (segments of BrainVision and WFDB files start at any time).
            raise WindowError("the library refuses the window %s to %s: it allows %s from that "
                              "start, the whole seconds to the segment's end rounded up to a "
                              "whole second; %s" % (span + (_seconds_text(allowed),
                                                            self._describe_segment(segment))))
        return segment, start_ticks, window_ranges(layout.rates, layout.counts, start_ticks,
                                                   length_ticks, layout.shift), start_date

    def _get_data2(self, segment, start_date, duration, ranges):
        """GetData2 into a buffer of the library's documented size, split by `ranges`."""
        rates = self._layout(segment).rates
        counts = [count for _, count in ranges]
        capacity = sum(window_capacity(rate, duration) for rate in rates)
        buffer = np.empty(max(capacity, sum(counts), 1), dtype=np.int16)
        if self._lib.GetData2(float(start_date), float(duration), _short_pointer(buffer)) != 1:
            raise TaplineError("window of %r s at day %r could not be read" %
                               (duration, start_date))
        ends = np.cumsum(counts, dtype=np.int64)
        return [buffer[end - count:end].copy() for end, count in zip(ends, counts)]

    def _read_span(self, segment, layout, first_tick, end_tick, whole_segment):
        """The samples of ticks [first_tick, end_tick) of the segment by the window rule. The
        library refuses a window longer than the whole seconds left before the segment's end,
        so a span near the end is read from an earlier start and cut; a span no window can
        reach is cut from the whole segment, read once per iteration."""
        wanted = window_ranges(layout.rates, layout.counts, first_tick, end_tick - first_tick,
                               layout.shift)
        plan = _read_plan(layout, first_tick, end_tick)
        if plan is None:
            if not whole_segment:
                whole_segment.extend(self._all_samples(segment))
            return [samples[first:first + count].copy()
                    for samples, (first, count) in zip(whole_segment, wanted)]
        date, duration, read_ranges = plan
        arrays = self._get_data2(segment, date, duration, read_ranges)
        return [samples[first - read_first:first - read_first + count]
                for samples, (first, count), (read_first, _) in zip(arrays, wanted, read_ranges)]

    def _read_stretch(self, segment, tmin, tmax, physical):
        """All channels' samples at [tmin, tmax) seconds of the segment, and each channel's
        first sample index; checked before reading."""
        layout = self._layout(segment)
        seconds = layout.ticks / TICKS_PER_SECOND
        tmin = 0.0 if tmin is None else float(tmin)
        tmax = seconds if tmax is None else float(tmax)
        if not (0.0 <= tmin < tmax <= seconds + 1e-6):
            raise ValueError("tmin %r and tmax %r do not lie within segment %d's %s"
                             % (tmin, tmax, segment, _seconds_text(seconds)))
        first_tick = round(tmin * TICKS_PER_SECOND)
        end_tick = min(round(tmax * TICKS_PER_SECOND), layout.ticks)
        ranges = window_ranges(layout.rates, layout.counts, first_tick, end_tick - first_tick,
                               layout.shift)
        arrays = self._read_span(segment, layout, first_tick, end_tick, [])
        if physical:
            arrays = self._to_physical(segment, arrays)
        return arrays, [first for first, _ in ranges]


def _sample_seconds(first, count, rate, start_ticks):
    """Seconds of samples first .. first + count - 1 after the tick `start_ticks`."""
    k = np.arange(first, first + count, dtype=np.float64)
    return k * rate.denominator / rate.numerator - start_ticks / TICKS_PER_SECOND
