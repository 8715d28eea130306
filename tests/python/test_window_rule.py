"""The wrapper's window layout against the reader component, over random windows on files whose
samples encode their own index: the counts the wrapper works out are exactly what GetData2
writes, and every value is the sample at the time the wrapper gives it.
"""
import ctypes
import math
import unittest
from fractions import Fraction

import numpy as np

import support
import tapline

RATES = [0.1, 1, 128, 200, 256, 500, 512, 1000]
# Record duration (header text) -> records of the two segments.
RECORD_DURATIONS = {"0.1": (40, 23), "0.25": (16, 9), "1": (6, 5), "2": (4, 3), "30": (2, 1)}
# Values are the sample's index in its segment modulo this, so the sentinel -1 never occurs.
MODULUS = 32749
SENTINEL = -1
# Offsets of a window's start from a sample's time: on it, within a day number's rounding,
# and 1 us off, the width of the rule's shift.
NUDGES = [0.0, 0.3e-6, -0.3e-6, 1e-6, -1e-6, 0.6e-6, -0.6e-6]


def encoded(signal_index, k):
    return (k + 7 * signal_index) % MODULUS


def property_file(folder, record_duration, records, year=2024):
    """An EDF+D file of every rate that fills whole records, two segments, the second starting
    0.7 s past a whole second, dated 14 May of the year."""
    duration = Fraction(record_duration)
    rates = [Fraction(r).limit_denominator(10) for r in RATES]
    signals = [{"label": "R%s" % float(r), "spr": int(r * duration), "values": encoded}
               for r in rates if (r * duration).denominator == 1]
    first, second = records
    onset_b = first * duration + duration + Fraction(7, 10)
    path = "%s/rule-%s-%d.edf" % (folder, record_duration, year)
    support.write_edf(path, signals, record_duration,
                      [("+0", first), ("+" + str(float(onset_b)), second)], year=year)
    return path, signals


