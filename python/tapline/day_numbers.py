"""Day numbers (days since 1899-12-30 00:00, a double): conversions to and from datetime64,
datetime and MATLAB datenums, and seconds between two of them to the microsecond."""

from __future__ import annotations

import datetime

import numpy as np

from .window_rule import window_shift_ticks

# Days from the day-number origin (1899-12-30) to 1970-01-01.
UNIX_EPOCH_DAY = 25569.0
# A MATLAB datenum is a day number plus this.
MATLAB_DATENUM_OFFSET = 693960.0
# The library's day-number arithmetic: days + seconds x this double (never / 86400).
DAYS_PER_SECOND = 1.1574074074074073e-05


def day_number_to_datetime64(days: float | np.ndarray) -> np.ndarray:
    """Day numbers (days since 1899-12-30 00:00) as numpy datetime64 in microseconds."""
    micros = np.rint((np.asarray(days, dtype=np.float64) - UNIX_EPOCH_DAY) * 86400e6)
    return micros.astype(np.int64).astype("datetime64[us]")


def day_number_to_datenum(days: float | np.ndarray) -> np.ndarray:
    """MATLAB datenum of a day number."""
    return np.asarray(days, dtype=np.float64) + MATLAB_DATENUM_OFFSET


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
