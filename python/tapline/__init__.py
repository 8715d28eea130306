"""Read Tapline recordings from Python through the library's twelve C exports (ctypes + numpy).

    with tapline.Recording("sample.edf") as rec:
        rec.segments()            # start (day number), start_time, duration per segment
        rec.channels(0)           # name, value (EDF: sampling rate in Hz), samples per channel
        rec.segment_samples(0)    # one int16 array per channel (physical=True: float64)
        rec.window(date, 4.0)     # the same for a time window within one segment
        rec.iter_windows(0, 4.0)  # consecutive windows that tile a segment
        rec.calibration(0)        # gain, offset and unit per channel, from the file's header
        rec.events()              # numpy records: time, duration, type_index, texts, label
        rec.to_mne(0)             # MNE Raw objects, one per sampling rate (tapline.mne)

The library holds one recording per process, so only one Recording may be open at a time:
opening a second raises RecordingAlreadyOpenError until the first is closed.
Failures that the library reports on the console (a refused file, a failed read) raise
TaplineError here; a refused file's error (RecordingRefusedError) carries the reader
component's own reason, and an open that forgave something warns (RecordingWarning) with the
component's words, kept in Recording.warnings.

Windows follow the reader component's rule exactly, so a host knows each channel's count
without asking: with S the window's start in 100-ns ticks from its segment's start (from the
day numbers, rounded to the nearest tick) and E = S + the duration in ticks, a channel holds
its samples whose times t satisfy S - M <= t < E - M, at most the channel's samples in
the segment. The shift M absorbs the rounding of a double day number, so a window that
starts on a sample's time holds that sample, and windows with E1 = S2 tile without gap: it is
1 us for a recording that ends before 2079-06-04 and doubles with the spacing of day numbers
beyond (see window_shift_ticks).
"""

from __future__ import annotations

import bisect
import collections
import datetime
import ctypes
import ctypes.util
import errno
import math
import os
import pathlib
import sys
import sysconfig
import warnings as _warnings
import weakref
from fractions import Fraction
from typing import Iterator, Sequence

import numpy as np

from . import error_info, recording_header

# Text buffers: the library writes at most 32 bytes and never a terminator.
TEXT_BYTES = 32
# Days from the day-number origin (1899-12-30) to 1970-01-01.
UNIX_EPOCH_DAY = 25569.0
# A MATLAB datenum is a day number plus this.
MATLAB_DATENUM_OFFSET = 693960.0
# The reader component counts time in ticks of 100 ns.
TICKS_PER_SECOND = 10_000_000
TICKS_PER_DAY = 864000000000.0
# The library's day-number arithmetic: days + seconds x this double (never / 86400).
DAYS_PER_SECOND = 1.1574074074074073e-05
# Window bounds sit this many ticks (1 us) before the window's times in a recording that ends
# before day number 65535 (2079-06-04); later, where day numbers are coarser, more.
WINDOW_SHIFT_TICKS = 10

LIBRARY_ENV = "TAPLINE_LIBRARY"
# The library's file in a build folder, and the names an installation gives it (the soname
# first: a runtime-only installation has no unversioned link).
if os.name == "nt":
    _BUILT_NAME, _INSTALLED_NAMES = "tapline.dll", ("tapline.dll",)
else:
    _BUILT_NAME, _INSTALLED_NAMES = "libtapline.so", ("libtapline.so.0", "libtapline.so")
_PACKAGE = pathlib.Path(__file__).resolve().parent
# Where this package sits when it runs from the source tree: <repository>/python/tapline.
_REPOSITORY = _PACKAGE.parents[1]
_BUILD_FOLDERS = ("build", "build-release")


class TaplineError(RuntimeError):
    """The library refused a call; it has written its own message on the console."""


class RecordingRefusedError(TaplineError):
    """The library did not open the file; `reason` is the reader component's own reason
    (None when it gave none, as when no component is registered) and `path` the file."""

    def __init__(self, path: str, reason: str | None):
        super().__init__("the library did not open %s: %s" % (
            path, reason or "no reader component said why (is one registered?)"))
        self.path = path
        self.reason = reason


