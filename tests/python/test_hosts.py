"""What the hosts check before the library is asked, time zero, and the conveniences of the
wrapper: every mistake a host can make raises with a reason and never reaches the library's
console report (nor, on a terminal, its wait for a key).
"""
import datetime
import math
import os
import pty
import select
import subprocess
import sys
import time
import unittest

import numpy as np

import support
import tapline

# EDF+ whose first sample lies 0.3 s after the header's whole second, with an event on it.
SUBSECOND = {"signals": [{"label": "X", "spr": 4}], "record_duration": "1",
             "segments": [("+0.3", 3), ("+10.3", 2)],
             "events": [("+0.3", "1", "First"), ("+1.8", "0", "Half")]}
# The script a pseudo-terminal runs: each call must raise at once, without the library's wait.
MISTAKES = r"""
import sys, tapline
rec = tapline.Recording(sys.argv[1])
date = rec.seconds_to_date
calls = [lambda: rec.window(date(58), 4), lambda: rec.window(date(70), 1),
         lambda: rec.window(date(1), 1e9), lambda: rec.segment_samples(3),
         lambda: rec.window_at_seconds(0, 1, picks=[8]), lambda: rec.to_mne(0, tmax=61)]
for call in calls:
    try:
        call()
    except (ValueError, IndexError) as error:
        print("refused:", type(error).__name__)
rec.close()
try:
    rec.events()
except ValueError:
    print("refused: closed")
print("done")
"""


class HostChecksTest(support.RecordingTest):

    def test_mistakes_raise_before_the_library_is_asked(self):
        rec = self.recording
        date = rec.seconds_to_date
        cases = [
            (lambda: rec.window(date(58), 4), tapline.WindowError,
             "the window 58 s to 62 s does not fit its segment: segment 0 spans 0 s to 60 s; "
             "segment 1 starts at 90 s"),
            (lambda: rec.window(date(70), 1), tapline.WindowError,
             "no segment holds 70 s: segment 0 spans 0 s to 60 s; segment 1 starts at 90 s"),
            (lambda: rec.window(date(260), 1), tapline.WindowError,
             "no segment holds 260 s: segment 2 spans 180 s to 255 s; it is the last segment"),
            # 525 GiB: refused before anything is allocated.
            (lambda: rec.window(date(1), 1e9), tapline.WindowError, "does not fit"),
            (lambda: rec.window(date(1), -1), ValueError, "duration of 0 s or more"),
            (lambda: rec.window(date(1), math.nan), ValueError, "duration of 0 s or more"),
            (lambda: rec.segment_samples(3), IndexError, "segment 3 out of range"),
            (lambda: rec.channel_names(-1), IndexError, "segment -1 out of range"),
            (lambda: rec.window(date(1), 1, picks=[8]), IndexError, "channel 8 out of range"),
            (lambda: rec.window(date(1), 1, picks=["Cz"]), ValueError, "no channel named 'Cz'"),
        ]
        for call, error, message in cases:
            with self.subTest(message):
                with self.assertRaisesRegex(error, message):
                    call()
        rec.close()
        for call in (rec.events, rec.segments, lambda: rec.window(0.0, 1.0)):
            with self.assertRaisesRegex(ValueError, "is closed"):
                call()
        with self.assertRaisesRegex(FileNotFoundError, "missing.edf"):
            tapline.Recording(self.workspace.path("missing.edf"))

    def test_no_host_ever_waits_for_a_key_on_a_terminal(self):
        """Under a pseudo-terminal the library's report would wait for a key: each host's
        refusals must come back within seconds, and say why."""
        runs = [
            ([sys.executable, "-c", MISTAKES, self.workspace.sample],
             "refused: WindowError\n" * 3 + "refused: IndexError\n" * 2 +
             "refused: ValueError\nrefused: closed\ndone"),
            ([sys.executable, "-m", "plot_window", self.workspace.sample,
              self.workspace.path("gap.png"), "--start", "70"],
             "plot_window: no segment holds 70 s"),
        ]
        info = os.path.join(os.path.dirname(os.environ["TAPLINE_LIBRARY"]), "tapline-info")
        if os.path.exists(info):
            runs.append(([info, self.workspace.sample, "--window", "58", "4", "--csv", "-"],
                         "does not fit its segment"))
        for command, expected in runs:
            with self.subTest(command[-1]):
                output = _run_on_terminal(command, timeout=60)
                self.assertIn(expected.replace("\n", "\r\n"), output)
                self.assertNotIn("Press any key", output)


def _run_on_terminal(command, timeout):
    """The output of a command run with a pseudo-terminal as its standard streams; fails the
    test when it has not ended after `timeout` seconds (a wait for a key)."""
    pid, terminal = pty.fork()
    if pid == 0:
        os.execvpe(command[0], command, os.environ)
    output = b""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        ready, _, _ = select.select([terminal], [], [], 0.5)
        if ready:
            try:
                chunk = os.read(terminal, 4096)
            except OSError:
                chunk = b""
            if not chunk:
                break
            output += chunk
    else:
        os.kill(pid, 9)
        os.waitpid(pid, 0)
        raise AssertionError("still waiting after %d s: %r" % (timeout, output))
    os.waitpid(pid, 0)
    os.close(terminal)
    return output.decode("utf-8", "replace")


