"""Read Tapline recordings from Python through the library's twelve C exports (ctypes + numpy).

    with tapline.Recording("sample.edf") as rec:
        rec.segments()            # start (day number), start_time, duration per segment
        rec.channels(0)           # name, value (EDF: sampling rate in Hz), samples per channel
        rec.segment_samples(0)    # one int16 array per channel
        rec.window(date, 4.0)     # the same for a time window within one segment
        rec.events()              # numpy records: time, duration, type_index, texts, label

The library holds one recording per process, so only one Recording may be open at a time.
Failures that the library reports on the console (a refused file, a failed read) raise
TaplineError here; the console text comes from the library itself.
"""

import ctypes
import math
import os
import pathlib
from fractions import Fraction

import numpy as np

# Text buffers: the library writes at most 32 bytes and never a terminator.
TEXT_BYTES = 32
# Days from the day-number origin (1899-12-30) to 1970-01-01.
UNIX_EPOCH_DAY = 25569.0
# A MATLAB datenum is a day number plus this.
MATLAB_DATENUM_OFFSET = 693960.0
# The reader component counts time in ticks of 100 ns; window bounds are rounded to them.
TICKS_PER_SECOND = 10_000_000

LIBRARY_ENV = "TAPLINE_LIBRARY"
_REPOSITORY = pathlib.Path(__file__).resolve().parents[2]
_BUILD_FOLDERS = ("build", "build-release")


class TaplineError(RuntimeError):
    """The library refused a call; it has written its own message on the console."""


def find_library(path=None):
    """Path of libtapline.so: the argument, else $TAPLINE_LIBRARY, else the repository's build
    folders (build/bin, build-release/bin, then any build*/bin). Raises FileNotFoundError."""
    if path:
        return str(path)
    if os.environ.get(LIBRARY_ENV):
        return os.environ[LIBRARY_ENV]
    folders = [_REPOSITORY / name for name in _BUILD_FOLDERS]
    folders += sorted(p for p in _REPOSITORY.glob("build*") if p not in folders)
    for folder in folders:
        candidate = folder / "bin" / "libtapline.so"
        if candidate.is_file():
            return str(candidate)
    raise FileNotFoundError(
        "libtapline.so not found: pass its path, set %s or build the project" % LIBRARY_ENV)


_loaded = {}


def load_library(path=None):
    """The library loaded once per path, with the twelve exports' signatures declared."""
    path = find_library(path)
    if path in _loaded:
        return _loaded[path]
    lib = ctypes.CDLL(path)
    c_int, c_double, c_char_p = ctypes.c_int, ctypes.c_double, ctypes.c_char_p
    p_int, p_double = ctypes.POINTER(c_int), ctypes.POINTER(c_double)
    p_short = ctypes.POINTER(ctypes.c_short)
    signatures = {
        "OpenEx": [c_char_p, p_int],
        "Close": [],
        "GetSegment": [c_double],
        "GetSegmentTime": [p_double, p_double],
        "RecSecToDate": [c_double, p_double],
        "GetChannelCount": [c_int],
        "GetChannelInf": [c_int, c_int, ctypes.c_char_p],
        "GetSegmentInf": [c_int, p_double, p_int],
        "GetData": [c_int, p_short],
        "GetData2": [c_double, c_double, p_short],
        "GetEventCount": [p_int],
        "GetEvents": [c_int, p_int, c_char_p, c_char_p, c_char_p, p_double, p_double],
    }
    for name, arguments in signatures.items():
        function = getattr(lib, name)
        function.argtypes = arguments
        function.restype = c_int
    _loaded[path] = lib
    return lib


def day_number_to_datetime64(days):
    """Day numbers (days since 1899-12-30 00:00) as numpy datetime64 in microseconds."""
    micros = np.rint((np.asarray(days, dtype=np.float64) - UNIX_EPOCH_DAY) * 86400e6)
    return micros.astype(np.int64).astype("datetime64[us]")


def day_number_to_datenum(days):
    """MATLAB datenum of a day number."""
    return np.asarray(days, dtype=np.float64) + MATLAB_DATENUM_OFFSET


