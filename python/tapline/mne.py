"""A recording's segment as MNE-Python Raw objects (Debian's python3-mne).

MNE holds one sampling rate per Raw, and a recording's channels may differ (EEG at 256 Hz,
respiration at 128 Hz, SpO2 at 1 Hz), so to_mne returns one RawArray per rate, highest rate
first; each holds the segment's channels of that rate, in the recording's order. Segments are
separate Raws too (call to_mne per segment): a gap between segments has no samples, and a Raw
per segment keeps every sample time exact instead of padding gaps.

- Data: physical values with the reader component's gains and offsets (EDF, BrainVision,
  WFDB; a WFDB record's invalid samples are NaN); voltage units (V, mV, uV with any micro sign, nV) in volts, as MNE
  expects, channel type from the label (ECG/EKG, EOG, EMG, else EEG); other units unscaled as
  "misc". A file without calibration gives its digital values as "misc", with a warning.
- meas_date: the segment's own start, in UTC, so that the segments of a paused recording keep
  their true times.
- Annotations: the events whose onset lies in the segment, onset in seconds from the Raw's first
  sample, their durations, description = the event's label.
"""

import datetime
import warnings

import numpy as np

from . import TICKS_PER_SECOND, NoCalibrationError, seconds_between

# Volts per unit, for the physical dimensions EDF files write for voltages.
VOLT_SCALES = {"V": 1.0, "mV": 1e-3, "uV": 1e-6, "\u00b5V": 1e-6, "\u03bcV": 1e-6, "nV": 1e-9}
_LABEL_TYPES = (("ECG", "ecg"), ("EKG", "ecg"), ("EOG", "eog"), ("EMG", "emg"))
_DAY_ZERO = datetime.datetime(1899, 12, 30, tzinfo=datetime.timezone.utc)


def _import_mne():
    try:
        import mne
    except ImportError:
        raise ImportError("to_mne needs MNE-Python: install Debian's python3-mne "
                          "(apt-get install python3-mne)") from None
    return mne


def channel_type(label, unit):
    """MNE channel type of a channel: by label for voltages, else "misc"."""
    if unit not in VOLT_SCALES:
        return "misc"
    upper = label.upper()
    for prefix, kind in _LABEL_TYPES:
        if upper.startswith(prefix):
            return kind
    return "eeg"


def day_number_to_utc(days):
    """A day number as an aware UTC datetime, to the microsecond."""
    return _DAY_ZERO + datetime.timedelta(microseconds=round(float(days) * 86400e6))


def _unique(names):
    """MNE refuses repeated channel names: later repeats get "-1", "-2", ..."""
    seen = {}
    result = []
    for name in names:
        count = seen.get(name, 0)
        result.append(name if count == 0 else "%s-%d" % (name, count))
        seen[name] = count + 1
    return result


def segment_annotations(recording, segment, tmin=0.0, tmax=None):
    """(onsets in seconds from the segment's start, durations, labels) of the events whose
    onset lies in the segment (in [tmin, tmax) of it when given)."""
    table = recording.segments()
    start = table["start"][segment]
    segment_ticks = round(table["duration"][segment] * TICKS_PER_SECOND)
    low = round(tmin * TICKS_PER_SECOND)
    high = segment_ticks if tmax is None else min(round(tmax * TICKS_PER_SECOND), segment_ticks)
    onsets, durations, labels = [], [], []
    for event in recording.events():
        onset = seconds_between(start, event.time)
        if low <= round(onset * TICKS_PER_SECOND) < high:
            onsets.append(onset)
            durations.append(float(event.duration))
            labels.append(str(event.label))
    return onsets, durations, labels


def to_mne(recording, segment=0, picks=None, tmin=None, tmax=None):
    """One mne.io.RawArray per sampling rate of the segment's (picked) channels, highest rate
    first. With tmin/tmax (seconds from the segment's start) only that stretch is read; each
    Raw then starts at its first sample in it, and its annotations count from there."""
    mne = _import_mne()
    segment = recording._check_segment(segment)
    chosen = recording._picks(segment, picks)
    names = _unique(recording.channel_names(segment))
    try:
        table = recording.calibration(segment)
        samples, firsts = recording._read_stretch(segment, tmin, tmax, physical=True)
        units = list(table["unit"])
    except NoCalibrationError as error:
        warnings.warn("%s; the MNE channels hold digital values as \"misc\"" % error)
        samples, firsts = recording._read_stretch(segment, tmin, tmax, physical=False)
        samples = [s.astype(np.float64) for s in samples]
        units = [None] * len(names)
    rates = recording.rates(segment)
    start = recording.segments()["start"][segment]
    onsets, durations, labels = segment_annotations(recording, segment, tmin or 0.0, tmax)
    raws = []
    for rate in sorted(set(rates[i] for i in chosen), reverse=True):
        members = [i for i in chosen if rates[i] == rate]
        types = [channel_type(names[i], units[i]) for i in members]
        data = np.vstack([samples[i] * VOLT_SCALES.get(units[i], 1.0) for i in members])
        info = mne.create_info([names[i] for i in members], float(rate), types, verbose=False)
        raw = mne.io.RawArray(data, info, verbose=False)
        first_seconds = float(firsts[members[0]] / rate)
        raw.set_meas_date(day_number_to_utc(start + first_seconds / 86400.0))
        # orig_time None: onsets count from the Raw's first sample.
        raw.set_annotations(mne.Annotations([onset - first_seconds for onset in onsets],
                                            durations, labels, orig_time=None),
                            emit_warning=False)
        raws.append(raw)
    return raws
