"""The Python wrapper against the library and the registered EDF component, on the sample
recording. Every sample is checked against an independent reading of the EDF file with numpy.

Run by ctest with TAPLINE_LIBRARY, TAPLINE_EDF_MODULE, TAPLINE_REGSVR, TAPLINE_SAMPLE_WRITER
and PYTHONPATH (examples/python) set.
"""
import math
import os
import shutil
import subprocess
import tempfile
import unittest

import numpy as np

import plot_window
import tapline

DAY = 86400.0
# 2024-05-14 09:30:00, the sample recording's start, as a day number.
START_DAY = 45426.0 + 34200.0 / DAY


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


class WrapperTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        # A failure report pauses for a key on a terminal; tests must never wait.
        null = os.open(os.devnull, os.O_RDONLY)
        os.dup2(null, 0)
        os.close(null)
        cls.folder = tempfile.mkdtemp(prefix="tapline-python-")
        # The class registry is read on every creation: a private one for these tests.
        os.environ["XDG_DATA_HOME"] = cls.folder
        subprocess.run([os.environ["TAPLINE_REGSVR"], os.environ["TAPLINE_EDF_MODULE"]],
                       check=True, stdout=subprocess.DEVNULL, stdin=subprocess.DEVNULL)
        cls.path = os.path.join(cls.folder, "sample.edf")
        subprocess.run([os.environ["TAPLINE_SAMPLE_WRITER"], cls.path], check=True,
                       stdout=subprocess.DEVNULL, stdin=subprocess.DEVNULL)
        cls.signals = read_edf_signals(cls.path)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.folder)

    def setUp(self):
        self.recording = tapline.Recording(self.path)
        self.addCleanup(self.recording.close)

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

    def test_plot_window_writes_png(self):
        out = os.path.join(self.folder, "window.png")
        plot_window.plot_window(self.recording, 5.0, 10.0, out)
        with open(out, "rb") as file:
            self.assertEqual(file.read(8), b"\x89PNG\r\n\x1a\n")
        self.assertGreater(os.path.getsize(out), 10000)


class HelperTest(unittest.TestCase):
    def test_day_numbers(self):
        self.assertEqual(str(tapline.day_number_to_datetime64(25569.0)), "1970-01-01T00:00:00.000000")
        self.assertEqual(str(tapline.day_number_to_datetime64(-1.5)), "1899-12-28T12:00:00.000000")
        self.assertEqual(tapline.day_number_to_datenum(0.0), 693960.0)
        self.assertEqual(tapline.day_number_to_datenum(START_DAY) - START_DAY, 693960.0)

    def test_window_ranges(self):
        cases = [  # rates, segment duration, offset, duration, expected
            ([256, 128, 1], 60, 10, 4, [(2560, 1024), (1280, 512), (10, 4)]),
            ([1], 60, 1.5, 4, [(2, 4)]),
            ([1], 60, 2, 3, [(2, 3)]),
            ([128], 10, 8, 4, [(1024, 256)]),
            ([0.5], 60, 1.5, 4, [(1, 2)]),
            ([256], 60, -1, 4, [(0, 0)]),
            ([256], 60, 60, 1, [(0, 0)]),
        ]
        for rates, segment, offset, duration, expected in cases:
            self.assertEqual(tapline.window_ranges(rates, segment, offset, duration), expected,
                             (rates, segment, offset, duration))

    def test_window_capacity_bounds_every_window(self):
        generator = np.random.default_rng(3)
        for rate in (512, 256, 1, 0.1, 2.5):
            for duration in (0.001, 1.0, 4.0, 3.3):
                bound = tapline.window_capacity(rate, duration)
                for offset in generator.uniform(0, 3000, 200):
                    (_, count), = tapline.window_ranges([rate], 3600, offset, duration)
                    self.assertLessEqual(count, bound, (rate, duration, offset))

    def test_library_argument_comes_first(self):
        self.assertEqual(tapline.find_library("/some/libtapline.so"), "/some/libtapline.so")


if __name__ == "__main__":
    unittest.main()