class WindowRuleTest(support.WorkspaceTest):
    def raw_window(self, recording, date, duration, rates):
        """GetData2 into a sentinel-filled buffer with room to spare: the values written."""
        room = sum(tapline.window_capacity(r, duration) for r in rates) + 64
        buffer = np.full(room, SENTINEL, dtype=np.int16)
        pointer = buffer.ctypes.data_as(ctypes.POINTER(ctypes.c_short))
        self.assertEqual(recording._lib.GetData2(date, duration, pointer), 1)
        written = int(np.count_nonzero(buffer != SENTINEL))
        self.assertTrue((buffer[written:] == SENTINEL).all(), "writes are not contiguous")
        return written

    def test_random_windows_hold_the_component_samples_at_their_times(self):
        generator = np.random.default_rng(11)
        checked = 0
        for record_duration, records in RECORD_DURATIONS.items():
            path, signals = property_file(self.workspace.folder, record_duration, records)
            with tapline.Recording(path) as recording:
                segments = recording.segments()
                rates = recording.rates(0)
                for _ in range(80):
                    checked += self.check_random_window(recording, segments, rates, generator)
        self.assertGreater(checked, 250)

    def test_random_windows_far_from_now_hold_the_samples_at_their_times(self):
        # Day numbers are 1.3 us apart in 2150 and 5 us in 2900: the shift is 2 and 8 us.
        generator = np.random.default_rng(12)
        for year, shift in ((2150, 20), (2900, 80)):
            checked = 0
            path, _ = property_file(self.workspace.folder, "1", (6, 5), year)
            with tapline.Recording(path) as recording:
                self.assertEqual(recording._shift_ticks(), shift)
                self.assertEqual(recording.segments()["start_time"][0].astype(object).year,
                                 year)
                segments = recording.segments()
                rates = recording.rates(0)
                for _ in range(120):
                    checked += self.check_random_window(recording, segments, rates, generator)
            self.assertGreater(checked, 60, year)

    def check_random_window(self, recording, segments, rates, generator):
        segment = int(generator.integers(len(segments)))
        start, length = segments["start"][segment], segments["duration"][segment]
        rate = rates[int(generator.integers(len(rates)))]
        k = int(generator.integers(int(length * rate)))
        offset = float(k / rate) + NUDGES[int(generator.integers(len(NUDGES)))]
        if generator.random() < 0.15:
            offset = float(generator.uniform(0, length))
        offset = max(offset, 0.0)
        spacing = float(1 / rates[int(generator.integers(len(rates)))])
        duration = min(float(generator.choice([spacing * int(generator.integers(0, 40)),
                                               generator.uniform(0, 3), length])),
                       length + 0.4 - offset)
        duration = max(duration, 0.0)
        # The library accepts a duration up to the whole seconds left before the segment's end
        # as the component reports it (rounded up to a whole second): keep clear of the edge.
        end = math.ceil(round((start * support.DAY) % 1.0 * 1e6) / 1e6 + length - 1e-4)
        left = end - round((start * support.DAY) % 1.0 * 1e6) / 1e6 - offset + 0.5
        if duration > math.floor(left) or abs(left - round(left)) < 1e-3:
            return False
        date = start + offset * tapline.DAYS_PER_SECOND
        context = (segment, offset, duration, rate)
        layout = recording._window_layout(date, duration)
        self.assertEqual(layout[0], segment, context)
        counts = [count for _, count in layout[2]]
        self.assertEqual(self.raw_window(recording, date, duration, rates), sum(counts), context)
        window = recording.window(date, duration)
        times = recording.window_times(date, duration)
        # Times count from S; the window's length is L ticks, rounded like S.
        length = round(duration * tapline.TICKS_PER_SECOND) / tapline.TICKS_PER_SECOND
        shift = recording._shift_ticks() / tapline.TICKS_PER_SECOND
        for index, (values, t, r) in enumerate(zip(window, times, rates)):
            if not len(values):
                continue
            # The sample's index from its time, by the test's own offset: within the shift.
            k = np.rint((t + offset) * float(r)).astype(np.int64)
            np.testing.assert_array_equal(values, encoded(index, k), str(context))
            self.assertTrue((t >= -shift - 1e-8).all() and (t < length - shift + 1e-8).all(),
                            (context, t[0], t[-1]))
            # Nothing left out at either end: the neighbours lie outside the window.
            first, count = layout[2][index]
            self.assertTrue(first == 0 or t[0] - float(1 / r) < -shift + 1e-8,
                            (context, index, first, t[0]))
            available = recording._layout(segment).counts[index]
            self.assertTrue(first + count == available or
                            t[-1] + float(1 / r) >= length - shift - 1e-8,
                            (context, index, first, count, t[-1]))
        return True

    def test_windows_tile_each_segment(self):
        path, _ = property_file(self.workspace.folder, "0.25", (16, 9))
        with tapline.Recording(path) as recording:
            for segment in range(recording.segment_count):
                whole = recording.segment_samples(segment)
                for seconds in (0.3, 1.0, 1.7, 2.25, 10.0):
                    windows = list(recording.iter_windows(segment, seconds))
                    for channel, samples in enumerate(whole):
                        joined = np.concatenate([w.samples[channel] for w in windows])
                        np.testing.assert_array_equal(joined, samples, str((segment, seconds)))
                    offsets = [w.offset for w in windows]
                    self.assertEqual(offsets[:2], [0.0, seconds][:len(offsets)])

    def test_header_rates_and_counts_equal_the_library_values(self):
        for record_duration, records in RECORD_DURATIONS.items():
            path, _ = property_file(self.workspace.folder, record_duration, records)
            with tapline.Recording(path) as recording:
                for segment in range(recording.segment_count):
                    table = recording.channels(segment)
                    layout = recording._layout(segment)
                    self.assertEqual([float(r) for r in layout.rates], list(table["value"]))
                    self.assertEqual(layout.counts, list(table["samples"]))
                    self.assertEqual(layout.rates,
                                     [tapline.exact_rate(v) for v in table["value"]])


