"""What a WFDB record's headers (.hea) say of its channels beside the library: per segment, each
channel's name, unit, exact rate, gain and baseline. Headers are read whole; of the signal
files only their sizes, which give the whole frames the last part of a segment holds.

Physical value = (stored - baseline) / gain in the header's units (mV when it names none);
gain 0 is uncalibrated: the stored values, unit "adu". Every format's invalid value reaches
the host as -32768, which becomes NaN.

Segments follow the reader component's rule: a single-segment record is one segment; in a
multi-segment record each run of consecutive WFDB segments with the same signals (description,
samples per frame, gain, baseline and units, in order) is one segment, and a null segment
("~") or one of 0 frames ends the run. A segment ends with the last whole frame its last
part's files hold, and one that holds no frame is left out. A channel holds the segment's
frames x its samples per frame, fewer when its signal in the last part has a skew s (its sample
i is in frame i + s): that part's last s frames hold none of its samples.
"""

import collections
import datetime
import os
import re
from fractions import Fraction

import numpy as np

from .channel_scale import ChannelScale

INVALID_SAMPLE = -32768
UNCALIBRATED_UNIT = "adu"
DEFAULT_UNIT = "mV"
DEFAULT_FRAME_RATE = Fraction(250)
TICKS_PER_SECOND = 10_000_000
TICKS_PER_DAY = 86400 * TICKS_PER_SECOND
_DAY_ZERO = datetime.date(1899, 12, 30)
# (samples, bytes) of a format's unit; formats outside it are not read by the component.
_UNITS = {8: (1, 1), 80: (1, 1), 16: (1, 2), 61: (1, 2), 160: (1, 2), 212: (2, 3),
          310: (3, 4), 311: (3, 4)}
_DECIMAL = re.compile(r"(\d+\.?\d*|\.\d+)\Z")
_REAL = re.compile(r"[+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?\Z")
_INTEGER = re.compile(r"[+-]?\d+\Z")
_FORMAT = re.compile(r"(\d+)(?:x(\d+))?(?::(\d+))?(?:\+(\d+))?\Z")
_GAIN = re.compile(r"([^(/]*)(?:\(([^)]*)\))?(?:/(.*))?\Z", re.S)
_TIME_FIELD = re.compile(r"[0-9]{1,2}\Z")
_DATE = re.compile(r"([0-9]{1,4})/([0-9]{1,4})/([0-9]{1,4})\Z")

Record = collections.namedtuple(
    "Record", "name segment_count signal_count frame_rate frame_count start_ticks signals "
              "segments")
Signal = collections.namedtuple(
    "Signal", "file_name format samples_per_frame skew byte_offset gain baseline units "
              "description")
SegmentLine = collections.namedtuple("SegmentLine", "name frames")
# A segment as the library gives it: start (ticks since day 0), frames, ChannelScales and
# each channel's samples (GetSegmentInf's counts).
Segment = collections.namedtuple("Segment", "start_ticks frames channels counts")


class WfdbHeaderError(ValueError):
    """A record whose channels this module cannot describe; says why."""


def looks_like_header(first_bytes):
    """Whether the component takes the file for a WFDB header: the first line that is neither
    blank nor a comment, complete within the first bytes, reads as a record line."""
    lines = first_bytes.split(b"\n")[:-1]  # the last one may be cut
    for line in lines:
        content = line.strip(b" \t\r")
        if not content or content.startswith(b"#"):
            continue
        try:
            _record_line(_text(content))
        except WfdbHeaderError:
            return False
        return True
    return False


def _tokens(line, limit):
    """The line's first `limit` - 1 blank-separated fields and the rest of it."""
    return re.split(r"[ \t]+", line.strip(" \t"), maxsplit=limit - 1)


def _text(line):
    try:
        return line.decode("utf-8")
    except UnicodeDecodeError:
        return line.decode("latin-1")


def _integer(text, what):
    if not _INTEGER.match(text):
        raise WfdbHeaderError("%s is %r, not a whole number" % (what, text))
    return int(text)


def _record_line(line):
    tokens = _tokens(line, 7)[:6]
    name, slash, count = tokens[0].partition("/")
    segment_count = _integer(count, "the number of segments") if slash else None
    if len(tokens) < 2 or (segment_count is not None and segment_count < 1):
        raise WfdbHeaderError("the record line %r gives no number of signals or segments" % line)
    signal_count = _integer(tokens[1], "the number of signals")
    frame_rate = DEFAULT_FRAME_RATE
    if len(tokens) >= 3:
        text = tokens[2].split("/")[0]
        if not _DECIMAL.match(text) or Fraction(text) == 0:
            raise WfdbHeaderError("the frame rate is %r" % text)
        frame_rate = Fraction(text)
    frame_count = _integer(tokens[3], "the number of frames") if len(tokens) >= 4 else 0
    time_ticks = _base_time(tokens[4]) if len(tokens) >= 5 else 0
    day = _base_day(tokens[5]) if len(tokens) >= 6 else 0
    return Record(name, segment_count, signal_count, frame_rate, frame_count,
                  day * TICKS_PER_DAY + time_ticks, [], [])


