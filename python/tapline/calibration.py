"""Gains, offsets and units of a recording's channels, from the file's header when it matches
the library's channels, and physical values worked out with them."""

import numpy as np

from . import recording_header
from .errors import NoCalibrationError
from .texts import TEXT_BYTES, _text_of


class Calibration:
    """Recording's calibration methods; they use its path, segment_count, _header,
    _header_problem, _calibrations, _check_segment and channel_names."""

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
