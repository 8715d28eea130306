"""Recordings as MNE Raw objects: physical values in volts for voltage units, other units
unscaled as "misc", one Raw per rate, the segment's start as meas_date, its events as
annotations from the Raw's first sample.
"""
import datetime
import sys
import unittest
from unittest import mock

import numpy as np

import support
import tapline
from tapline import mne as tapline_mne

# Digital values that hit both ends of each range and a point between.
EEG_DIGITAL = [-32768, 32767, 0, 1234]
TEMP_DIGITAL = [-100, 3000, 0, 1450]  # asymmetric range, a non-voltage unit
SIGNALS = [
    {"label": "EEG Cz", "spr": 4, "unit": "\u00b5V", "pmin": -3200, "pmax": 3200,
     "values": lambda i, k: np.take(EEG_DIGITAL, k % 4)},
    {"label": "EMG chin", "spr": 4, "unit": "mV", "pmin": "-2.5", "pmax": "2.5", "dmin": -2048,
     "dmax": 2047, "values": lambda i, k: k % 4096 - 2048},
    {"label": "Temp \u00b0C", "spr": 1, "unit": "degC", "pmin": 30, "pmax": 42, "dmin": -100,
     "dmax": 3000, "values": lambda i, k: np.take(TEMP_DIGITAL, k % 4)},
]
# Two segments of 1-s records: 0-6 s and 10-14 s.
SEGMENTS = [("+0", 6), ("+10", 4)]
EVENTS = [("+0.5", "1", "Start"), ("+2.25", "0", "Marker"), ("+11.75", "1.5", "Late")]
START = datetime.datetime(2024, 5, 14, 9, 30, tzinfo=datetime.timezone.utc)


def physical(digital, pmin, pmax, dmin, dmax):
    return pmin + (np.asarray(digital, dtype=np.float64) - dmin) * (pmax - pmin) / (dmax - dmin)


class MneTest(support.RecordingTest):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.path = cls.workspace.path("calibrated.edf")
        support.write_edf(cls.path, SIGNALS, "1", SEGMENTS, EVENTS)

    def test_raws_group_channels_by_rate_with_volts_and_types(self):
        fast, slow = self.recording.to_mne(0)
        self.assertEqual((fast.ch_names, fast.info["sfreq"]), (["EEG Cz", "EMG chin"], 4.0))
        self.assertEqual(fast.get_channel_types(), ["eeg", "emg"])
        self.assertEqual((slow.ch_names, slow.info["sfreq"]), (["Temp \u00b0C"], 1.0))
        self.assertEqual(slow.get_channel_types(), ["misc"])
        k = np.arange(24)
        np.testing.assert_allclose(
            fast.get_data()[0], 1e-6 * physical(np.take(EEG_DIGITAL, k % 4), -3200, 3200,
                                                 -32768, 32767), rtol=1e-14)
        np.testing.assert_allclose(
            fast.get_data()[1], 1e-3 * physical(k - 2048, -2.5, 2.5, -2048, 2047), rtol=1e-14)
        # degC stays in degC: 30 and 42 at the digital ends.
        np.testing.assert_allclose(slow.get_data()[0][:4], [30, 42, 30 + 12 * 100 / 3100, 36.0],
                                   rtol=1e-14)
        np.testing.assert_allclose(fast.times[:3], [0, 0.25, 0.5])

    def test_each_segment_has_its_start_and_events(self):
        cases = [(0, START, 6.0, [0.5, 2.25], [1.0, 0.0], ["Start", "Marker"]),
                 (1, START + datetime.timedelta(seconds=10), 4.0, [1.75], [1.5], ["Late"])]
        for segment, start, seconds, onsets, durations, labels in cases:
            for raw in self.recording.to_mne(segment):
                self.assertEqual(raw.info["meas_date"], start)
                self.assertAlmostEqual(raw.n_times / raw.info["sfreq"], seconds)
                annotations = raw.annotations
                np.testing.assert_allclose(annotations.onset, onsets, atol=1e-9)
                np.testing.assert_allclose(annotations.duration, durations)
                self.assertEqual(list(annotations.description), labels)

    def test_calibration_of_an_asymmetric_range(self):
        table = self.recording.calibration(0)
        # Units and labels written in UTF-8 match the library's channel names.
        self.assertEqual(list(table["unit"]), ["\u00b5V", "mV", "degC"])
        gain, offset = table["gain"][2], table["offset"][2]
        self.assertEqual(gain, 12 / 3100)
        self.assertAlmostEqual(gain * -100 + offset, 30.0, places=12)
        self.assertAlmostEqual(gain * 3000 + offset, 42.0, places=12)

    def test_missing_mne_names_the_debian_package(self):
        with mock.patch.dict(sys.modules, {"mne": None}):
            with self.assertRaisesRegex(ImportError, "python3-mne"):
                self.recording.to_mne(0)

    def test_uncalibrated_files_give_digital_misc_channels_with_a_warning(self):
        with mock.patch.object(self.recording, "calibration",
                               side_effect=tapline.NoCalibrationError("no header here")):
            with self.assertWarnsRegex(UserWarning, "no header here"):
                fast, _ = self.recording.to_mne(0)
        self.assertEqual(fast.get_channel_types(), ["misc", "misc"])
        np.testing.assert_array_equal(fast.get_data()[0][:4], EEG_DIGITAL)


class ChannelTypeTest(unittest.TestCase):
    def test_types_and_scales(self):
        cases = [("EEG Fp1", "uV", "eeg"), ("ECG", "uV", "ecg"), ("EKG II", "mV", "ecg"),
                 ("EOG left", "uV", "eog"), ("EMG", "V", "emg"), ("Fz", "\u00b5V", "eeg"),
                 ("SpO2", "%", "misc"), ("Resp", "", "misc"), ("Pleth", "uv", "misc")]
        for label, unit, kind in cases:
            self.assertEqual(tapline_mne.channel_type(label, unit), kind, (label, unit))
        self.assertEqual(tapline_mne._unique(["A", "B", "A", "A"]), ["A", "B", "A-1", "A-2"])


if __name__ == "__main__":
    unittest.main()
