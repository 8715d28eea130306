"""The Python wrapper against the library and the registered EDF component, on the sample
recording. Every sample is checked against an independent reading of the EDF file with numpy.
"""
import math
import os
import re
import unittest
import warnings
from fractions import Fraction

import numpy as np

import plot_window
import support
import tapline
import tapline.cohort

DAY = support.DAY
START_DAY = support.SAMPLE_START_DAY


def read_edf_signals(path):
    """Per ordinary signal of an EDF+ file with 1-s records: (label, rate, samples of every
    record in file order). Annotation signals are left out."""
    with open(path, "rb") as file:
        data = file.read()
    count = int(data[252:256])
    base = 256
    labels = [data[base + 16 * i:base + 16 * (i + 1)].decode("latin-1").strip()
              for i in range(count)]
    per_record = [int(data[base + 216 * count + 8 * i:base + 216 * count + 8 * (i + 1)])
                  for i in range(count)]
    header_bytes = 256 * (count + 1)
    record_samples = sum(per_record)
    records = np.frombuffer(data, dtype="<i2", offset=header_bytes).reshape(-1, record_samples)
    signals = []
    offset = 0
    for label, n in zip(labels, per_record):
        if label != "EDF Annotations":
            signals.append((label, n, records[:, offset:offset + n].reshape(-1)))
        offset += n
    return signals


# Segments of the sample recording: (first record, record count).
SEGMENTS = [(0, 60), (60, 45), (105, 75)]
SEGMENT_STARTS = [0.0, 90.0, 180.0]


