"""The few EDF/EDF+ header fields a host needs beside the library: each signal's label, unit,
physical and digital ranges and samples per record, and the record duration. Only the header
is read (256 bytes plus 256 per signal), never the data records.

Numbers stay exact: the header's decimal texts become Fractions, so a rate of 256 samples per
0.25 s record is exactly 1024 Hz and a gain is computed once, rounded once to a double.
"""

import collections
import os
from fractions import Fraction

FIXED_BYTES = 256
BYTES_PER_SIGNAL = 256
ANNOTATION_LABEL = "EDF Annotations"

# Per-signal fields, stored field by field for all signals: (name, width in bytes).
_SIGNAL_FIELDS = [("label", 16), ("transducer", 80), ("unit", 8), ("physical_min", 8),
                  ("physical_max", 8), ("digital_min", 8), ("digital_max", 8),
                  ("prefiltering", 80), ("samples_per_record", 8), ("reserved", 32)]

Signal = collections.namedtuple(
    "Signal", "label unit physical_min physical_max digital_min digital_max samples_per_record")
Header = collections.namedtuple("Header", "version reserved record_duration signals")


class EdfHeaderError(ValueError):
    """The file is not an EDF/EDF+ file whose header this module can read; says why."""


def _text(field):
    # EDF headers should be ASCII. Like the reader component, take other bytes as UTF-8 when
    # they form it (writers put "µV" or "°C" that way), else as Latin-1.
    try:
        text = field.decode("utf-8")
    except UnicodeDecodeError:
        text = field.decode("latin-1")
    return text.rstrip(" \0")


def _number(field, what, integer=False):
    text = _text(field).strip()
    try:
        value = Fraction(text)
    except (ValueError, ZeroDivisionError):
        raise EdfHeaderError("%s is not a number: %r" % (what, text)) from None
    if integer and value.denominator != 1:
        raise EdfHeaderError("%s is not a whole number: %r" % (what, text))
    return int(value) if integer else value


def parse_header(fixed, signal_bytes=None):
    """The header from its first 256 bytes and, when given, the 256 x n signal bytes that
    follow. Without signal_bytes only the signal count is checked; returns
    (Header with no signals, signal count)."""
    if len(fixed) < FIXED_BYTES:
        raise EdfHeaderError("the file is shorter than the 256-byte EDF header")
    version = _text(fixed[0:8])
    if version != "0":
        raise EdfHeaderError("the version field is %r, not the EDF version 0" % version)
    reserved = _text(fixed[192:236])
    record_duration = _number(fixed[244:252], "the record duration")
    if record_duration <= 0:
        raise EdfHeaderError("the record duration %s is not positive" % record_duration)
    count = _number(fixed[252:256], "the signal count", integer=True)
    if count < 1:
        raise EdfHeaderError("the signal count %d is below 1" % count)
    if signal_bytes is None:
        return Header(version, reserved, record_duration, []), count
    if len(signal_bytes) < BYTES_PER_SIGNAL * count:
        raise EdfHeaderError("the header ends inside the fields of its %d signals" % count)
    fields = {}
    position = 0
    for name, width in _SIGNAL_FIELDS:
        fields[name] = [signal_bytes[position + width * i:position + width * (i + 1)]
                        for i in range(count)]
        position += width * count
    signals = []
    for i in range(count):
        what = "signal %d's %%s" % i
        signal = Signal(
            label=_text(fields["label"][i]),
            unit=_text(fields["unit"][i]).strip(),
            physical_min=_number(fields["physical_min"][i], what % "physical minimum"),
            physical_max=_number(fields["physical_max"][i], what % "physical maximum"),
            digital_min=_number(fields["digital_min"][i], what % "digital minimum", True),
            digital_max=_number(fields["digital_max"][i], what % "digital maximum", True),
            samples_per_record=_number(fields["samples_per_record"][i],
                                       what % "samples per record", True))
        signals.append(signal)
    return Header(version, reserved, record_duration, signals), count


def read_header(path):
    """The header of the file at `path`; raises EdfHeaderError (or OSError) with the reason."""
    with open(os.fspath(path), "rb") as file:
        fixed = file.read(FIXED_BYTES)
        _, count = parse_header(fixed)
        header, _ = parse_header(fixed, file.read(BYTES_PER_SIGNAL * count))
    return header


def is_edf_plus(header):
    """Whether the file is EDF+ (reserved field "EDF+C" or "EDF+D"): only EDF+ has annotation
    signals; in plain EDF a signal labelled "EDF Annotations" is an ordinary one."""
    return header.reserved.startswith(("EDF+C", "EDF+D"))


def channels(header):
    """The ordinary signals, in file order: the library's channels (an EDF+ file's annotation
    signals are its events, not channels)."""
    return [s for s in header.signals
            if not (is_edf_plus(header) and s.label == ANNOTATION_LABEL)]


def rate(header, signal):
    """A signal's exact sampling rate in Hz: samples per record over the record duration."""
    return Fraction(signal.samples_per_record) / header.record_duration


def calibration(signal):
    """(gain, offset) as doubles with physical = gain x digital + offset; the gain is
    (pmax - pmin) / (dmax - dmin) and the offset pmin - gain x dmin, both worked out exactly
    and rounded once. Raises EdfHeaderError for an empty digital or physical range."""
    digital_span = signal.digital_max - signal.digital_min
    if digital_span == 0 or signal.physical_max == signal.physical_min:
        raise EdfHeaderError("signal %r has an empty digital or physical range, so its samples "
                             "have no physical values" % signal.label)
    gain = (signal.physical_max - signal.physical_min) / digital_span
    offset = signal.physical_min - gain * signal.digital_min
    return float(gain), float(offset)
