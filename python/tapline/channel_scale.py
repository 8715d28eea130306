"""What a recording's header says of one channel beyond its samples, whatever the format: its
name, unit, exact rate and how its stored 16-bit values become physical ones.

Each format's header module (edf_header, brainvision_header, wfdb_header) describes its
channels with these, so that the wrapper scales every format the same way.
"""

import collections

import numpy as np


class ChannelScale(collections.namedtuple(
        "ChannelScale", "name unit rate gain offset physical_min physical_max digital_min "
                        "digital_max convert problem")):
    """One channel: name (as the reader component names it), unit, rate (an exact Fraction, in
    Hz), gain and offset (physical = gain x digital + offset, as doubles), the physical values
    of the digital range's ends, and `convert`, the exact conversion of an array of stored
    values. `problem` says why the channel has no physical values (then None elsewhere)."""

    __slots__ = ()

    def physical(self, digital):
        """float64 physical values of stored values; raises ValueError with `problem`."""
        if self.problem is not None:
            raise ValueError(self.problem)
        return self.convert(np.asarray(digital, dtype=np.float64))


def linear(name, unit, rate, gain, offset, digital_min=-32768, digital_max=32767):
    """A channel whose physical value is gain x digital + offset."""
    gain, offset = float(gain), float(offset)
    return ChannelScale(name, unit, rate, gain, offset, gain * digital_min + offset,
                        gain * digital_max + offset, digital_min, digital_max,
                        lambda values: gain * values + offset, None)


def unscalable(name, unit, rate, problem):
    """A channel whose header gives its rate but no physical values, saying why."""
    return ChannelScale(name, unit, rate, None, None, None, None, None, None, None, problem)