class WrapperTest(support.RecordingTest):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.folder = cls.workspace.folder
        cls.signals = read_edf_signals(cls.path)

    def expected_segment(self, channel, segment):
        label, rate, samples = self.signals[channel]
        first, count = SEGMENTS[segment]
        return samples[first * rate:(first + count) * rate]

    def test_segments_have_starts_and_durations(self):
        table = self.recording.segments()
        self.assertEqual(self.recording.segment_count, 3)
        np.testing.assert_array_equal(table["duration"], [60.0, 45.0, 75.0])
        for i, seconds in enumerate(SEGMENT_STARTS):
            self.assertAlmostEqual(table["start"][i], START_DAY + seconds / DAY, delta=1e-10)
        self.assertEqual(str(table["start_time"][1]), "2024-05-14T09:31:30.000000")

    def test_channels_give_names_rates_and_counts(self):
        for segment, (_, records) in enumerate(SEGMENTS):
            table = self.recording.channels(segment)
            self.assertEqual(list(table["name"]), [s[0] for s in self.signals])
            np.testing.assert_array_equal(table["value"], [s[1] for s in self.signals])
            np.testing.assert_array_equal(table["samples"], [s[1] * records for s in self.signals])

    def test_segment_samples_match_the_file(self):
        for segment in range(3):
            samples = self.recording.segment_samples(segment)
            self.assertEqual(len(samples), 8)
            for channel, values in enumerate(samples):
                self.assertEqual(values.dtype, np.int16)
                np.testing.assert_array_equal(values, self.expected_segment(channel, segment),
                                              "segment %d channel %d" % (segment, channel))

    def test_windows_match_the_file(self):
        # (seconds from the recording's start, duration): on samples, between samples,
        # through the end of a segment within the library's rounding, in the last segment.
        for start, duration in [(91.5, 2.0), (100.123, 1.7), (133.5, 1.9), (250.0, 4.0),
                                (0.0, 60.0)]:
            segment = max(i for i, s in enumerate(SEGMENT_STARTS) if s <= start)
            offset = start - SEGMENT_STARTS[segment]
            end = min(offset + duration, SEGMENTS[segment][1])
            date = self.recording.recording_seconds_to_date(start)
            window = self.recording.window(date, duration)
            times = self.recording.window_times(date, duration)
            for channel, values in enumerate(window):
                rate = self.signals[channel][1]
                first, last = math.ceil(offset * rate - 1e-9), math.ceil(end * rate - 1e-9)
                expected = self.expected_segment(channel, segment)[first:last]
                np.testing.assert_array_equal(values, expected, "window %r channel %d" %
                                              ((start, duration), channel))
                if len(values):
                    self.assertAlmostEqual(times[channel][0], first / rate - offset, places=6)
                    self.assertGreaterEqual(times[channel][0], -1e-6)

    def test_refused_windows_raise(self):
        date = self.recording.recording_seconds_to_date
        with self.assertRaises(tapline.TaplineError):
            self.recording.window(date(58.0), 4.0)  # beyond its segment's end
        with self.assertRaises(tapline.TaplineError):
            self.recording.window(date(70.0), 1.0)  # in the gap between segments

    def test_events_are_records_with_texts_durations_and_times(self):
        events = self.recording.events()
        self.assertEqual(len(events), 21)
        self.assertEqual(events.label[0], "Lights off")
        self.assertEqual(events.duration[0], 1.0)
        self.assertAlmostEqual(events.time[4], START_DAY + 33.25 / DAY, delta=1e-10)
        self.assertEqual(events.label[6], "\u00c9lectrode O1 d\u00e9plac\u00e9e")
        self.assertEqual(events.type_text1[6], events.label[6])
        self.assertEqual(events.type_text2[6], "EDF Annotations")
        # One TAL with two texts: two events, same time and duration, two types.
        self.assertEqual((events.label[7], events.label[8]), ("Arousal", "Snoring"))
        self.assertEqual(events.time[7], events.time[8])
        self.assertNotEqual(events.type_index[7], events.type_index[8])
        # A repeated text is one type.
        spindles = events.type_index[events.label == "Spindle"]
        self.assertEqual(len(spindles), 3)
        self.assertEqual(len(set(spindles)), 1)
        self.assertTrue((events.duration > 0).all())

    def test_refused_file_raises_and_leaves_the_library_usable(self):
        self.recording.close()
        bad = os.path.join(self.folder, "not-edf.edf")
        with open(bad, "wb") as file:
            file.write(b"1234567890")
        with self.assertRaises(tapline.TaplineError):
            tapline.Recording(bad)
        with tapline.Recording(self.path) as again:
            self.assertEqual(again.segment_count, 3)

    def test_calibration_gives_the_header_gains_offsets_and_units(self):
        table = self.recording.calibration(1)
        self.assertEqual(list(table["name"]), [s[0] for s in self.signals])
        self.assertEqual(list(table["unit"]), ["uV"] * 5 + ["", "", "%"])
        # Symmetric ranges: (pmax - pmin) / 65535 and pmin + 32768 x gain; SpO2 maps the
        # asymmetric digital 0 .. 10000 onto 0 .. 100 %.
        # The gain is the correctly rounded quotient, the offset pmin - gain x dmin in doubles.
        for channel, physical_max in [(0, 3200), (4, 5000), (5, 2000)]:
            gain = float(Fraction(2 * physical_max, 65535))
            self.assertEqual(table["gain"][channel], gain)
            self.assertEqual(table["offset"][channel], -physical_max - gain * -32768.0)
        self.assertEqual((table["gain"][7], table["offset"][7]), (0.01, 0.0))
        self.assertEqual((table["digital_min"][7], table["digital_max"][7]), (0, 10000))

    def test_physical_values_are_gain_times_digital_plus_offset(self):
        table = self.recording.calibration(0)
        date = self.recording.recording_seconds_to_date(12.5)
        reads = [(self.recording.segment_samples(0), self.recording.segment_samples(0, True)),
                 (self.recording.window(date, 2.0), self.recording.window(date, 2.0, True))]
        for digital, physical in reads:
            for channel, (d, p) in enumerate(zip(digital, physical)):
                self.assertEqual(p.dtype, np.float64)
                np.testing.assert_array_equal(
                    p, table["gain"][channel] * d.astype(np.float64) + table["offset"][channel])
        spo2 = reads[0][1][7]
        self.assertTrue(((spo2 > 90) & (spo2 < 100)).all())

    def test_windows_tile_the_sample_segments(self):
        for segment, seconds in [(0, 4.0), (1, 7.7), (1, 0.3), (2, 75.0)]:
            whole = self.recording.segment_samples(segment, physical=True)
            windows = list(self.recording.iter_windows(segment, seconds, physical=True))
            self.assertEqual(len(windows), math.ceil(SEGMENTS[segment][1] / seconds))
            for channel, samples in enumerate(whole):
                joined = np.concatenate([w.samples[channel] for w in windows])
                np.testing.assert_array_equal(joined, samples, str((segment, seconds, channel)))
            self.assertAlmostEqual(windows[-1].start, START_DAY + (
                SEGMENT_STARTS[segment] + windows[-1].offset) / DAY, delta=1e-10)

    def test_a_channel_without_physical_values_stays_digital(self):
        """An EDF signal with an empty physical range: the component opens the file, gives no
        gain for the signal, and the wrapper says which channel while digital reads, rates,
        MNE and cohort rows still work."""
        self.recording.close()
        path = os.path.join(self.folder, "uncalibrated.edf")
        support.write_edf(path, [{"label": "EEG", "spr": 4},
                                 {"label": "Flat", "spr": 2, "pmin": 5, "pmax": 5}],
                          "1", [("+0", 3)])
        reason = (r"^no gain or offset for channel 1 \('Flat'\) of segment 0 of %s: the reader "
                  r"component gives no physical values for it .*; its samples are digital "
                  r"values only$" % re.escape(path))
        with tapline.Recording(path) as other:
            with self.assertRaisesRegex(tapline.NoCalibrationError, reason):
                other.calibration(0)
            with self.assertRaisesRegex(tapline.NoCalibrationError, reason):
                other.window(other.segments()["start"][0], 1.0, physical=True)
            self.assertEqual(other.rates(0), [4, 2])
            eeg, flat = other.window_at_seconds(1.0, 1.0)
            np.testing.assert_array_equal(eeg, np.arange(4, 8))
            np.testing.assert_array_equal(flat, np.arange(2, 4))
            with self.assertWarnsRegex(UserWarning, "channel 1 \\('Flat'\\).*\"misc\""):
                raws = other.to_mne(0)
            self.assertEqual([raw.get_channel_types() for raw in raws], [["misc"], ["misc"]])
        row = tapline.cohort.summarize(path)
        self.assertEqual((row["error"], row["units"], row["minimum"]),
                         (None, ("digital", "digital"), (0.0, 0.0)))

    def test_plot_shades_the_window_events(self):
        out = os.path.join(self.folder, "events.png")
        spans = plot_window.plot_window(self.recording, 50.0, 10.0, out)
        self.assertEqual([(b, e, label) for b, e, label in spans],
                         [(52.0, 58.0, "Arousal"), (52.0, 58.0, "Snoring")])
        spans = plot_window.window_events(self.recording, 96.0, 6.0)
        self.assertEqual([label for _, _, label in spans], ["Sleep stage N1", "K-complex"])

    def test_plot_window_writes_png(self):
        out = os.path.join(self.folder, "window.png")
        plot_window.plot_window(self.recording, 5.0, 10.0, out)
        with open(out, "rb") as file:
            self.assertEqual(file.read(8), b"\x89PNG\r\n\x1a\n")
        self.assertGreater(os.path.getsize(out), 10000)