def window_capacity(rate, duration):
    """Samples of one channel that a window of `duration` seconds can hold at most: the bound
    by which a host sizes GetData2's buffer (no export tells a window's exact counts)."""
    return int(math.ceil(rate * duration)) + 1


def _ticks(seconds):
    return int(round(seconds * TICKS_PER_SECOND))


def _first_sample_at_or_after(ticks, rate):
    """ceil(ticks x rate / TICKS_PER_SECOND) in exact rational arithmetic."""
    return math.ceil(Fraction(ticks, TICKS_PER_SECOND) * rate)


def window_ranges(rates, segment_duration, offset, duration):
    """Per channel, (first, count) of the samples of a window that starts `offset` seconds
    after its segment's start: those whose times fall in [offset, offset + duration), the end
    clamped to the segment's end. Sample k of a channel lies at k / rate. Rates are taken as
    exact fractions (EDF rates are samples per record over the record duration)."""
    start = _ticks(offset)
    end = min(start + _ticks(duration), _ticks(segment_duration))
    ranges = []
    for rate in rates:
        exact = Fraction(rate).limit_denominator(TICKS_PER_SECOND)
        if start < 0 or end <= start or exact <= 0:
            ranges.append((0, 0))
            continue
        first = _first_sample_at_or_after(start, exact)
        ranges.append((first, _first_sample_at_or_after(end, exact) - first))
    return ranges


def _text(buffer):
    """A 33-byte zeroed buffer as text; a cut multibyte character becomes U+FFFD."""
    return buffer.value.decode("utf-8", errors="replace")