def _base_time(text):
    """"HH:MM:SS[.fff]", "MM:SS[.fff]" or "SS[.fff]" as ticks since midnight."""
    whole, point, fraction = text.partition(".")
    fields = whole.split(":")
    if (len(fields) > 3 or len(fraction) > 7 or not re.fullmatch("[0-9]*", fraction)
            or not all(_TIME_FIELD.match(f) for f in fields)):
        raise WfdbHeaderError("the base time is %r" % text)
    limits = (24, 60, 60)[3 - len(fields):]
    if any(int(f) >= limit for f, limit in zip(fields, limits)):
        raise WfdbHeaderError("the base time is %r" % text)
    seconds = 0
    for f in fields:
        seconds = seconds * 60 + int(f)
    return seconds * TICKS_PER_SECOND + int((fraction or "0").ljust(7, "0"))


def _base_day(text):
    """"DD/MM/YYYY" as days since 1899-12-30."""
    try:
        day, month, year = (int(part) for part in _DATE.match(text).groups())
        return (datetime.date(year, month, day) - _DAY_ZERO).days
    except (AttributeError, ValueError):
        raise WfdbHeaderError("the base date is %r" % text) from None


def _signal_line(line):
    tokens = _tokens(line, 8)
    match = _FORMAT.match(tokens[1]) if len(tokens) >= 2 else None
    if not match or int(match.group(2) or 1) < 1:
        raise WfdbHeaderError("the signal line %r gives no format" % line)
    gain, baseline, units = 0.0, None, ""
    if len(tokens) >= 3:
        parts = _GAIN.match(tokens[2])
        if not parts or not _REAL.match(parts.group(1)):
            raise WfdbHeaderError("the signal line %r gives the gain as %r" % (line, tokens[2]))
        gain = float(parts.group(1))
        if parts.group(2) is not None:
            baseline = _integer(parts.group(2), "a baseline")
        units = parts.group(3) or ""
    adc_zero = _integer(tokens[4], "an ADC zero") if len(tokens) >= 5 else 0
    rest = _tokens(tokens[7], 2) if len(tokens) >= 8 else []
    return Signal(tokens[0], int(match.group(1)), int(match.group(2) or 1),
                  int(match.group(3) or 0), int(match.group(4) or 0), gain,
                  adc_zero if baseline is None else baseline, units,
                  rest[1].strip() if len(rest) == 2 else "")


def parse_header(data):
    """A header's bytes as a Record (its signals, or its segment lines); raises
    WfdbHeaderError for one that cannot be read or lists more or fewer than it declares.
    Each line is UTF-8 when it is valid UTF-8, else Latin-1."""
    record = None
    for raw in data.split(b"\n"):
        content = _text(raw.rstrip(b"\r").strip(b" \t"))
        if not content or content.startswith("#"):
            continue
        if record is None:
            record = _record_line(content)
        elif record.segment_count is not None:
            tokens = _tokens(content, 3)
            if len(tokens) != 2:
                raise WfdbHeaderError("the segment line %r is not a name and frames" % content)
            record.segments.append(SegmentLine(tokens[0], _integer(tokens[1], "frames")))
        else:
            record.signals.append(_signal_line(content))
    if record is None:
        raise WfdbHeaderError("the header has no record line")
    listed, declared = ((len(record.segments), record.segment_count)
                        if record.segment_count is not None
                        else (len(record.signals), record.signal_count))
    if listed != declared:
        raise WfdbHeaderError("the header declares %d but lists %d" % (declared, listed))
    return record


def _read_record(folder, name):
    with open(os.path.join(folder, name), "rb") as file:
        return parse_header(file.read())


def _has_data(signal):
    return signal.file_name != "~" and signal.format != 0


def _whole_samples(fmt, size):
    """The samples a file of `size` bytes holds whole (a packed unit cut short still holds its
    samples that lie wholly in its first bytes)."""
    samples, unit_bytes = _UNITS[fmt]
    if size <= 0:
        return 0
    whole = size // unit_bytes * samples
    rest = size % unit_bytes
    return whole + (fmt in (212, 310, 311) and rest >= 2) + (fmt == 311 and rest == 3)