class RecordingWarning(UserWarning):
    """The reader component opened the file but forgave something (records the header
    promises but the file lacks, bytes after the last record, ...); the message lists it."""


class WindowError(TaplineError, ValueError):
    """A window that does not lie within one segment (or has no valid duration); says which
    segment it meets, that segment's bounds in seconds from time zero and where the next one
    starts. Raised before the library is asked, which would report on the console."""


class RecordingAlreadyOpenError(TaplineError):
    """A Recording was opened while another one is open in this process. The library serves
    one recording per process: close the first (close() or the end of its with block)."""


class NoCalibrationError(ValueError):
    """Physical values were asked of a recording whose gains and offsets are unknown (no EDF,
    BrainVision or WFDB header this package reads, or one that does not match the library's
    channels); says why."""


def find_library(path: str | os.PathLike[str] | None = None) -> str:
    """Path (or, from the system's library path, name) of the library, looked for in order:
    the argument, $TAPLINE_LIBRARY, the installation (the library that CMake installed with
    this package, the lib folders of this Python's prefix, then the system's library path),
    and last, when this package runs from a source tree, that tree's build folders
    (build/bin, build-release/bin, then any build*/bin). Raises FileNotFoundError saying
    where it looked."""
    if path:
        return os.fspath(path)
    if os.environ.get(LIBRARY_ENV):
        return os.environ[LIBRARY_ENV]
    for candidate in _prefix_candidates():
        if candidate.is_file():
            return str(candidate)
    system = ctypes.util.find_library("tapline")
    if system:
        return system
    for candidate in _development_candidates():
        if candidate.is_file():
            return str(candidate)
    raise FileNotFoundError(
        "the Tapline library was not found: pass its path, set %s, install Tapline (in %s or "
        "on the system's library path) or build it in %s" % (LIBRARY_ENV, sys.prefix, _REPOSITORY))


def _prefix_candidates() -> list[pathlib.Path]:
    """The library that CMake installed with this package (pip installs none), then the
    library's names in the lib folders of this Python's prefix (a virtual environment or the
    system's), where `cmake --install` with that prefix puts it."""
    try:
        from ._installation import LIBRARY
        installed = [pathlib.Path(os.path.normpath(_PACKAGE / LIBRARY))]
    except ImportError:
        installed = []
    prefix = pathlib.Path(sys.prefix)
    folders = [prefix / "lib", prefix / "lib64"]
    multiarch = sysconfig.get_config_var("MULTIARCH")
    if multiarch:
        folders.insert(1, prefix / "lib" / multiarch)
    if os.name == "nt":
        folders.insert(0, prefix / "bin")
    return installed + [folder / name for folder in folders for name in _INSTALLED_NAMES]


def _development_candidates() -> list[pathlib.Path]:
    """The library in the build folders of the source tree holding this package, if it is in
    one (an installed package has no CMakeLists.txt two folders up)."""
    if not (_REPOSITORY / "CMakeLists.txt").is_file():
        return []
    folders = [_REPOSITORY / name for name in _BUILD_FOLDERS]
    folders += sorted(p for p in _REPOSITORY.glob("build*") if p not in folders)
    return [folder / "bin" / _BUILT_NAME for folder in folders]


_loaded: dict[str, ctypes.CDLL] = {}


def load_library(path: str | os.PathLike[str] | None = None) -> ctypes.CDLL:
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


def day_number_to_datetime64(days: float | np.ndarray) -> np.ndarray:
    """Day numbers (days since 1899-12-30 00:00) as numpy datetime64 in microseconds."""
    micros = np.rint((np.asarray(days, dtype=np.float64) - UNIX_EPOCH_DAY) * 86400e6)
    return micros.astype(np.int64).astype("datetime64[us]")


