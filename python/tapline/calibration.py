"""Gains, offsets and units of a recording's channels, as the reader component gives them
(GetChannelCalibration, GetChannelUnit, GetChannelPhysicalRange, GetChannelInvalidValue), and
physical values worked out with them."""

import ctypes

import numpy as np

from .errors import NoCalibrationError
from .texts import _whole_text

# The digital range assumed for a format that stores none: every 16-bit value.
_DIGITAL_RANGE = (-32768, 32767)
_INT32 = (-2.0 ** 31, 2.0 ** 31 - 1)


class Calibration:
    """Recording's calibration methods; they use its _lib, _calibrations, _check_segment and
    channel_names."""

    def calibration(self, segment: int = 0) -> np.ndarray:
        """Gains, offsets and units of the segment's channels, from the reader component.

        Parameters
        ----------
        segment : int

        Returns
        -------
        numpy.ndarray
            Structured array per channel: name, unit (as the file writes it: "uV", "µV",
            "mmHg", "adu" for an uncalibrated WFDB signal), gain, offset (physical = gain x
            stored + offset, float64; WFDB's invalid samples, -32768, become NaN),
            physical_min/max and digital_min/max: the file's ranges where it stores them
            (EDF), else the ends of the 16-bit range and their physical values.

        Raises
        ------
        IndexError
            For a segment out of range; ValueError on a closed recording.
        NoCalibrationError
            Naming the channel, when the component gives no physical values for one (an EDF
            signal with an empty range, a BrainVision resolution that is no number, or a
            component that serves no calibration).
        """
        segment = self._check_segment(segment)
        if segment not in self._calibrations:
            self._calibrations[segment] = self._read_calibration(segment)
        return self._calibrations[segment][0].copy()

    def _read_calibration(self, segment):
        """(table, invalid stored value per channel or None) of the segment."""
        names = self.channel_names(segment)
        rows, invalid = [], []
        for channel, name in enumerate(names):
            gain, offset = ctypes.c_double(), ctypes.c_double()
            if self._lib.GetChannelCalibration(segment, channel, ctypes.byref(gain),
                                               ctypes.byref(offset)) != 1:
                raise NoCalibrationError(
                    "no gain or offset for channel %d (%r) of segment %d of %s: the reader "
                    "component gives no physical values for it (an EDF signal with an empty "
                    "range, a BrainVision resolution that is no number, or a component that "
                    "serves no calibration); its samples are digital values only"
                    % (channel, name, segment, self.path))
            unit = _whole_text(lambda buffer, size: self._lib.GetChannelUnit(
                segment, channel, buffer, size)) or ""
            rows.append((name, unit, gain.value, offset.value)
                        + self._ranges(segment, channel, gain.value, offset.value))
            value = ctypes.c_int()
            served = self._lib.GetChannelInvalidValue(segment, channel, ctypes.byref(value))
            invalid.append(value.value if served == 1 else None)
        width = max([len(row[1]) for row in rows] + [1])
        table = np.array(rows, dtype=[
            ("name", "U32"), ("unit", "U%d" % width), ("gain", "f8"), ("offset", "f8"),
            ("physical_min", "f8"), ("physical_max", "f8"),
            ("digital_min", "i4"), ("digital_max", "i4")])
        return table, invalid

    def _ranges(self, segment, channel, gain, offset):
        """(physical_min, physical_max, digital_min, digital_max): the file's physical range
        and the digital values it maps, else the 16-bit range and its physical values."""
        low, high = ctypes.c_double(), ctypes.c_double()
        if gain != 0 and self._lib.GetChannelPhysicalRange(
                segment, channel, ctypes.byref(low), ctypes.byref(high)) == 1:
            digital = [(value - offset) / gain for value in (low.value, high.value)]
            if all(_INT32[0] <= value <= _INT32[1] for value in digital):
                return (low.value, high.value) + tuple(round(value) for value in digital)
        digital_min, digital_max = _DIGITAL_RANGE
        return (gain * digital_min + offset, gain * digital_max + offset,
                digital_min, digital_max)

    def _to_physical(self, segment, arrays):
        """float64 physical values of the channels' stored values, NaN where a channel's
        stored value marks a missing sample."""
        self.calibration(segment)
        table, invalid = self._calibrations[segment]
        physical = []
        for row, missing, stored in zip(table, invalid, arrays):
            values = row["gain"] * np.asarray(stored, dtype=np.float64) + row["offset"]
            if missing is not None:
                values[np.asarray(stored) == missing] = np.nan
            physical.append(values)
        return physical
