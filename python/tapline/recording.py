"""Recording: one open recording of the library (one per process), its segments and channels,
and the layout that windows are read by; its calibration, events and samples come from the
classes it is made of (calibration, event_reading, sample_reading)."""

from __future__ import annotations

import bisect
import ctypes
import datetime
import errno
import math
import os
import warnings as _warnings
import weakref
from fractions import Fraction
from typing import Sequence

import numpy as np

from .calibration import Calibration
from .day_numbers import (DAYS_PER_SECOND, _seconds_from, day_number_to_datetime64,
                          seconds_between, to_day_number)
from .errors import (RecordingAlreadyOpenError, RecordingRefusedError, RecordingWarning,
                     TaplineError, WindowError)
from .event_reading import EventReading
from .library import load_library
from .read_plan import _check_end, _Layout
from .sample_reading import SampleReading
from .texts import TEXT_BYTES, _text, _whole_text
from .window_rule import (TICKS_PER_SECOND, WINDOW_SHIFT_TICKS, exact_rate, window_shift_ticks,
                          window_ticks)

# Closes the library's recording of the Recording open in this process, if any.
_open_recording: weakref.finalize | None = None


class Recording(Calibration, EventReading, SampleReading):
    """One open recording. Raises RecordingRefusedError, with the reader component's reason,
    when the library does not open the file, and RecordingAlreadyOpenError while another
    Recording of this process is open; warns (RecordingWarning) with the component's words,
    also kept in `warnings`, when it forgave something to open the file. The library's
    recording is closed by close(), the end of a with block, or else when the object is
    collected or the interpreter exits."""

    def __init__(self, path: str | os.PathLike[str], library: str | os.PathLike[str] | None = None):
        global _open_recording
        self.path = os.fspath(path)
        other = _open_recording.peek() if _open_recording is not None else None
        if other is not None:
            raise RecordingAlreadyOpenError(
                "%s is still open and the library serves one recording per process: close it "
                "before opening %s" % (other[0].path, self.path))
        if not os.path.exists(self.path):
            raise FileNotFoundError(errno.ENOENT, "no such recording", self.path)
        self._lib = load_library(library)
        count = ctypes.c_int(0)
        opened = self._lib.OpenEx(os.fsencode(path), ctypes.byref(count)) == 1
        # The component's reason or warnings, one sentence a line, kept for this thread.
        message = _whole_text(self._lib.GetOpenMessage) or ""
        if not opened:
            # COM stays initialised after a refused file; Close balances it.
            self._lib.Close()
            raise RecordingRefusedError(self.path, message or None)
        self.segment_count = count.value
        #: What the reader component forgave to open the file, a sentence each.
        self.warnings = tuple(line for line in message.split("\n") if line)
        if self.warnings:
            _warnings.warn("%s: %s" % (self.path, "; ".join(self.warnings)), RecordingWarning,
                           stacklevel=2)
        # Holds no reference to self, so a Recording dropped unclosed is collected and closed.
        self._closer = weakref.finalize(self, self._lib.Close)
        _open_recording = self._closer
        # The open recording does not change: what costs a read is kept.
        self._values: dict[int, tuple[list[float], list[int]]] = {}
        self._layouts: dict[int, _Layout] = {}
        self._calibrations: dict[int, tuple[np.ndarray, list[int | None]]] = {}
        self._segment_table: np.ndarray | None = None
        self._segment_list: list[tuple[float, float]] | None = None
        self._segment_starts: list[float] = []

    def close(self) -> None:
        """Closes the recording in the library; later calls do nothing."""
        self._closer()

    @property
    def closed(self) -> bool:
        """Whether close() has been called."""
        return not self._closer.alive

    def __repr__(self) -> str:
        return "<tapline.Recording %r: %d segments, %s>" % (
            self.path, self.segment_count, "closed" if self.closed else "open")

    def __enter__(self) -> Recording:
        return self

    def __exit__(self, *exc: object) -> None:
        self.close()

    # -- segments and channels -------------------------------------------------------------

    def _check_open(self) -> None:
        if self.closed:
            raise ValueError("the recording %s is closed" % self.path)

    def _check_segment(self, segment: int) -> int:
        self._check_open()
        if not isinstance(segment, (int, np.integer)) or not 0 <= segment < self.segment_count:
            raise IndexError("segment %r out of range: the recording has %d segments"
                             % (segment, self.segment_count))
        return int(segment)

    @property
    def time_zero(self) -> float:
        """The day number of time zero, the first sample of the first segment, from which the
        wrapper's seconds count (``window_at_seconds``, events' ``onset``)."""
        segments = self._segments()
        if not segments:
            raise WindowError("the recording %s has no segments, so no time zero" % self.path)
        return segments[0][0]

    def segments(self) -> np.ndarray:
        """The segments.

        Returns
        -------
        numpy.ndarray
            Structured array: start (day number), start_time (datetime64), offset (seconds
            from time zero), duration (seconds).

        Raises
        ------
        ValueError
            On a closed recording.
        """
        self._check_open()
        if self._segment_table is None:
            n = self.segment_count
            durations = (ctypes.c_double * max(n, 1))()
            starts = (ctypes.c_double * max(n, 1))()
            self._lib.GetSegmentTime(durations, starts)
            table = np.zeros(n, dtype=[("start", "f8"), ("start_time", "datetime64[us]"),
                                       ("offset", "f8"), ("duration", "f8")])
            table["start"] = np.frombuffer(starts, dtype=np.float64, count=n)
            table["start_time"] = day_number_to_datetime64(table["start"])
            table["offset"] = _seconds_from(starts[0], table["start"]) if n else []
            table["duration"] = np.frombuffer(durations, dtype=np.float64, count=n)
            self._segment_table = table
        return self._segment_table.copy()

    def segment_at(self, date: float | datetime.datetime | np.datetime64) -> int:
        """The segment that holds a time by the window rule.

        Parameters
        ----------
        date : float, datetime.datetime or numpy.datetime64
            A day number or a date (see `to_day_number`).

        Returns
        -------
        int
            The segment's index, or -1 when no segment holds the time.
        """
        date = to_day_number(date)
        segments = self._segments()
        # Segments follow each other; only the one starting last at or before the time, or
        # the next (which a time up to the shift before its start belongs to), can hold it.
        shift = self._shift_ticks()
        last = bisect.bisect_right(self._segment_starts, date) - 1
        for segment in (last, last + 1):
            if not 0 <= segment < len(segments):
                continue
            start, duration = segments[segment]
            ticks, _ = window_ticks(date, start, 0.0)
            if -shift <= ticks < round(duration * TICKS_PER_SECOND) - shift:
                return segment
        return -1

    def recording_seconds_to_date(self, seconds: float) -> float:
        """The library's conversion (RecSecToDate) of seconds after the recording's beginning,
        the header's whole second, kept to the sub-second; see `seconds_to_date` for seconds
        from time zero.

        Parameters
        ----------
        seconds : float

        Returns
        -------
        float
            A day number.

        Raises
        ------
        TaplineError
            When the component refuses the conversion; ValueError on a closed recording.
        """
        self._check_open()
        whole = math.floor(seconds)
        date = ctypes.c_double(-1.0)
        self._lib.RecSecToDate(float(whole), ctypes.byref(date))
        if date.value == -1.0:
            raise TaplineError("%r s cannot be converted to a date" % seconds)
        return date.value + (seconds - whole) * DAYS_PER_SECOND

    def channel_count(self, segment: int) -> int:
        """The segment's number of channels.

        Parameters
        ----------
        segment : int

        Returns
        -------
        int

        Raises
        ------
        IndexError
            For a segment out of range; ValueError on a closed recording.
        """
        return self._lib.GetChannelCount(self._check_segment(segment))

    def channel_names(self, segment: int = 0) -> list[str]:
        """The channels' names, without reading samples.

        Parameters
        ----------
        segment : int

        Returns
        -------
        list of str
            Texts of at most 32 bytes, as the library cuts them.

        Raises
        ------
        IndexError
            For a segment out of range; ValueError on a closed recording.
        TaplineError
            When the library refuses a name.
        """
        segment = self._check_segment(segment)
        names = []
        for channel in range(self._lib.GetChannelCount(segment)):
            name = ctypes.create_string_buffer(TEXT_BYTES + 1)
            if self._lib.GetChannelInf(segment, channel, name) != 1:
                raise TaplineError("no name for channel %d of segment %d" % (channel, segment))
            names.append(_text(name))
        return names

    def channels(self, segment: int = 0) -> np.ndarray:
        """The channels as the library reports them.

        Reads every sample of the segment to learn the counts (GetSegmentInf); windows do not
        need this (they ask GetChannelValue and GetWindowCounts, which read no sample).

        Parameters
        ----------
        segment : int

        Returns
        -------
        numpy.ndarray
            Structured array: name, value (the sampling rate in Hz for the open formats),
            samples (count in the segment).

        Raises
        ------
        IndexError
            For a segment out of range; ValueError on a closed recording.
        TaplineError
            When the library refuses the read.
        """
        names = self.channel_names(segment)
        n = len(names)
        values = (ctypes.c_double * max(n, 1))()
        counts = (ctypes.c_int * max(n, 1))()
        if n and self._lib.GetSegmentInf(segment, values, counts) != 1:
            raise TaplineError("no channel information for segment %d" % segment)
        table = np.zeros(n, dtype=[("name", "U32"), ("value", "f8"), ("samples", "i8")])
        table["name"] = names
        table["value"] = values[:n]
        table["samples"] = counts[:n]
        self._values[segment] = (list(values[:n]), list(counts[:n]))
        return table

    def rates(self, segment: int = 0) -> list[Fraction]:
        """Exact sampling rates of the segment's channels.

        Parameters
        ----------
        segment : int

        Returns
        -------
        list of fractions.Fraction
            Hz: the simplest fractions that round to the library's values (GetChannelValue),
            read without a sample (256.0 -> 256, 10/3 s^-1 from 3.3333333333333335).

        Raises
        ------
        IndexError
            For a segment out of range; ValueError on a closed recording.
        """
        return list(self._layout(self._check_segment(segment)).rates)

    def seconds_to_date(self, seconds: float) -> float:
        """The day number `seconds` after time zero, the first segment's first sample.

        Parameters
        ----------
        seconds : float

        Returns
        -------
        float
            Within a segment, worked out from that segment's own start (a day number carries
            a fraction of a day more finely than a long sum).

        Raises
        ------
        WindowError
            For a recording without segments; ValueError on a closed one.
        """
        self._check_open()
        seconds = float(seconds)
        zero = self.time_zero
        for start, duration in self._segments():
            offset = seconds_between(zero, start)
            if offset <= seconds < offset + duration:
                return start + (seconds - offset) * DAYS_PER_SECOND
        return zero + seconds * DAYS_PER_SECOND

    def _segments(self):
        """(start, duration) per segment, made once per open recording: a window looks its
        segment up here, at a cost that does not grow with the segment count."""
        if self._segment_list is None:
            table = self._segment_table if self._segment_table is not None else self.segments()
            self._segment_list = list(zip(table["start"].tolist(), table["duration"].tolist()))
            self._segment_starts = [start for start, _ in self._segment_list]
        return self._segment_list

    def _shift_ticks(self):
        """The window rule's shift for this recording, from its last segment's end."""
        segments = self._segments()
        if not segments:
            return WINDOW_SHIFT_TICKS
        start, duration = segments[-1]
        return window_shift_ticks(start + duration * DAYS_PER_SECOND)

    def _layout(self, segment):
        """Rates (GetChannelValue) and counts (GetWindowCounts over the whole segment), which
        read no sample; from GetSegmentInf, which reads the whole segment, only when the
        library gives either not."""
        if segment in self._layouts:
            return self._layouts[segment]
        start, duration = self._segments()[segment]
        ticks = round(duration * TICKS_PER_SECOND)
        n = self._lib.GetChannelCount(segment)
        values = self._channel_values(segment, n)
        counts = (ctypes.c_int * max(n, 1))()
        if values is not None and (n == 0 or self._lib.GetWindowCounts(start, duration, counts,
                                                                       n) == 1):
            counts = list(counts[:n])
        else:
            if segment not in self._values:
                self.channels(segment)
            values, counts = self._values[segment]
        shift = self._shift_ticks()
        layout = _Layout(start, ticks, [exact_rate(value) for value in values], counts,
                         _check_end(start, ticks, shift, self._serves_calibration(segment, n)),
                         shift)
        self._layouts[segment] = layout
        return layout

    def _channel_values(self, segment, n):
        """The channels' values (rates) from GetChannelValue; None when it gives one not."""
        values = []
        value = ctypes.c_double()
        for channel in range(n):
            if self._lib.GetChannelValue(segment, channel, ctypes.byref(value)) != 1:
                return None
            values.append(value.value)
        return values

    def _serves_calibration(self, segment, n):
        """Whether the component gives a channel of the segment a gain, as the open formats
        component does; that component reports a segment's end rounded up to a whole second."""
        gain, offset = ctypes.c_double(), ctypes.c_double()
        return any(self._lib.GetChannelCalibration(segment, channel, ctypes.byref(gain),
                                                   ctypes.byref(offset)) == 1
                   for channel in range(n))

    # -- MNE ---------------------------------------------------------------------------------

    def to_mne(self, segment: int = 0, picks: Sequence[str | int] | str | int | None = None,
               tmin: float | None = None, tmax: float | None = None) -> list:
        """The segment as MNE Raw objects, one per sampling rate.

        Parameters
        ----------
        segment : int
        picks : str, int or sequence of them, optional
            Channels by name or index; all when None.
        tmin, tmax : float, optional
            Seconds from the segment's start: only the samples in [tmin, tmax) are read.

        Returns
        -------
        list of mne.io.RawArray
            Highest rate first; see `tapline.mne.to_mne`.

        Raises
        ------
        IndexError, ValueError
            For a segment or channel out of range, or tmin/tmax outside the segment.
        """
        from .mne import to_mne
        return to_mne(self, segment, picks=picks, tmin=tmin, tmax=tmax)