VHDR = ("BrainVision Data Exchange Header File Version 1.0\r\n[Common Infos]\r\n"
        "DataFile=r.eeg\r\nNumberOfChannels=1\r\nSamplingInterval=1000\r\n[Binary Infos]\r\n"
        "BinaryFormat=%s\r\n[Channel Infos]\r\nCh1=Cz,,1,uV\r\n")


class ComponentMessageTest(support.WorkspaceTest):
    """The reader component's own words reach the wrapper: a refused file's reason in the
    exception, what a forgiving open forgave as a warning, for every format."""

    def write(self, name, files):
        """The files in a folder of their own; the path of the first."""
        folder = self.workspace.path(name)
        os.makedirs(folder)
        for file_name, data in files:
            with open(os.path.join(folder, file_name), "wb") as file:
                file.write(data)
        return os.path.join(folder, files[0][0])

    def test_refused_files_raise_with_the_components_reason(self):
        cases = [
            ("edf", [("short.edf", b"0       X")],
             "the file is shorter than the 256-byte EDF header"),
            ("brainvision", [("r.vhdr", (VHDR % "INT_32").encode()), ("r.eeg", bytes(8))],
             "the samples are 32-bit (INT_32): only 16-bit samples are read, and 16 bits would"
             " change them"),
        ]
        for name, files, reason in cases:
            with self.subTest(name):
                path = self.write("refused-" + name, files)
                with self.assertRaises(tapline.RecordingRefusedError) as raised:
                    tapline.Recording(path)
                self.assertEqual(raised.exception.reason, reason)
                self.assertEqual(raised.exception.path, path)
                self.assertIn(reason, str(raised.exception))

    def test_forgiving_opens_warn_with_the_components_words(self):
        edf = self.workspace.path("forgiving.edf")
        support.write_edf(edf, [{"label": "EEG", "spr": 4}], "1", [("+0", 3)])
        with open(edf, "rb") as file:
            clean = file.read()
        cases = [
            ("edf_bytes_after", [("a.edf", clean + b"xyz")],
             ("3 bytes after the last data record are not read (a data record is 8 bytes)",)),
            ("brainvision_partial_frame",
             [("r.vhdr", (VHDR % "INT_16").encode()), ("r.eeg", bytes(7))],
             ("the data file ends in a partial frame (1 of 2 bytes), which is not read",)),
        ]
        for name, files, expected in cases:
            with self.subTest(name):
                path = self.write("forgiving-" + name, files)
                with self.assertWarns(tapline.RecordingWarning) as warned:
                    with tapline.Recording(path) as rec:
                        self.assertEqual(rec.warnings, expected)
                self.assertEqual(str(warned.warning), "%s: %s" % (path, "; ".join(expected)))

    def test_a_clean_open_after_a_refused_one_says_nothing(self):
        refused = self.write("stale", [("short.edf", b"0       X")])
        with self.assertRaises(tapline.RecordingRefusedError):
            tapline.Recording(refused)
        with warnings.catch_warnings():
            warnings.simplefilter("error")
            with tapline.Recording(self.workspace.sample) as rec:
                self.assertEqual(rec.warnings, ())