def day_number_to_datenum(days: float | np.ndarray) -> np.ndarray:
    """MATLAB datenum of a day number."""
    return np.asarray(days, dtype=np.float64) + MATLAB_DATENUM_OFFSET


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


# How far apart, in microseconds, two day numbers of the same instant may lie: below day
# number 65535 a day number carries a time to about 0.3 us, a sum of a day and a fraction to
# about 0.65 us; later dates are coarser in proportion.
def _day_number_error_us(day):
    return window_shift_ticks(abs(day)) / 10.0


def seconds_between(earlier: float, later: float) -> float:
    """Seconds from one day number to another, to the microsecond.

    The difference is taken to lie on the coarsest decimal step (a second down to 10 us) that
    lies within the day numbers' error of a microsecond, else rounded to the microsecond: an
    event on the half second is 5.5, never 5.499999.

    Parameters
    ----------
    earlier, later : float
        Day numbers.

    Returns
    -------
    float
        Seconds, negative when `later` is the earlier one.
    """
    return float(_seconds_from(float(earlier), np.asarray([float(later)]))[0])


def _seconds_from(zero, days):
    """seconds_between(zero, d) for each d of an array, at numpy's speed."""
    days = np.asarray(days, dtype=np.float64)
    micro = (days - zero) * 86400e6
    error_us = _day_number_error_us(max(abs(zero), float(np.abs(days).max(initial=0.0))))
    result = np.round(micro)
    settled = np.zeros(micro.shape, dtype=bool)
    for step in (1e6, 1e5, 1e4, 1e3, 1e2, 1e1):
        snapped = np.round(micro / step) * step
        near = ~settled & (np.abs(snapped - micro) <= error_us)
        result[near] = snapped[near]
        settled |= near
    return result / 1e6


def to_day_number(value: float | datetime.datetime | np.datetime64) -> float:
    """A time as a day number.

    Parameters
    ----------
    value : float, datetime.datetime or numpy.datetime64
        A day number (returned as it is), or a date and time on the recording's clock: a naive
        datetime or a datetime64 as it is, an aware datetime converted to UTC (the clock
        ``to_mne`` gives as ``meas_date``).

    Returns
    -------
    float

    Raises
    ------
    TypeError
        For anything else.
    """
    if isinstance(value, datetime.datetime):
        if value.tzinfo is not None:
            value = value.astimezone(datetime.timezone.utc).replace(tzinfo=None)
        micros = (value - datetime.datetime(1970, 1, 1)) // datetime.timedelta(microseconds=1)
        return UNIX_EPOCH_DAY + micros / 86400e6
    if isinstance(value, np.datetime64):
        micros = int(value.astype("datetime64[us]").astype(np.int64))
        return UNIX_EPOCH_DAY + micros / 86400e6
    if isinstance(value, (int, float, np.integer, np.floating)) and not isinstance(value, bool):
        return float(value)
    raise TypeError("a time is a day number, a datetime or a numpy.datetime64, not %r"
                    % (value,))


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


def _text(buffer):
    """A 33-byte zeroed buffer as text; a cut multibyte character becomes U+FFFD."""
    return _text_of(buffer.value)


def _text_of(data):
    return data.decode("utf-8", errors="replace")


def _seconds_text(seconds):
    """Seconds to the microsecond without trailing zeros: "90 s", "91.5 s"."""
    text = "%.6f" % seconds
    return text.rstrip("0").rstrip(".") + " s"


def _short_pointer(array):
    return array.ctypes.data_as(ctypes.POINTER(ctypes.c_short))


# What a window needs to know of its segment: start day number, duration in ticks, the exact
# rates and sample counts of its channels, and where the component puts the segment's end for
# the library's fit check (ticks from the segment's start, never later than it really is).
_Layout = collections.namedtuple("_Layout", "start ticks rates counts check_end shift")

