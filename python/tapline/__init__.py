"""Read Tapline recordings from Python through the library's C exports (ctypes + numpy).

    with tapline.Recording("sample.edf") as rec:
        rec.segments()            # start (day number), start_time, duration per segment
        rec.channels(0)           # name, value (EDF: sampling rate in Hz), samples per channel
        rec.segment_samples(0)    # one int16 array per channel (physical=True: float64)
        rec.window(date, 4.0)     # the same for a time window within one segment
        rec.iter_windows(0, 4.0)  # consecutive windows that tile a segment
        rec.calibration(0)        # gain, offset and unit per channel, from the component
        rec.events()              # numpy records: time, duration, type_index, whole texts
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

The package's modules, each with one job: errors (exceptions and the warning), library
(finding and loading the library), day_numbers (dates and seconds), window_rule (which samples
a window holds), read_plan (how a span is read through GetData2), texts, recording (Recording)
with calibration, event_reading and sample_reading (its methods by job); every name is
re-exported here, so tapline.X stays the way to reach it.
"""

from .errors import (NoCalibrationError, RecordingAlreadyOpenError, RecordingRefusedError,
                     RecordingWarning, TaplineError, WindowError)
from .library import LIBRARY_ENV, _REPOSITORY, find_library, load_library
from .window_rule import (TICKS_PER_DAY, TICKS_PER_SECOND, WINDOW_SHIFT_TICKS, exact_rate,
                          samples_before, segment_sample_count, window_capacity, window_ranges,
                          window_shift_ticks, window_ticks)
from .day_numbers import (DAYS_PER_SECOND, MATLAB_DATENUM_OFFSET, UNIX_EPOCH_DAY,
                          day_number_to_datenum, day_number_to_datetime64, seconds_between,
                          to_day_number)
from .texts import TEXT_BYTES
from .sample_reading import Window
from .recording import Recording

__all__ = [
    "TaplineError", "RecordingRefusedError", "RecordingWarning", "WindowError",
    "RecordingAlreadyOpenError", "NoCalibrationError",
    "LIBRARY_ENV", "find_library", "load_library",
    "UNIX_EPOCH_DAY", "MATLAB_DATENUM_OFFSET", "DAYS_PER_SECOND", "day_number_to_datetime64",
    "day_number_to_datenum", "seconds_between", "to_day_number",
    "TICKS_PER_SECOND", "TICKS_PER_DAY", "WINDOW_SHIFT_TICKS", "window_capacity", "exact_rate",
    "window_shift_ticks", "window_ticks", "samples_before", "window_ranges",
    "segment_sample_count",
    "TEXT_BYTES", "Window", "Recording",
]

# Hosts meet these as tapline.X, as before the package had modules: in tracebacks, reprs,
# pickles and help(tapline).
for _name in __all__:
    if callable(globals()[_name]):
        globals()[_name].__module__ = __name__
del _name