class HelperTest(unittest.TestCase):
    def test_day_numbers(self):
        self.assertEqual(str(tapline.day_number_to_datetime64(25569.0)), "1970-01-01T00:00:00.000000")
        self.assertEqual(str(tapline.day_number_to_datetime64(-1.5)), "1899-12-28T12:00:00.000000")
        self.assertEqual(tapline.day_number_to_datenum(0.0), 693960.0)
        self.assertEqual(tapline.day_number_to_datenum(START_DAY) - START_DAY, 693960.0)

    def test_window_capacity_bounds_every_window(self):
        generator = np.random.default_rng(3)
        for rate in (512, 256, 1, 0.1, 2.5):
            exact = [tapline.exact_rate(rate)]
            for duration in (0.001, 1.0, 4.0, 3.3):
                bound = tapline.window_capacity(rate, duration)
                for offset in generator.uniform(0, 3000, 200):
                    start, length = tapline.window_ticks(offset / DAY, 0.0, duration)
                    (_, count), = tapline.window_ranges(exact, [10 ** 9], start, length)
                    self.assertLessEqual(count, bound, (rate, duration, offset))

    def test_library_argument_comes_first(self):
        self.assertEqual(tapline.find_library("/some/libtapline.so"), "/some/libtapline.so")


if __name__ == "__main__":
    unittest.main()
