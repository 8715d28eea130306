"""What a BrainVision header (.vhdr) says of its channels beside the library: names, units,
resolutions and the one sampling rate. Only the header is read, never the data or markers.

The text rules are the reader component's: INI lines (CRLF or LF, ';' comments, a value split
at its first '='), Codepage=UTF-8 as UTF-8 (a field that is not valid UTF-8 as Latin-1),
Codepage=ANSI as Windows-1252, no Codepage as UTF-8 when valid else Windows-1252, and both
comma placeholders (the characters \\1 and the byte 0x01) as ','.

Physical value = stored value x resolution: an empty resolution is 1.0 and an empty unit uV
(written here as U+00B5; U+03BC and plain "u" are micro too). The library hands UINT_16 samples
out minus 32768, so their physical value is (stored + 32768) x resolution.
"""

import os
import re
from fractions import Fraction

from .channel_scale import ChannelScale

MICROVOLT = "\u00b5V"
UINT16_SHIFT = 32768
# How much of a file the component looks at to tell its format.
FIRST_BYTES = 4096
_IDENTIFICATIONS = (b"BrainVision Data Exchange Header File",
                    b"Brain Vision Data Exchange Header File")
_BOM = b"\xef\xbb\xbf"
_DECIMAL = re.compile(r"(\d+\.?\d*|\.\d+)\Z")
_CP1252 = {}
for _byte in range(0x80, 0xA0):
    try:
        _CP1252[_byte] = bytes([_byte]).decode("cp1252")
    except UnicodeDecodeError:  # no character there: read as the C1 control, as the component
        pass


class BrainVisionHeaderError(ValueError):
    """A header whose channels this module cannot describe; says why."""


def looks_like_header(first_bytes):
    """Whether the component takes the file for a BrainVision header: its identification line,
    or a [Common Infos] section in its first bytes."""
    if first_bytes.startswith(_BOM):
        first_bytes = first_bytes[len(_BOM):]
    return first_bytes.startswith(_IDENTIFICATIONS) or b"[Common Infos]" in first_bytes


def parse_ini(data):
    """{section: [(key, value bytes), ...]} and the first line, as the component reads them."""
    if data.startswith(_BOM):
        data = data[len(_BOM):]
    sections, current, first_line = {}, None, None
    for line in data.split(b"\n"):
        line = line.rstrip(b"\r \t")
        if first_line is None:
            first_line = line
        if not line or line.startswith(b";"):
            continue
        if line.startswith(b"[") and line.endswith(b"]"):
            current = sections.setdefault(line[1:-1].decode("latin-1"), [])
            continue
        key, equals, value = line.partition(b"=")
        if current is not None and equals:
            current.append((key.decode("latin-1"), value))
    return sections, first_line or b""


def find(sections, section, key):
    """The first value of the key in the section (bytes), or None."""
    for name, value in sections.get(section, ()):
        if name == key:
            return value
    return None


def codepage(sections):
    """"utf-8", "ansi" or None (no Codepage line)."""
    value = find(sections, "Common Infos", "Codepage")
    if value is None:
        return None
    return "utf-8" if value in (b"UTF-8", b"utf-8") else "ansi"


def decode_field(field, page):
    """A field's text by the file's code page, with the comma placeholders as ','."""
    text = None
    if page != "ansi":
        try:
            text = field.decode("utf-8")
        except UnicodeDecodeError:
            if page == "utf-8":
                text = field.decode("latin-1")
    if text is None:
        text = "".join(_CP1252.get(byte, chr(byte)) for byte in field)
    return text.replace("\\1", ",").replace("\x01", ",")


def _rate(sections):
    text = (find(sections, "Common Infos", "SamplingInterval") or b"").decode("latin-1")
    if not _DECIMAL.match(text) or Fraction(text) == 0:
        raise BrainVisionHeaderError("SamplingInterval is missing or not a positive decimal "
                                     "number of microseconds: %r" % text)
    return 1_000_000 / Fraction(text)


def _resolution(text, key):
    if not text.strip():
        return 1.0
    try:
        return float(text)
    except ValueError:
        raise BrainVisionHeaderError("channel %s's resolution %r is not a number"
                                     % (key, text)) from None


def parse_header(data):
    """The channels of a header's bytes, in order: ChannelScales (name, unit, rate, gain = the
    resolution, offset 32768 x resolution for UINT_16 samples, else 0). Raises
    BrainVisionHeaderError for a header the component would refuse or that gives a resolution
    that is not a number."""
    sections, first_line = parse_ini(data)
    if not (first_line.startswith(_IDENTIFICATIONS) or
            find(sections, "Common Infos", "DataFile") is not None):
        raise BrainVisionHeaderError("not a BrainVision header: no identification line, and no "
                                     "[Common Infos] with DataFile=")
    binary = find(sections, "Binary Infos", "BinaryFormat") or b"INT_16"
    if binary not in (b"INT_16", b"UINT_16"):
        raise BrainVisionHeaderError("the samples are %s, not INT_16 or UINT_16"
                                     % binary.decode("latin-1"))
    shift = UINT16_SHIFT if binary == b"UINT_16" else 0
    rate = _rate(sections)
    page = codepage(sections)
    count_text = (find(sections, "Common Infos", "NumberOfChannels") or b"").strip()
    count = int(count_text) if count_text.isdigit() else 0
    lines = {}
    for key, value in sections.get("Channel Infos", ()):
        if not key.startswith("Ch") or len(key) < 3:
            continue
        number = key[2:].strip()
        if not (number.isascii() and number.isdigit()) or not 1 <= int(number) <= count \
                or int(number) in lines:
            raise BrainVisionHeaderError("channel line %s is not one of Ch1 to Ch%d once each"
                                         % (key, count))
        lines[int(number)] = value
    if count < 1 or len(lines) != count:
        raise BrainVisionHeaderError("NumberOfChannels is %s but there are %d channel lines"
                                     % (count_text.decode("latin-1"), len(lines)))
    channels = []
    for number in range(1, count + 1):
        key = "Ch%d" % number
        fields = lines[number].split(b",")
        fields += [b""] * (4 - len(fields))
        resolution = _resolution(decode_field(fields[2], page), key)
        unit = decode_field(fields[3], page).strip() or MICROVOLT
        channels.append(ChannelScale(
            decode_field(fields[0], page), unit, rate, resolution, shift * resolution,
            (shift - 32768) * resolution, (shift + 32767) * resolution, -32768, 32767,
            lambda values, r=resolution, s=shift: (values + s) * r, None))
    return channels


def read_header(path):
    """The channels of the header file at `path`; BrainVisionHeaderError or OSError says why
    not."""
    with open(os.fspath(path), "rb") as file:
        return parse_header(file.read())