class Recording:
    """One open recording. Raises TaplineError when the library does not open the file."""

    def __init__(self, path, library=None):
        self._lib = load_library(library)
        self.path = os.fspath(path)
        count = ctypes.c_int(0)
        if self._lib.OpenEx(os.fsencode(path), ctypes.byref(count)) != 1:
            # COM stays initialised after a refused file; Close balances it.
            self._lib.Close()
            raise TaplineError("the library did not open %s" % path)
        self.segment_count = count.value
        self._open = True
        # The open recording does not change, and the values cost a read of the whole segment.
        self._values = {}

    def close(self):
        if self._open:
            self._lib.Close()
            self._open = False

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def segments(self):
        """Structured array: start (day number), start_time (datetime64), duration (s)."""
        n = self.segment_count
        durations = (ctypes.c_double * max(n, 1))()
        starts = (ctypes.c_double * max(n, 1))()
        self._lib.GetSegmentTime(durations, starts)
        table = np.zeros(n, dtype=[("start", "f8"), ("start_time", "datetime64[us]"),
                                   ("duration", "f8")])
        table["start"] = starts[:n]
        table["start_time"] = day_number_to_datetime64(table["start"])
        table["duration"] = durations[:n]
        return table

    def segment_at(self, date):
        """Index of the segment that holds the day number, or -1."""
        return self._lib.GetSegment(float(date))

    def recording_seconds_to_date(self, seconds):
        """Day number of `seconds` after the recording's beginning, kept to the sub-second
        (the library's own conversion gives whole seconds)."""
        whole = math.floor(seconds)
        date = ctypes.c_double(-1.0)
        self._lib.RecSecToDate(float(whole), ctypes.byref(date))
        if date.value == -1.0:
            raise TaplineError("%r s cannot be converted to a date" % seconds)
        return date.value + (seconds - whole) / 86400.0

    def channel_count(self, segment):
        return self._lib.GetChannelCount(segment)

    def channels(self, segment=0):
        """Structured array: name, value (for EDF the sampling rate in Hz), samples (count in
        the segment). Reads every sample of the segment to learn the counts."""
        n = self._lib.GetChannelCount(segment)
        names = []
        for channel in range(n):
            name = ctypes.create_string_buffer(TEXT_BYTES + 1)
            if self._lib.GetChannelInf(segment, channel, name) != 1:
                raise TaplineError("no name for channel %d of segment %d" % (channel, segment))
            names.append(_text(name))
        values = (ctypes.c_double * max(n, 1))()
        counts = (ctypes.c_int * max(n, 1))()
        if n and self._lib.GetSegmentInf(segment, values, counts) != 1:
            raise TaplineError("no channel information for segment %d" % segment)
        table = np.zeros(n, dtype=[("name", "U32"), ("value", "f8"), ("samples", "i8")])
        table["name"] = names
        table["value"] = values[:n]
        table["samples"] = counts[:n]
        self._values[segment] = list(values[:n])
        return table

    def segment_samples(self, segment):
        """Every sample of the segment: one int16 array per channel."""
        counts = self.channels(segment)["samples"]
        buffer = np.empty(int(counts.sum()), dtype=np.int16)
        if self._lib.GetData(segment, buffer.ctypes.data_as(ctypes.POINTER(ctypes.c_short))) != 1:
            raise TaplineError("segment %d could not be read" % segment)
        return np.split(buffer, np.cumsum(counts)[:-1]) if len(counts) else []

    def window(self, start_date, duration):
        """Samples of [start_date, start_date + duration s) within one segment: one int16
        array per channel. start_date is a day number."""
        rates, offset, ranges = self._window_layout(start_date, duration)
        counts = [count for _, count in ranges]
        capacity = sum(window_capacity(rate, duration) for rate in rates)
        buffer = np.empty(max(capacity, sum(counts), 1), dtype=np.int16)
        pointer = buffer.ctypes.data_as(ctypes.POINTER(ctypes.c_short))
        if self._lib.GetData2(float(start_date), float(duration), pointer) != 1:
            raise TaplineError("window of %r s at day %r could not be read" %
                               (duration, start_date))
        ends = np.cumsum(counts, dtype=np.int64)
        return [buffer[end - count:end].copy() for end, count in zip(ends, counts)]

    def window_times(self, start_date, duration):
        """Per channel, the times of window()'s samples in seconds after start_date."""
        rates, offset, ranges = self._window_layout(start_date, duration)
        return [(first + np.arange(count)) / rate - offset
                for rate, (first, count) in zip(rates, ranges)]

    def _window_layout(self, start_date, duration):
        segment = self.segment_at(start_date)
        if segment < 0:
            raise TaplineError("no segment holds day %r" % start_date)
        table = self.segments()
        rates = self._rates(segment)
        offset = (start_date - table["start"][segment]) * 86400.0
        return rates, offset, window_ranges(rates, table["duration"][segment], offset, duration)

    def window_at_seconds(self, recording_seconds, duration):
        """window() with the start in seconds from the recording's beginning."""
        return self.window(self.recording_seconds_to_date(recording_seconds), duration)

    def _rates(self, segment):
        if segment not in self._values:
            self._values[segment] = list(self.channels(segment)["value"])
        return self._values[segment]

    def event_count(self):
        count = ctypes.c_int(0)
        self._lib.GetEventCount(ctypes.byref(count))
        return count.value

    def events(self):
        """numpy records: time (day number, whole seconds exact), time_stamp (datetime64),
        duration (s), type_index (-1 when the event or its type could not be read), type_text1,
        type_text2, label."""
        n = self.event_count()
        table = np.zeros(n, dtype=[("time", "f8"), ("time_stamp", "datetime64[us]"),
                                   ("duration", "f8"), ("type_index", "i4"),
                                   ("type_text1", "U32"), ("type_text2", "U32"),
                                   ("label", "U32")])
        for i in range(n):
            type_index = ctypes.c_int(-1)
            texts = [ctypes.create_string_buffer(TEXT_BYTES + 1) for _ in range(3)]
            duration = ctypes.c_double(math.nan)
            time = ctypes.c_double(math.nan)
            self._lib.GetEvents(i, ctypes.byref(type_index), texts[0], texts[1], texts[2],
                                ctypes.byref(duration), ctypes.byref(time))
            table[i]["time"] = time.value
            table[i]["duration"] = duration.value
            table[i]["type_index"] = type_index.value
            table[i]["type_text1"] = _text(texts[0])
            table[i]["type_text2"] = _text(texts[1])
            table[i]["label"] = _text(texts[2])
        table["time_stamp"] = day_number_to_datetime64(np.nan_to_num(table["time"]))
        return table.view(np.recarray)
