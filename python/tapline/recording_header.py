"""A recording's header read beside the library by the module of its format, chosen by the file's
first bytes as the reader component chooses: EDF by its version field, BrainVision by its
identification line or a [Common Infos] section, WFDB by a record line; any other file as EDF,
whose parser then says why it is not one.
"""

import os

from . import brainvision_header, edf_header, wfdb_header
from .channel_scale import ChannelScale, unscalable

# How much of a file the component looks at to tell its format.
FIRST_BYTES = 4096
_EDF_VERSIONS = (b"0       ", b"\xffBIOSEMI")


class HeaderError(ValueError):
    """The file has no header whose channels this package can describe; says why."""


class RecordingHeader:
    """The channels a header describes: `format` ("EDF", "BrainVision" or "WFDB"), and per
    segment the ChannelScales (`segment_count` None when every segment has the same)."""

    def __init__(self, format_name, shared=None, per_segment=None):
        self.format = format_name
        self._shared = shared
        self._per_segment = per_segment

    @property
    def segment_count(self):
        return None if self._per_segment is None else len(self._per_segment)

    def channels(self, segment):
        """The segment's ChannelScales; HeaderError for a segment the header does not have."""
        if self._per_segment is None:
            return self._shared
        if not 0 <= segment < len(self._per_segment):
            raise HeaderError("the header describes %d segments, not segment %d"
                              % (len(self._per_segment), segment))
        return self._per_segment[segment].channels

    def sample_counts(self, segment):
        """The segment's samples per channel where the header gives them (WFDB: a skew leaves
        a signal's last frames out); None where they follow from its duration and rates."""
        if self._per_segment is None:
            return None
        self.channels(segment)  # HeaderError for a segment the header does not have
        return self._per_segment[segment].counts


def _edf_scale(header, signal):
    rate = edf_header.rate(header, signal)
    try:
        gain, offset = edf_header.calibration(signal)
    except edf_header.EdfHeaderError as error:
        return unscalable(signal.label, signal.unit, rate, str(error))
    return ChannelScale(signal.label, signal.unit, rate, gain, offset,
                        float(signal.physical_min), float(signal.physical_max),
                        signal.digital_min, signal.digital_max,
                        lambda values: gain * values + offset, None)


def read(path):
    """The header of the recording at `path`; HeaderError (or OSError) says why there is none
    this package reads."""
    path = os.fspath(path)
    if not os.path.isfile(path):
        raise HeaderError("%s is not a regular file" % path)
    with open(path, "rb") as file:
        first = file.read(FIRST_BYTES)
    try:
        if not first.startswith(_EDF_VERSIONS):
            if brainvision_header.looks_like_header(first):
                return RecordingHeader("BrainVision", shared=brainvision_header.read_header(path))
            if wfdb_header.looks_like_header(first):
                return RecordingHeader("WFDB", per_segment=wfdb_header.segments(path))
        header = edf_header.read_header(path)
        return RecordingHeader("EDF", shared=[_edf_scale(header, signal)
                                              for signal in edf_header.channels(header)])
    except (edf_header.EdfHeaderError, brainvision_header.BrainVisionHeaderError,
            wfdb_header.WfdbHeaderError) as error:
        raise HeaderError(str(error)) from None