class ExactRateTest(unittest.TestCase):
    def test_simplest_fraction_that_rounds_to_the_double(self):
        cases = [(256.0, Fraction(256)), (0.1, Fraction(1, 10)), (0.5, Fraction(1, 2)),
                 (1 / 3, Fraction(1, 3)), (1e-8, Fraction(1, 10 ** 8)),
                 (2.5e-9, Fraction(1, 4 * 10 ** 8)), (1000.0 / 3, Fraction(1000, 3)),
                 (0.0, Fraction(0)), (-5.0, Fraction(0)), (math.nan, Fraction(0))]
        for value, expected in cases:
            self.assertEqual(tapline.exact_rate(value), expected, value)
        # Whatever the double, the fraction rounds back to it and stays above 0.
        for value in np.random.default_rng(5).uniform(-12, 4, 200):
            rate = tapline.exact_rate(10.0 ** value)
            self.assertEqual(float(rate), 10.0 ** value)
        self.assertEqual(float(tapline.exact_rate(5e-324)), 5e-324)

    def test_window_ranges_follow_the_shifted_bounds(self):
        ticks = tapline.TICKS_PER_SECOND
        cases = [  # rates, counts, S, L, expected (first, count)
            ([256, 1], [15360, 60], 10 * ticks, 4 * ticks, [(2560, 1024), (10, 4)]),
            # 1 us early or late still starts on the sample; 1 us + 1 tick late misses it.
            ([1], [60], 2 * ticks - 10, ticks, [(2, 1)]),
            ([1], [60], 2 * ticks + 10, ticks, [(2, 1)]),
            ([1], [60], 2 * ticks + 11, ticks, [(3, 1)]),
            # A window that starts before the segment's first sample by less than 1 us.
            ([1], [60], -10, ticks, [(0, 1)]),
            # Clamped at the channel's samples in the segment.
            ([128], [1280], 8 * ticks, 4 * ticks, [(1024, 256)]),
            ([Fraction(1, 2)], [30], 3 * ticks, 4 * ticks, [(2, 2)]),
            ([256], [15360], 60 * ticks, ticks, [(15360, 0)]),
            ([256], [15360], 5 * ticks, 0, [(1280, 0)]),
            ([0], [0], 0, ticks, [(0, 0)]),
        ]
        for rates, counts, start, length, expected in cases:
            rates = [Fraction(r) for r in rates]
            self.assertEqual(tapline.window_ranges(rates, counts, start, length), expected,
                             (rates, start, length))

    def test_window_shift_follows_the_spacing_of_day_numbers(self):
        cases = [(45426.4, 10), (65534.99, 10), (65535.0, 20), (91313.0, 20), (131071.0, 40),
                 (365245.0, 80), (2958465.5, 640), (1e12, 640), (math.nan, 10)]
        for day, shift in cases:
            self.assertEqual(tapline.window_shift_ticks(day), shift, day)
        # The shifted bounds: 5 us past a 1-kHz sample starts on it only with an 8-us shift.
        rates = [Fraction(1000)]
        self.assertEqual(tapline.window_ranges(rates, [1000], 10050, 10000, 10), [(2, 1)])
        self.assertEqual(tapline.window_ranges(rates, [1000], 10050, 10000, 80), [(1, 1)])
        # Times shown on their decimal step within the day numbers' precision there.
        for day, seconds in ((365245.4, 200.5), (2958000.1, 0.5), (2958000.1, 3600.0)):
            later = day + seconds * tapline.DAYS_PER_SECOND
            self.assertEqual(tapline.seconds_between(day, later), seconds, day)

    def test_window_ticks_round_to_even_in_doubles(self):
        start = 45426.395833333336
        self.assertEqual(tapline.window_ticks(start, start, 2.5e-7), (0, 2))
        self.assertEqual(tapline.window_ticks(start, start, 3.5e-7), (0, 4))
        # A day number 10 s later lands within a day number's rounding of 10^8 ticks.
        later = start + 10.0 * tapline.DAYS_PER_SECOND
        self.assertLessEqual(abs(tapline.window_ticks(later, start, 0.0)[0] - 10 ** 8), 7)


if __name__ == "__main__":
    unittest.main()