class TimeZeroTest(support.RecordingTest):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.path = cls.workspace.path("subsecond.edf")
        support.write_edf(cls.path, **SUBSECOND)

    def test_second_zero_is_the_first_sample(self):
        rec = self.recording
        np.testing.assert_array_equal(rec.window_at_seconds(0, 1)[0], [0, 1, 2, 3])
        np.testing.assert_array_equal(rec.window_at_seconds(10, 0.5)[0], [0, 1])
        self.assertEqual(rec.segments()["offset"].tolist(), [0.0, 10.0])
        self.assertEqual(rec.events().onset.tolist(), [0.0, 1.5])

    def test_dates_are_accepted_wherever_a_day_number_is(self):
        rec = self.recording
        start = rec.segments()["start_time"][0]  # numpy.datetime64
        as_datetime = start.astype(datetime.datetime)
        aware = as_datetime.replace(tzinfo=datetime.timezone(datetime.timedelta(hours=2))) + \
            datetime.timedelta(hours=2)
        expected = rec.window(rec.time_zero, 1.0)[0]
        for when in (start, as_datetime, aware, start + np.timedelta64(0, "us")):
            with self.subTest(repr(when)):
                np.testing.assert_array_equal(rec.window(when, 1.0)[0], expected)
                self.assertEqual(rec.segment_at(when), 0)
        with self.assertRaises(TypeError):
            rec.window("2024-05-14", 1.0)

    def test_seconds_between_shows_half_seconds_exactly(self):
        # The library's day numbers of the sample recording's start and an event at 5.5 s.
        self.assertEqual(tapline.seconds_between(45426.395833333336, 45426.395896990733), 5.5)
        self.assertEqual(tapline.seconds_between(45426.395833333336,
                                                 45426.395833333336 + 1.234567 / 86400), 1.234567)

    def test_event_at_a_segments_first_sample_is_at_onset_zero_in_mne(self):
        raws = self.recording.to_mne(0)
        self.assertEqual(raws[0].annotations.description.tolist(), ["First", "Half"])
        self.assertEqual(raws[0].annotations.onset.tolist(), [0.0, 1.5])


class ConveniencesTest(support.RecordingTest):

    def test_two_thirds_of_a_second_windows_tile_sixty_seconds(self):
        windows = list(self.recording.iter_windows(0, 2 / 3, picks=["EEG C3", 7]))
        self.assertEqual(len(windows), 90)
        whole = self.recording.segment_samples(0, picks=["EEG C3", 7])
        for channel in range(2):
            np.testing.assert_array_equal(
                np.concatenate([w.samples[channel] for w in windows]), whole[channel])
        self.assertEqual([round(w.offset * 3) for w in windows], list(range(0, 180, 2)))

    def test_picks_choose_channels_by_name_or_index_in_order(self):
        rec = self.recording
        date = rec.seconds_to_date(2.0)
        everything = rec.window(date, 1.0, physical=True)
        picked = rec.window(date, 1.0, physical=True, picks=["SpO2", 0, "Resp"])
        for got, index in zip(picked, [7, 0, 5]):
            np.testing.assert_array_equal(got, everything[index])
        self.assertEqual(len(rec.window_times(date, 1.0, picks="ECG")), 1)

    def test_to_mne_reads_only_the_stretch_asked(self):
        raws = self.recording.to_mne(0, picks=["EEG Fp1", "SpO2"], tmin=2.0, tmax=6.0)
        self.assertEqual([raw.ch_names for raw in raws], [["EEG Fp1"], ["SpO2"]])
        self.assertEqual([raw.n_times for raw in raws], [4 * 256, 4])
        full = self.recording.segment_samples(0, physical=True, picks="EEG Fp1")[0]
        np.testing.assert_allclose(raws[0].get_data()[0], full[512:1536] * 1e-6)
        # "Lights off" at 2 s is the Raw's first sample; "Eyes closed" at 5.5 s.
        self.assertEqual(raws[0].annotations.onset.tolist()[:2], [0.0, 3.5])

    def test_representations_say_what_they_hold(self):
        self.assertRegex(repr(self.recording), r"^<tapline.Recording '.*sample.edf': 3 "
                                               r"segments, open>$")
        window = next(self.recording.iter_windows(0, 1.0, picks=[0, 7]))
        self.assertEqual(repr(window), "Window(start=%r, offset=0.0, samples=2 channels of "
                                       "[256, 1])" % window.start)
        self.recording.close()
        self.assertTrue(repr(self.recording).endswith(", closed>"))


class DocstringTest(unittest.TestCase):
    def test_public_methods_have_numpydoc_sections(self):
        import inspect
        for name, method in inspect.getmembers(tapline.Recording, inspect.isfunction):
            if name.startswith("_") or name == "close":
                continue
            with self.subTest(name):
                doc = inspect.getdoc(method) or ""
                self.assertRegex(doc, r"\n(Returns|Yields)\n-+\n")
                if len(inspect.signature(method).parameters) > 1:
                    self.assertRegex(doc, r"\nParameters\n-+\n")


class PlainEdfLabelTest(unittest.TestCase):
    def test_a_plain_edf_signal_labelled_edf_annotations_is_a_channel(self):
        workspace = support.Workspace()
        self.addCleanup(workspace.remove)
        path = workspace.path("plain.edf")
        support.write_edf(path, [{"label": "EDF Annotations", "spr": 2, "pmin": 0,
                                  "pmax": 65535},
                                 {"label": "X", "spr": 2}], "1", [("+0", 2)])
        with tapline.Recording(path) as rec:
            self.assertEqual(rec.channel_names(0), ["EDF Annotations", "X"])
            values = rec.segment_samples(0, physical=True)[0]
            np.testing.assert_allclose(values, np.arange(4) + 32768)


if __name__ == "__main__":
    unittest.main()