def _file_frames(folder, signals):
    """Per signal with data, the whole frames its signal file holds."""
    groups = []  # [file name, format, byte offset, samples per frame, signals], consecutive
    for signal in filter(_has_data, signals):
        if signal.format not in _UNITS:
            raise WfdbHeaderError("signal file %s is in format %d, which the component does "
                                  "not read" % (signal.file_name, signal.format))
        if groups and groups[-1][0] == signal.file_name:
            groups[-1][3] += signal.samples_per_frame
            groups[-1][4] += 1
        else:
            groups.append([signal.file_name, signal.format, signal.byte_offset,
                           signal.samples_per_frame, 1])
    frames = []
    for name, fmt, offset, per_frame, members in groups:
        size = os.path.getsize(os.path.join(folder, name))
        whole = _whole_samples(fmt, size - offset) // per_frame if size > offset else 0
        frames += [whole] * members
    return frames


def _last_part(folder, signals, frames):
    """(whole frames, samples per channel) of a segment's last part, whose header gives it
    `frames` frames (0: as many as its files hold): it ends with the last whole frame every
    file holds; a signal with skew s holds the part's frames its own file holds, less s, and
    at most those whole frames."""
    file_frames = _file_frames(folder, signals)
    part = frames or min(file_frames, default=0)
    whole = min(file_frames + [part])
    counts = [min(max(min(part, held) - s.skew, 0), whole) * s.samples_per_frame
              for s, held in zip(filter(_has_data, signals), file_frames)]
    return whole, counts


def _key(signals):
    return [(s.description, s.samples_per_frame, s.gain, s.baseline, s.units)
            for s in signals if _has_data(s)]


def _frames_to_ticks(frames, rate):
    """Ticks of `frames` frames at the frame rate, rounded to the nearest (halves up)."""
    exact = Fraction(frames * TICKS_PER_SECOND) / rate
    return (2 * exact.numerator + exact.denominator) // (2 * exact.denominator)


def _scaled(baseline, gain, values):
    return values if gain == 0 else (values - baseline) / gain


def _physical(baseline, gain, values):
    return np.where(values == INVALID_SAMPLE, np.nan, _scaled(baseline, gain, values))


def channel_scale(record_name, index, signal, frame_rate):
    """The ChannelScale of signal `index` of a header of the record `record_name`."""
    name = signal.description or "record %s, signal %d" % (record_name, index)
    rate = frame_rate * signal.samples_per_frame
    if signal.gain == 0:
        unit, gain, offset = UNCALIBRATED_UNIT, 1.0, 0.0
    else:
        unit = signal.units or DEFAULT_UNIT
        gain, offset = 1.0 / signal.gain, -signal.baseline / signal.gain
    ends = [float(_scaled(signal.baseline, signal.gain, v)) for v in (INVALID_SAMPLE, 32767)]
    return ChannelScale(name, unit, rate, gain, offset, ends[0], ends[1], INVALID_SAMPLE, 32767,
                        lambda values: _physical(signal.baseline, signal.gain, values), None)


def _channels(record_name, header):
    return [channel_scale(record_name, i, s, header.frame_rate)
            for i, s in enumerate(header.signals) if _has_data(s)]


def segments(path):
    """The record's segments as the library gives them (Segment: start ticks, frames,
    ChannelScales). Raises WfdbHeaderError or OSError for a record whose headers or signal
    files cannot be read."""
    folder = os.path.dirname(os.fspath(path))
    with open(os.fspath(path), "rb") as file:
        top = parse_header(file.read())
    if top.segment_count is None:
        frames, counts = _last_part(folder, top.signals, top.frame_count)
        channels = _channels(top.name, top)
        return [Segment(top.start_ticks, frames, channels, counts)] if frames else []
    runs = []  # [start ticks, frames, channels, (signals, frames) of the last part]
    frames_before, key = 0, None
    for line in top.segments:
        if line.name == "~" or line.frames == 0:
            key = None  # a gap: the next segment starts afresh
        else:
            part = _read_record(folder, line.name + ".hea")
            if part.frame_rate != top.frame_rate or part.segment_count is not None:
                raise WfdbHeaderError("segment %s does not continue the record" % line.name)
            if key is None or _key(part.signals) != key:
                start = top.start_ticks + _frames_to_ticks(frames_before, top.frame_rate)
                runs.append([start, 0, _channels(top.name, part), None])
                key = _key(part.signals)
            runs[-1][1] += line.frames
            runs[-1][3] = (part.signals, line.frames)
        frames_before += line.frames
    result = []
    for start, frames, channels, (signals, last) in runs:
        # The last part of a run ends with its files' last whole frame.
        whole, held = _last_part(folder, signals, last)
        before = frames - last
        if before + whole > 0:
            counts = [before * channel_signal.samples_per_frame + count for channel_signal, count
                      in zip(filter(_has_data, signals), held)]
            result.append(Segment(start, before + whole, channels, counts))
    return result