class Window(collections.namedtuple("Window", "start offset samples")):
    """One window of iter_windows: start (day number), offset (seconds from the segment's
    start) and samples (one array per channel)."""

    __slots__ = ()

    def __repr__(self) -> str:
        return "Window(start=%r, offset=%r, samples=%d channels of %s)" % (
            self.start, self.offset, len(self.samples), [len(s) for s in self.samples])

# Extra ticks before a read's start, so that a day number rounded up by a few ticks still
# holds the first wanted sample.
_READ_LEAD_TICKS = 20


# Closes the library's recording of the Recording open in this process, if any.
_open_recording: weakref.finalize | None = None


class Recording:
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
        error_info.forget(self._lib)
        opened = self._lib.OpenEx(os.fsencode(path), ctypes.byref(count)) == 1
        message = error_info.take(self._lib)
        if not opened:
            # COM stays initialised after a refused file; Close balances it.
            self._lib.Close()
            raise RecordingRefusedError(self.path, message)
        self.segment_count = count.value
        #: What the reader component forgave to open the file, a sentence each.
        self.warnings = error_info.lines(message)
        if self.warnings:
            _warnings.warn("%s: %s" % (self.path, "; ".join(self.warnings)), RecordingWarning,
                           stacklevel=2)
        # Holds no reference to self, so a Recording dropped unclosed is collected and closed.
        self._closer = weakref.finalize(self, self._lib.Close)
        _open_recording = self._closer
        # The open recording does not change: what costs a read is kept.
        self._values: dict[int, tuple[list[float], list[int]]] = {}
        self._layouts: dict[int, _Layout] = {}
        self._calibrations: dict[int, np.ndarray] = {}
        self._segment_table: np.ndarray | None = None
        self._segment_list: list[tuple[float, float]] | None = None
        self._segment_starts: list[float] = []
        self._header, self._header_problem = self._read_header()

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
        need this for files whose header the package reads (EDF, BrainVision, WFDB).

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
            Hz: from the file's header (EDF, BrainVision, WFDB) when it matches the
            library's channels, else the simplest fractions of the library's values.

        Raises
        ------
        IndexError
            For a segment out of range; ValueError on a closed recording.
        """
        return list(self._layout(self._check_segment(segment)).rates)

    # -- calibration -------------------------------------------------------------------------

    def calibration(self, segment: int = 0) -> np.ndarray:
        """Gains, offsets and units of the segment's channels, from the file's header.

        Parameters
        ----------
        segment : int

        Returns
        -------
        numpy.ndarray
            Structured array per channel: name, unit, gain, offset (physical = gain x digital +
            offset, float64; WFDB values are worked out as (digital - baseline) / gain, and
            its invalid samples, -32768, are NaN), physical_min/max, digital_min/max.

        Raises
        ------
        IndexError
            For a segment out of range; ValueError on a closed recording.
        NoCalibrationError
            With the reason, when the file has no EDF, BrainVision or WFDB header this package
            reads, or its header does not match the channels.
        """
        segment = self._check_segment(segment)
        if segment in self._calibrations:
            return self._calibrations[segment].copy()
        scales = self._header_channels(segment)
        table = np.zeros(len(scales), dtype=[
            ("name", "U32"), ("unit", "U16"), ("gain", "f8"), ("offset", "f8"),
            ("physical_min", "f8"), ("physical_max", "f8"),
            ("digital_min", "i4"), ("digital_max", "i4")])
        for row, scale in zip(table, scales):
            if scale.problem is not None:
                raise NoCalibrationError(scale.problem)
            row["name"], row["unit"] = scale.name, scale.unit
            row["gain"], row["offset"] = scale.gain, scale.offset
            row["physical_min"], row["physical_max"] = scale.physical_min, scale.physical_max
            row["digital_min"], row["digital_max"] = scale.digital_min, scale.digital_max
        self._calibrations[segment] = table
        return table.copy()

    def _to_physical(self, segment, arrays):
        self.calibration(segment)
        return [scale.physical(values)
                for scale, values in zip(self._header_channels(segment), arrays)]

    def _read_header(self):
        try:
            return recording_header.read(self.path), None
        except (recording_header.HeaderError, OSError) as error:
            return None, "%s has no header this wrapper reads (%s)" % (self.path, error)

    def _header_channels(self, segment):
        """The header's ChannelScales of the segment when they are the library's channels (same
        segments, count and names, in order); else NoCalibrationError saying why."""
        if self._header is None:
            raise NoCalibrationError(
                "no gains or offsets: %s; its samples are digital values only"
                % self._header_problem)
        described = self._header.segment_count
        if described is not None and described != self.segment_count:
            raise NoCalibrationError(
                "the %s header describes %d segments but the library gives %d, so their gains "
                "cannot be matched" % (self._header.format, described, self.segment_count))
        scales = self._header.channels(segment)
        # The library cuts names at 32 bytes.
        labels = [_text_of(scale.name.encode("utf-8")[:TEXT_BYTES]) for scale in scales]
        names = self.channel_names(segment)
        if labels != names:
            raise NoCalibrationError(
                "the %s header's signals %r are not the library's channels %r, so their "
                "gains cannot be matched" % (self._header.format, labels, names))
        return scales

    # -- samples -----------------------------------------------------------------------------

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
        """Rates and counts from the file's header when it matches the library's channels (no
        sample is read); else from GetSegmentInf, which reads the whole segment."""
        if segment in self._layouts:
            return self._layouts[segment]
        start, duration = self._segments()[segment]
        ticks = round(duration * TICKS_PER_SECOND)
        try:
            signals = self._header_channels(segment)
        except NoCalibrationError:
            signals = None
        if signals is not None:
            rates = [s.rate for s in signals]
            counts = self._header.sample_counts(segment)
            if counts is None:
                counts = [segment_sample_count(duration, rate) for rate in rates]
        else:
            if segment not in self._values:
                self.channels(segment)
            values, counts = self._values[segment]
            rates = [exact_rate(value) for value in values]
        shift = self._shift_ticks()
        layout = _Layout(start, ticks, rates, counts,
                         _check_end(start, ticks, shift, rounds_up=signals is not None), shift)
        self._layouts[segment] = layout
        return layout

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

    # -- events and MNE ----------------------------------------------------------------------

    def event_count(self) -> int:
        """The recording's number of events.

        Returns
        -------
        int

        Raises
        ------
        ValueError
            On a closed recording.
        """
        self._check_open()
        count = ctypes.c_int(0)
        self._lib.GetEventCount(ctypes.byref(count))
        return count.value

    def events(self) -> np.recarray:
        """The recording's events.

        Returns
        -------
        numpy.recarray
            time (day number, whole seconds exact), time_stamp (datetime64), onset (seconds
            from time zero, the first segment's first sample; NaN for a recording without
            segments or an unreadable event), duration (s), type_index (-1 when the event or
            its type could not be read), type_text1, type_text2, label.

        Raises
        ------
        ValueError
            On a closed recording.
        """
        n = self.event_count()
        table = np.zeros(n, dtype=[("time", "f8"), ("time_stamp", "datetime64[us]"),
                                   ("onset", "f8"),
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
        zero = self._segments()[0][0] if self._segments() else math.nan
        table["onset"] = _seconds_from(zero, table["time"])
        return table.view(np.recarray)

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


def _check_slack(day):
    """The library's slack, in seconds, when it rounds the seconds left in a segment: 10 us
    for day numbers below 65535, growing with their spacing beyond."""
    return 1e-6 * _day_number_error_us(day) * 10.0


def _check_end(start, ticks, shift, rounds_up):
    """Ticks from the segment's start to the end against which the library checks a window's
    duration: the `days` part of the component's segment end, a whole second. The open formats
    component reports its end rounded up to the whole second, assumed when the file's header
    matches the library's channels; another may round down, which is assumed otherwise. An
    estimate that errs early only makes reads more cautious."""
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
